#include "ui/EndNoticeDlg.h"

#include "framework/Handle.h"
#include "resource.h"
#include "schedule/EndMode.h"

#include <iterator>
#include <string>

namespace {
// The menu of delays: its items' ids and minutes.
struct Delay {
    UINT id;
    int minutes;
    const wchar_t* text;
};
constexpr Delay kDelays[] = {
    {1, 5, L"5分後"},
    {2, 10, L"10分後"},
    {3, 30, L"30分後"},
    {4, 60, L"1時間後"},
};
} // namespace

CEndNoticeDlg::CEndNoticeDlg(CWnd* pParent) noexcept : CDialog(IDD_ENDNOTICE_DIALOG, pParent) {}

CEndNoticeDlg::~CEndNoticeDlg() = default;

const MessageMap* CEndNoticeDlg::GetThisMessageMap() {
    static constexpr MessageMapEntry entries[] = {
        OnMessage<WM_TIMER, &CEndNoticeDlg::OnTimer>(),
        OnCommand<IDC_POSTPONE, &CEndNoticeDlg::OnPostpone>(),
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
    const ULONGLONG now = ::GetTickCount64();
    m_countdown.emplace(static_cast<std::int64_t>(now));
    ShowCountdown(now);
    SetTimer(kCountdownTimer, kCountdownMs, nullptr);
    SetTimer(kTimeoutTimer, kTimeoutMs, nullptr);
    return TRUE;
}

void CEndNoticeDlg::ShowCountdown(ULONGLONG now) {
    const int seconds = m_countdown->SecondsLeft(static_cast<std::int64_t>(now));
    if (seconds != m_shownSeconds) {
        m_shownSeconds = seconds;
        ::SetWindowTextW(m_stCountdown, (L"あと " + std::to_wstring(seconds) + L" 秒").c_str());
    }
}

void CEndNoticeDlg::StopCounting() {
    m_bEnding = true;
    KillTimer(kTimeoutTimer);
    KillTimer(kCountdownTimer);
    // The time-out goes ahead even with the menu of delays open.
    ::EndMenu();
}

void CEndNoticeDlg::OnPostpone() {
    unique_hmenu menu(::CreatePopupMenu());
    if (!menu) {
        return;
    }
    for (const Delay& d : kDelays) {
        ::AppendMenuW(menu.get(), MF_STRING, d.id, d.text);
    }
    // Under the button; the countdown goes on while the menu is open.
    RECT button{};
    ::GetWindowRect(GetDlgItem(IDC_POSTPONE), &button);
    const UINT chosen = static_cast<UINT>(
        ::TrackPopupMenu(menu.get(), TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RETURNCMD | TPM_NONOTIFY,
                         button.left, button.bottom, 0, m_hWnd, nullptr));
    if (chosen == 0 || m_bEnding) {
        return; // dismissed, or the warning ended meanwhile
    }
    for (const Delay& d : kDelays) {
        if (d.id == chosen) {
            m_nPostponeMinutes = d.minutes;
            StopCounting();
            EndDialog(kPostponed);
        }
    }
}

void CEndNoticeDlg::Withdraw() {
    if (m_hWnd != nullptr && !m_bEnding) {
        OnCancel();
    }
}

void CEndNoticeDlg::OnTimer(UINT_PTR nIDEvent) {
    const bool ours = nIDEvent == kTimeoutTimer || nIDEvent == kCountdownTimer;
    const ULONGLONG now = ::GetTickCount64();
    if (ours && m_countdown && !m_bEnding && !m_countdown->Look(static_cast<std::int64_t>(now))) {
        // Whichever timer comes first after a stall or a sleep sees the gap:
        // the user may not have seen the warning, so nothing goes ahead.
        OnCancel();
    } else if (nIDEvent == kTimeoutTimer && !m_bEnding) {
        StopCounting();
        CDialog::OnOK();
    } else if (nIDEvent == kCountdownTimer && !m_bEnding) {
        ShowCountdown(now);
    }
    Default();
}

// Enter must not confirm: only the time-out ends the dialog with IDOK.
void CEndNoticeDlg::OnOK() {}

void CEndNoticeDlg::OnCancel() {
    StopCounting();
    CDialog::OnCancel();
}
