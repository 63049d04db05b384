#pragma once

#include "framework/WinApp.h"

#include <string>

class CHostOptions;

// A test host for the end-to-end tests: registers a main window (visible,
// hidden or none), opens one of the program's dialogs the way the main window
// would (no parent), and reports the outcome in "result.txt" in its working
// folder and as its exit code (the dialog's result).
//
// result.txt, written once the dialog has returned (renamed into place):
//   result=N          what DoNotice/DoModal returned
//   flag=N            detail dialog: its start-in-tray flag afterwards
//   elapsed_ms=N      how long the modal run took
//   owner_enabled=B   the main window accepts input again (no main window: 1)
// With --end-action, "end_action.txt" says "requested" just before the
// log-off is requested and "survived" if the host still runs 20 s later.
class CE2EHostApp : public CWinApp {
public:
    CE2EHostApp() noexcept;

    BOOL InitInstance() override;
    int ExitInstance() override;

private:
    int RunDialog(const CHostOptions& options, std::string& report);
    static void WriteReport(const wchar_t* pszName, const std::string& text);
    static void RequestEndAction();
    static void PumpMessages(DWORD dwMilliseconds);

    int m_nResult = -1;
};
