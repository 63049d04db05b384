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
}

BOOL CDetailSettingDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    // A hand-edited settings file may hold any integer: non-zero is on.
    m_chkTaskTray.SetCheck(m_bTaskTray != 0 ? BST_CHECKED : BST_UNCHECKED);
    return TRUE;
}

void CDetailSettingDlg::OnOK() {
    m_bTaskTray = m_chkTaskTray.GetCheck() == BST_CHECKED ? 1 : 0;
    CDialog::OnOK();
}

void CDetailSettingDlg::OnCancel() {
    CDialog::OnCancel();
}
