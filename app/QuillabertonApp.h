#pragma once

#include "framework/Handle.h"
#include "framework/WinApp.h"

// The application: one instance per executable name, whose whole life is the
// modal run of the main window.
class CQuillabertonApp : public CWinApp {
public:
    CQuillabertonApp() noexcept = default;

    // Always FALSE: the process ends when the main window has ended (or at
    // once when another instance runs under the same executable name).
    BOOL InitInstance() override;

private:
    // Held until the process ends, so the name stays taken.
    unique_handle m_hMutex;
};
