#include "tests/e2e/host/HostApp.h"

#include "tests/e2e/host/BusyUserPlatform.h"
#include "tests/e2e/host/HostMainWnd.h"
#include "tests/e2e/host/HostOptions.h"
#include "tests/e2e/host/NoInstanceMark.h"
#include "ui/AboutDlg.h"
#include "ui/DetailSettingDlg.h"
#include "ui/EndNoticeDlg.h"
#include "ui/QuillabertonDlg.h"

#include <shellapi.h>

#include <cstdio>
#include <string>
#include <vector>

CE2EHostApp theApp;

namespace {

std::vector<std::wstring> Arguments() {
    std::vector<std::wstring> args;
    int argc = 0;
    wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
    if (argv != nullptr) {
        for (int i = 1; i < argc; ++i) {
            args.emplace_back(argv[i]);
        }
        ::LocalFree(argv);
    }
    return args;
}

bool RunningUnderWine() {
    HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

} // namespace

CE2EHostApp::CE2EHostApp() noexcept : CWinApp(L"e2e_host") {}

BOOL CE2EHostApp::InitInstance() {
    const std::optional<CHostOptions> options = CHostOptions::Parse(Arguments());
    if (!options) {
        m_nResult = 100;
        return FALSE;
    }

    CHostMainWnd mainWnd;
    if (options->m_owner != CHostOptions::Owner::None) {
        if (!mainWnd.Create(m_hInstance, options->m_owner == CHostOptions::Owner::Visible)) {
            m_nResult = 101;
            return FALSE;
        }
        m_pMainWnd = &mainWnd;
    }

    std::string report;
    m_nResult = RunDialog(*options, report);
    const bool ownerEnabled = m_pMainWnd == nullptr || mainWnd.IsWindowEnabled();
    report += "owner_enabled=" + std::to_string(ownerEnabled ? 1 : 0) + "\n";
    WriteReport(L"result.txt", report);

    if (options->m_bEndAction && m_nResult == IDOK) {
        RequestEndAction();
    }
    if (options->m_bLinger && m_pMainWnd != nullptr) {
        MSG msg;
        while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
    m_pMainWnd = nullptr;
    return FALSE; // no further message loop: ExitInstance gives the exit code
}

int CE2EHostApp::ExitInstance() {
    return m_nResult;
}

int CE2EHostApp::RunDialog(const CHostOptions& options, std::string& report) {
    const ULONGLONG start = ::GetTickCount64();
    int result = -1;
    switch (options.m_dialog) {
    case CHostOptions::Dialog::Notice: {
        CEndNoticeDlg dlg;
        result = dlg.DoNotice(options.m_nValue);
        break;
    }
    case CHostOptions::Dialog::Detail: {
        CDetailSettingDlg dlg;
        dlg.m_bTaskTray = options.m_nValue;
        result = static_cast<int>(dlg.DoModal());
        report += "flag=" + std::to_string(dlg.m_bTaskTray) + "\n";
        break;
    }
    case CHostOptions::Dialog::About: {
        CAboutDlg dlg;
        result = static_cast<int>(dlg.DoModal());
        break;
    }
    case CHostOptions::Dialog::Busy: {
        CNoInstanceMark instance;
        CBusyUserPlatform platform;
        CQuillabertonDlg dlg(instance, ::Shell_NotifyIconW, &platform);
        result = static_cast<int>(dlg.DoModal());
        break;
    }
    case CHostOptions::Dialog::NoHibernate: {
        CNoInstanceMark instance;
        CNoHibernationPlatform platform;
        CQuillabertonDlg dlg(instance, ::Shell_NotifyIconW, &platform);
        const std::vector<std::wstring> timer{L"/timer", L"30", L"hibernate"};
        dlg.ApplyAtStart(CCommandLine(timer));
        result = static_cast<int>(dlg.DoModal());
        break;
    }
    }
    const ULONGLONG elapsed = ::GetTickCount64() - start;
    report = "result=" + std::to_string(result) + "\n" + report +
             "elapsed_ms=" + std::to_string(elapsed) + "\n";
    return result;
}

void CE2EHostApp::WriteReport(const wchar_t* pszName, const std::string& text) {
    // Written aside and renamed, so that a reader never sees half of it.
    const std::wstring part = std::wstring(pszName) + L".part";
    FILE* f = ::_wfopen(part.c_str(), L"wb");
    if (f == nullptr) {
        return;
    }
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
    ::MoveFileExW(part.c_str(), pszName, MOVEFILE_REPLACE_EXISTING);
}

void CE2EHostApp::RequestEndAction() {
    // Only inside Wine, where a log-off ends the processes of this prefix and
    // nothing else; never on a real desktop.
    if (!RunningUnderWine()) {
        return;
    }
    WriteReport(L"end_action.txt", "requested\n");
    ::ExitWindowsEx(EWX_LOGOFF | EWX_FORCE, 0);
    // The log-off should end this process within moments; say so if it did not.
    PumpMessages(20000);
    WriteReport(L"end_action.txt", "survived\n");
}

void CE2EHostApp::PumpMessages(DWORD dwMilliseconds) {
    const ULONGLONG end = ::GetTickCount64() + dwMilliseconds;
    for (ULONGLONG now = ::GetTickCount64(); now < end; now = ::GetTickCount64()) {
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - now), QS_ALLINPUT);
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
}
