#include "ui/DetailSettingDlg.h"

#include "resource.h"

CDetailSettingDlg::CDetailSettingDlg(CWnd* pParent) noexcept
    : CDialog(IDD_DETAILSETTING_DIALOG, pParent) {}

CDetailSettingDlg::~CDetailSettingDlg() = default;

const MessageMap* CDetailSettingDlg::GetThisMessageMap() {
    static constexpr MessageMap map{&CDialog::GetThisMessageMap, {}};
    return &map;
}

void CDetailSettingDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_CHECK_TASKTRAY, m_chkTaskTray);
    DDX_Check(pDX, IDC_CHECK_RESUME, m_bResume);
    DDX_Check(pDX, IDC_CHECK_FULLSCREEN, m_bFullscreen);
}

BOOL CDetailSettingDlg::OnInitDialog() {
    // A hand-edited settings file may hold any integer: non-zero is on.
    m_bResume = m_bResume != 0 ? 1 : 0;
    m_bFullscreen = m_bFullscreen != 0 ? 1 : 0;
    CDialog::OnInitDialog();
    m_chkTaskTray.SetCheck(m_bTaskTray != 0 ? BST_CHECKED : BST_UNCHECKED);
    if (m_pStartup != nullptr && m_pStartup->Read()) {
        ::CheckDlgButton(m_hWnd, IDC_CHECK_STARTUP, m_pStartup->IsOn() ? BST_CHECKED : 0);
    } else {
        ::EnableWindow(GetDlgItem(IDC_CHECK_STARTUP), FALSE);
        if (m_pStartup != nullptr) {
            ::SetDlgItemTextW(m_hWnd, IDC_STARTUP_NOTE, m_pStartup->Why().c_str());
        }
    }
    return TRUE;
}

void CDetailSettingDlg::OnOK() {
    m_bTaskTray = m_chkTaskTray.GetCheck() == BST_CHECKED ? 1 : 0;
    // The link changes only with its box; a failure is told, the other
    // options are kept all the same.
    const bool wanted = ::IsDlgButtonChecked(m_hWnd, IDC_CHECK_STARTUP) == BST_CHECKED;
    if (m_pStartup != nullptr && ::IsWindowEnabled(GetDlgItem(IDC_CHECK_STARTUP)) &&
        wanted != m_pStartup->IsOn() && !m_pStartup->Apply(wanted)) {
        ::MessageBoxW(m_hWnd, m_pStartup->Why().c_str(), L"Quillaberton", MB_OK | MB_ICONERROR);
    }
    CDialog::OnOK(); // the other two boxes through the data exchange
}

void CDetailSettingDlg::OnCancel() {
    CDialog::OnCancel();
}
