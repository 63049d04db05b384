#include "ui/DetailSettingDlg.h"

#include "resource.h"

CDetailSettingDlg::CDetailSettingDlg(CWnd* pParent) noexcept
    : CDialog(IDD_DETAILSETTING_DIALOG, pParent) {}

CDetailSettingDlg::~CDetailSettingDlg() = default;

const MessageMap* CDetailSettingDlg::GetThisMessageMap() {
    static constexpr MessageMap map{&CDialog::GetThisMessageMap, {}};
    return &map;
}

bool CDetailSettingDlg::Edit(std::int32_t& taskTray, SettingsOptions& options) {
    m_bTaskTray = taskTray;
    m_bResume = options.resume != 0 ? 1 : 0;
    m_bFullscreen = options.fullscreen != 0 ? 1 : 0;
    m_bHistory = options.history != 0 ? 1 : 0;
    if (DoModal() != IDOK) {
        return false;
    }
    SettingsOptions chosen = options;
    if ((chosen.resume != 0) != (m_bResume != 0)) {
        chosen.resume = m_bResume;
    }
    if ((chosen.fullscreen != 0) != (m_bFullscreen != 0)) {
        chosen.fullscreen = m_bFullscreen;
    }
    if ((chosen.history != 0) != (m_bHistory != 0)) {
        chosen.history = m_bHistory;
    }
    if (m_bTaskTray == taskTray && chosen == options) {
        return false;
    }
    taskTray = m_bTaskTray;
    options = chosen;
    return true;
}

void CDetailSettingDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_CHECK_TASKTRAY, m_chkTaskTray);
    DDX_Check(pDX, IDC_CHECK_RESUME, m_bResume);
    DDX_Check(pDX, IDC_CHECK_FULLSCREEN, m_bFullscreen);
    DDX_Check(pDX, IDC_CHECK_HISTORY, m_bHistory);
}

BOOL CDetailSettingDlg::OnInitDialog() {
    // A hand-edited settings file may hold any integer: non-zero is on.
    m_bResume = m_bResume != 0 ? 1 : 0;
    m_bFullscreen = m_bFullscreen != 0 ? 1 : 0;
    m_bHistory = m_bHistory != 0 ? 1 : 0;
    CDialog::OnInitDialog();
    m_chkTaskTray.SetCheck(m_bTaskTray != 0 ? BST_CHECKED : BST_UNCHECKED);
    return TRUE;
}

void CDetailSettingDlg::OnOK() {
    m_bTaskTray = m_chkTaskTray.GetCheck() == BST_CHECKED ? 1 : 0;
    CDialog::OnOK(); // the other boxes through the data exchange
}

void CDetailSettingDlg::OnCancel() {
    CDialog::OnCancel();
}
