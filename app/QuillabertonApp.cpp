#include "app/QuillabertonApp.h"

#include "ui/QuillabertonDlg.h"

#include <memory>

// The one application object.
CQuillabertonApp theApp;

BOOL CQuillabertonApp::InitInstance() {
    AfxEnableControlContainer();
    Enable3dControlsStatic();

    // One copy per executable name: a copy under another name is a separate
    // program.
    m_instance = std::make_unique<CSingleInstance>(m_pszExeName);
    if (m_instance->GetStart() == CSingleInstance::Start::Second) {
        m_instance->BringFirstForward();
    }
    if (m_instance->GetStart() != CSingleInstance::Start::First) {
        return FALSE;
    }
    {
        auto dlg = std::make_unique<CQuillabertonDlg>(*m_instance);
        m_pMainWnd = dlg.get();
        dlg->DoModal();
        m_pMainWnd = nullptr;
    }
    return FALSE;
}
