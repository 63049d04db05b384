#include "ui/TrayPresence.h"

#include "ui/TrayMenu.h"

void CTrayPresence::Attach() {
    m_icon.Attach(m_wnd, kTrayMessage, [this](bool placed) { OnPlaced(placed); });
}

void CTrayPresence::StoreInTaskTray() {
    m_inTray = true;
    if (m_icon.Show()) {
        m_wnd.ShowWindow(SW_HIDE);
    } else if (!m_wnd.IsIconic()) {
        // No icon yet: a hidden window could not be reached at all.
        m_keepHidden = false;
        m_wnd.ShowWindow(SW_SHOWMINNOACTIVE);
    }
}

void CTrayPresence::OnPlaced(bool placed) {
    if (!m_inTray) {
        return;
    }
    if (m_wnd.IsWindowVisible() && !m_wnd.IsIconic()) {
        // The user brought the window back while the icon was being tried:
        // it stays as the user left it.
        ShowFromTray();
    } else if (placed) {
        m_wnd.ShowWindow(SW_HIDE);
    } else if (!m_wnd.IsWindowVisible()) {
        m_keepHidden = false;
        m_wnd.ShowWindow(SW_SHOWMINNOACTIVE);
    }
}

void CTrayPresence::ShowFromTray() {
    m_inTray = false;
    m_icon.Remove();
    m_keepHidden = false;
    m_wnd.ShowWindow(m_wnd.IsIconic() ? SW_RESTORE : SW_SHOW);
}

void CTrayPresence::OnNotify(WPARAM wParam, LPARAM lParam) {
    const CTrayIcon::Event event = m_icon.Decode(wParam, lParam);
    // A double-click follows a click's NIN_SELECT: the second show changes
    // nothing. Under version 4 a right-click comes as WM_CONTEXTMENU after its
    // WM_RBUTTONUP, which then must not open a menu of its own.
    if (event.code == NIN_SELECT || event.code == NIN_KEYSELECT || event.code == WM_LBUTTONDBLCLK) {
        ShowFromTray();
        ::SetForegroundWindow(m_wnd); // the keyboard goes on in the window
    } else if (event.code == (m_icon.IsVersion4() ? WM_CONTEXTMENU : WM_RBUTTONUP)) {
        ShowMenu(event.anchor);
    }
}

bool CTrayPresence::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kTrayMessage) {
        OnNotify(wParam, lParam);
        return true;
    }
    if (message == m_icon.TaskbarCreatedMessage()) {
        // Explorer restarted: without the icon a hidden window could not be
        // reached.
        m_icon.OnTaskbarCreated();
        return true;
    }
    if (message == WM_DPICHANGED) {
        m_icon.Rescale(LOWORD(wParam));
    } else if (message == WM_DISPLAYCHANGE ||
               // The shell's icon sizes may have changed with these.
               (message == WM_SETTINGCHANGE &&
                (wParam == SPI_SETICONMETRICS || wParam == SPI_SETNONCLIENTMETRICS))) {
        m_icon.Rescale();
    }
    return false;
}

void CTrayPresence::ShowMenu(POINT at) {
    // A dialog of ours is open when the window is disabled.
    const CTrayMenu::State state{m_nextDue.Text().skip, !m_scheduler.Cycle().OneOffs().IsEmpty(),
                                 !m_wnd.IsWindowEnabled(), m_canHibernate(),
                                 m_scheduler.Watch() != nullptr};
    // What スキップ names: that occurrence is dropped, and none if a warning
    // about it opened while the menu was open (the cycle refuses it then).
    const std::optional<DueTime> offered = m_nextDue.Due();
    const CTrayMenu menu(state, m_exitCommand);
    const UINT command = m_icon.TrackMenu(menu.Handle(), at);
    if (command == CTrayMenu::kShow) {
        ShowFromTray();
    } else if (state.onlyShow) {
        return; // the menu may have been opened before the dialog
    } else if (const std::optional<CTrayMenu::Timer> timer = CTrayMenu::TimerOf(command)) {
        m_scheduler.AddTimer(timer->mode, timer->minutes, CScheduler::By::Tray);
    } else if (command == CTrayMenu::kSkip && offered) {
        m_scheduler.Skip(*offered, CScheduler::By::Tray);
    } else if (command == CTrayMenu::kCancelTimers) {
        m_scheduler.CancelOneOffs(CScheduler::By::Tray);
    } else if (command == CTrayMenu::kCancelWatch) {
        m_scheduler.CancelWatch(CScheduler::By::Tray);
    } else if (command == m_exitCommand || command == CTrayMenu::kHistory ||
               command == CTrayMenu::kWatch) {
        m_wnd.SendMessage(WM_COMMAND, command); // the window's own commands
    }
}
