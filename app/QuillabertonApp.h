#pragma once

#include "framework/Handle.h"
#include "framework/WinApp.h"

// The application: one instance per executable name, whose whole life is the
// modal run of the main window. A second start brings the first forward.
class CQuillabertonApp : public CWinApp {
public:
    CQuillabertonApp() noexcept = default;

    // Always FALSE: the process ends when the main window has ended (or at
    // once when another instance runs under the same executable name).
    BOOL InitInstance() override;

private:
    // A second start: the first one's window comes forward.
    static void BringFirstForward();
    // Held until the process ends, so the name stays taken.
    unique_handle m_hMutex;
};
