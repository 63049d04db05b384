#include "app/QuillabertonApp.h"

#include "ui/QuillabertonDlg.h"

#include <memory>

// The one application object.
CQuillabertonApp theApp;

namespace {

BOOL CALLBACK FindMain(HWND wnd, LPARAM found) {
    if (::GetPropW(wnd, CQuillabertonDlg::kInstanceProp) != nullptr) {
        *reinterpret_cast<HWND*>(found) = wnd;
        return FALSE;
    }
    return TRUE;
}

} // namespace

void CQuillabertonApp::BringFirstForward() {
    // The first start may still be opening its window: look for a while.
    HWND main = nullptr;
    for (int i = 0; i < 50 && main == nullptr; ++i) {
        ::EnumWindows(FindMain, reinterpret_cast<LPARAM>(&main));
        if (main == nullptr) {
            ::Sleep(100);
        }
    }
    if (main == nullptr) {
        return;
    }
    // This start has the foreground, and may hand it on.
    DWORD pid = 0;
    ::GetWindowThreadProcessId(main, &pid);
    ::AllowSetForegroundWindow(pid);
    DWORD_PTR result = 0;
    ::SendMessageTimeoutW(main, CQuillabertonDlg::ShowMessage(), 0, 0, SMTO_ABORTIFHUNG, 5000,
                          &result);
    ::SetForegroundWindow(::GetLastActivePopup(main));
}

BOOL CQuillabertonApp::InitInstance() {
    AfxEnableControlContainer();
    Enable3dControlsStatic();

    // One instance per executable name: a copy under another name is a
    // separate program.
    HANDLE hMutex = ::CreateMutexW(nullptr, TRUE, m_pszExeName.c_str());
    const DWORD error = ::GetLastError();
    if (hMutex == nullptr) {
        return FALSE;
    }
    m_hMutex.reset(hMutex);
    if (error == ERROR_ALREADY_EXISTS) {
        BringFirstForward();
        return FALSE;
    }

    {
        auto dlg = std::make_unique<CQuillabertonDlg>();
        m_pMainWnd = dlg.get();
        dlg->DoModal();
        m_pMainWnd = nullptr;
    }
    return FALSE;
}
