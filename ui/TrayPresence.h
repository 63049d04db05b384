#pragma once

#include "framework/Wnd.h"
#include "ui/NextDuePresenter.h"
#include "ui/Scheduler.h"
#include "ui/TrayIcon.h"
#include "ui/TrayMenu.h"

#include <functional>

// The main window's life in the notification area, and the icon's menu. In
// the tray the window is hidden once the icon is in place, and shown
// minimised on the taskbar while the icon cannot be added, so that it can
// always be reached; a window the user brings back meanwhile stays as the
// user left it. A click, Enter or Space on the icon, a double-click, a second
// start or 表示 bring it back. The menu opens at the point the shell gives
// (the menu key, Shift+F10 or a right-click); it records the occurrence its
// スキップ names and drops that one. Its 履歴, 条件で実行... and プログラムの終了
// come to the window as WM_COMMAND with CTrayMenu::kHistory, kWatch and the
// exit command.
class CTrayPresence {
public:
    // The icon's callback message (CTrayIcon::Decode).
    static constexpr UINT kTrayMessage = WM_USER + 1;

    // `canHibernate` tells the menu whether to offer 休止状態.
    CTrayPresence(CWnd& wnd, CScheduler& scheduler, const CNextDuePresenter& nextDue,
                  UINT exitCommand, CTrayIcon::Notify notify, std::function<bool()> canHibernate)
        : m_wnd(wnd), m_scheduler(scheduler), m_nextDue(nextDue), m_exitCommand(exitCommand),
          m_icon(std::move(notify)), m_canHibernate(std::move(canHibernate)) {}

    // The window has its handle.
    void Attach();
    // Whether the window may become visible: not from its start in the tray
    // until it is brought back.
    bool MayShow() const { return !m_keepHidden; }
    // The window starts shown.
    void StartShown() { m_keepHidden = false; }
    void StoreInTaskTray();
    void ShowFromTray();
    // The icon's callback message: back from the tray, or the menu.
    void OnNotify(WPARAM wParam, LPARAM lParam);
    // The window's messages that concern the icon: its callback, the
    // taskbar's restart, and a change of scale or icon size, after which it
    // is drawn again. False when the window's default handling must follow.
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    CTrayIcon& Icon() { return m_icon; }
    const CTrayIcon& Icon() const { return m_icon; }

private:
    void OnPlaced(bool placed);
    void ShowMenu(POINT at);

    CWnd& m_wnd;
    CScheduler& m_scheduler;
    const CNextDuePresenter& m_nextDue;
    UINT m_exitCommand;
    CTrayIcon m_icon;
    std::function<bool()> m_canHibernate;
    bool m_inTray = false;    // meant to be in the tray
    bool m_keepHidden = true; // from the start until the window is first shown
};
