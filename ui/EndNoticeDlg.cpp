#include "ui/EndNoticeDlg.h"

#include "resource.h"
#include "schedule/EndMode.h"

CEndNoticeDlg::CEndNoticeDlg(CWnd* pParent) noexcept : CDialog(IDD_ENDNOTICE_DIALOG, pParent) {}

CEndNoticeDlg::~CEndNoticeDlg() = default;

const MessageMap* CEndNoticeDlg::GetThisMessageMap() {
    static constexpr MessageMapEntry entries[] = {
        OnMessage<WM_TIMER, &CEndNoticeDlg::OnTimer>(),
    };
    static constexpr MessageMap map{&CDialog::GetThisMessageMap, entries};
    return &map;
}

int CEndNoticeDlg::DoNotice(int nMode) {
    m_nMode = nMode;
    return static_cast<int>(CDialog::DoModal());
}

void CEndNoticeDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_END_MODE, m_stMode);
}

BOOL CEndNoticeDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    // Unknown modes show an empty text, never the template's placeholder.
    m_stMode.SetWindowText(EndModeName(m_nMode));
    // Above every other window: a program in the background cannot take the
    // foreground, but a topmost window is still seen.
    SetWindowPos(HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    SetTimer(kTimeoutTimer, kTimeoutMs, nullptr);
    return TRUE;
}

void CEndNoticeDlg::OnTimer(UINT_PTR nIDEvent) {
    if (nIDEvent == kTimeoutTimer) {
        KillTimer(kTimeoutTimer);
        CDialog::OnOK();
    }
    Default();
}

// Enter must not confirm: only the time-out ends the dialog with IDOK.
void CEndNoticeDlg::OnOK() {}

void CEndNoticeDlg::OnCancel() {
    KillTimer(kTimeoutTimer);
    CDialog::OnCancel();
}
