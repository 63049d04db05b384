#pragma once

#include "app/SingleInstance.h"
#include "framework/WinApp.h"

#include <memory>

// The application: one copy per executable name, whose whole life is the
// modal run of the main window. A second start brings the first forward, or
// hands it the command it was given and ends.
class CQuillabertonApp : public CWinApp {
public:
    CQuillabertonApp() noexcept = default;

    // Always FALSE: the process ends when the main window has ended (or at
    // once when another copy runs under the same executable name).
    BOOL InitInstance() override;
    // The process's exit code: a command's (CCommandLine::ExitCode), else 0.
    int ExitInstance() override { return m_exitCode; }

private:
    // Held until the process ends, so the name stays taken.
    std::unique_ptr<CSingleInstance> m_instance;
    int m_exitCode = 0;
};
