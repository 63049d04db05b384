#include "ui/TrayMenu.h"

namespace {

constexpr int kDelays[] = {15, 30, 60, 120};
constexpr const wchar_t* kDelayNames[] = {L"15分後", L"30分後", L"1時間後", L"2時間後"};
constexpr const wchar_t* kModeNames[] = {L"シャットダウン", L"再起動",   L"スタンバイ",
                                         L"ログオフ",       L"休止状態", L"ロック"};
constexpr int kModes = 6;
constexpr int kHibernateMode = 4;

} // namespace

CTrayMenu::CTrayMenu(const State& state, UINT exitCommand) : m_menu(::CreatePopupMenu()) {
    HMENU menu = m_menu.get();
    ::AppendMenuW(menu, MF_STRING, kShow, L"表示");
    ::SetMenuDefaultItem(menu, kShow, FALSE);
    if (state.onlyShow) {
        return;
    }
    // Submenus belong to the menu once appended, and go with it.
    HMENU timers = ::CreatePopupMenu();
    for (int d = 0; d < 4; ++d) {
        HMENU delay = ::CreatePopupMenu();
        for (int m = 0; m < kModes; ++m) {
            const bool greyed = m == kHibernateMode && !state.canHibernate;
            ::AppendMenuW(delay, MF_STRING | (greyed ? MF_GRAYED : 0),
                          kTimerFirst + static_cast<UINT>(d * kModes + m), kModeNames[m]);
        }
        ::AppendMenuW(timers, MF_POPUP, reinterpret_cast<UINT_PTR>(delay), kDelayNames[d]);
    }
    ::AppendMenuW(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(timers), L"タイマー");
    ::AppendMenuW(menu, MF_STRING, kWatch, L"条件で実行...");
    ::AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    const std::wstring skip =
        L"次回の実行をスキップ" + (state.next.empty() ? L"" : L"（" + state.next + L"）");
    ::AppendMenuW(menu, MF_STRING | (state.next.empty() ? MF_GRAYED : 0), kSkip, skip.c_str());
    // It cancels a condition too.
    ::AppendMenuW(menu, MF_STRING | (state.hasOneOffs || state.watchArmed ? 0 : MF_GRAYED),
                  kCancelTimers, L"タイマーを取り消す");
    if (state.watchArmed) {
        ::AppendMenuW(menu, MF_STRING, kCancelWatch, L"条件を取り消す");
    }
    ::AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    ::AppendMenuW(menu, MF_STRING, kHistory, L"履歴");
    ::AppendMenuW(menu, MF_STRING, exitCommand, L"プログラムの終了");
}

std::optional<CTrayMenu::Timer> CTrayMenu::TimerOf(UINT command) {
    if (command < kTimerFirst || command >= kTimerFirst + 4 * kModes) {
        return std::nullopt;
    }
    const UINT k = command - kTimerFirst;
    return Timer{static_cast<std::int32_t>(k % kModes), kDelays[k / kModes]};
}
