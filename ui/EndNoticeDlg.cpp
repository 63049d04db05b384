#include "ui/EndNoticeDlg.h"

#include "resource.h"
#include "schedule/EndMode.h"

#include <string>

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
    DDX_Control(pDX, IDC_COUNTDOWN, m_stCountdown);
}

BOOL CEndNoticeDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    // Unknown modes show an empty text, never the template's placeholder.
    m_stMode.SetWindowText(EndModeName(m_nMode));
    // Above every other window: a program in the background cannot take the
    // foreground, but a topmost window is still seen.
    SetWindowPos(HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    m_openedAt = ::GetTickCount64();
    ShowCountdown();
    SetTimer(kCountdownTimer, kCountdownMs, nullptr);
    SetTimer(kTimeoutTimer, kTimeoutMs, nullptr);
    return TRUE;
}

void CEndNoticeDlg::ShowCountdown() {
    const ULONGLONG elapsed = ::GetTickCount64() - m_openedAt;
    const ULONGLONG left = elapsed < kTimeoutMs ? kTimeoutMs - elapsed : 0;
    const int seconds = static_cast<int>((left + 999) / 1000);
    if (seconds != m_shownSeconds) {
        m_shownSeconds = seconds;
        ::SetWindowTextW(m_stCountdown, (L"あと " + std::to_wstring(seconds) + L" 秒").c_str());
    }
}

void CEndNoticeDlg::OnTimer(UINT_PTR nIDEvent) {
    if (nIDEvent == kTimeoutTimer) {
        KillTimer(kTimeoutTimer);
        KillTimer(kCountdownTimer);
        CDialog::OnOK();
    } else if (nIDEvent == kCountdownTimer) {
        ShowCountdown();
    }
    Default();
}

// Enter must not confirm: only the time-out ends the dialog with IDOK.
void CEndNoticeDlg::OnOK() {}

void CEndNoticeDlg::OnCancel() {
    KillTimer(kTimeoutTimer);
    KillTimer(kCountdownTimer);
    CDialog::OnCancel();
}
