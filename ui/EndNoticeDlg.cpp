#include "ui/EndNoticeDlg.h"

#include "resource.h"

#include <string>

CEndNoticeDlg::CEndNoticeDlg(CWnd* pParent) noexcept : CDialog(IDD_ENDNOTICE_DIALOG, pParent) {}

CEndNoticeDlg::~CEndNoticeDlg() = default;

namespace {

// Display names of the end modes (CP932 bytes); empty for any other value.
std::string EndModeText(int nMode) {
    switch (nMode) {
    case 0:
        return "\x83\x56\x83\x83\x83\x62\x83\x67\x83\x5f\x83\x45\x83\x93"; // シャットダウン
    case 1:
        return "\x8d\xc4\x8b\x4e\x93\xae"; // 再起動
    case 2:
        return "\x83\x58\x83\x5e\x83\x93\x83\x6f\x83\x43"; // スタンバイ
    case 3:
        return "\x83\x8d\x83\x4f\x83\x49\x83\x74"; // ログオフ
    default:
        return {};
    }
}

} // namespace

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
    m_stMode.SetWindowText(EndModeText(m_nMode));
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
