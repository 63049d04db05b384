#include "app/QuillabertonApp.h"

#include "ui/QuillabertonDlg.h"

#include <memory>

// The one application object.
CQuillabertonApp theApp;

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
