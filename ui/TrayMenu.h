#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <type_traits>

// The tray icon's right-click menu: 表示, タイマー ▸ (a submenu per delay,
// an item per end action), 条件で実行..., 次回の実行をスキップ, タイマーを取り消す,
// 条件を取り消す (while a condition is armed), 履歴 and プログラムの終了.
class CTrayMenu {
public:
    static constexpr UINT kShow = 40001;
    static constexpr UINT kSkip = 40002;
    static constexpr UINT kCancelTimers = 40003;
    static constexpr UINT kHistory = 40004;
    static constexpr UINT kWatch = 40005;
    static constexpr UINT kCancelWatch = 40006;
    static constexpr UINT kTimerFirst = 40100; // + delay * 6 + end mode

    // What the menu offers. `next`: the next occurrence in words, empty when
    // nothing is due. `onlyShow`: a dialog of ours is open.
    struct State {
        std::wstring next;
        bool hasOneOffs = false;
        bool onlyShow = false;
        bool canHibernate = true; // else 休止状態 is greyed
        bool watchArmed = false;  // a condition is armed
    };
    // A quick timer's command: its end mode and delay.
    struct Timer {
        std::int32_t mode = 0;
        int minutes = 0;
    };

    explicit CTrayMenu(const State& state, UINT exitCommand);
    HMENU Handle() const { return m_menu.get(); }
    static std::optional<Timer> TimerOf(UINT command);

private:
    struct Destroy {
        void operator()(HMENU menu) const { ::DestroyMenu(menu); }
    };
    std::unique_ptr<std::remove_pointer_t<HMENU>, Destroy> m_menu;
};
