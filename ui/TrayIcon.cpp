#include "ui/TrayIcon.h"

#include "framework/WinApp.h"
#include "resource.h"
#include "ui/DpiMetrics.h"

namespace {

// The record the shell knows the icon by, of the size version 4 needs. Under
// version 4 the shell shows the standard tip only with NIF_SHOWTIP, so every
// record that sets the tip or the icon carries it.
NOTIFYICONDATAW Record(HWND wnd, UINT message, const std::wstring& tip, HICON icon) {
    NOTIFYICONDATAW nid{};
    nid.cbSize = sizeof nid;
    nid.hWnd = wnd;
    nid.uID = 0;
    nid.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP | NIF_SHOWTIP;
    nid.uCallbackMessage = message;
    nid.hIcon = icon;
    ::lstrcpynW(nid.szTip, tip.c_str(), ARRAYSIZE(nid.szTip));
    return nid;
}

} // namespace

void CTrayIcon::Attach(HWND wnd, UINT callbackMessage, std::function<void(bool)> placedChanged) {
    m_wnd = wnd;
    m_message = callbackMessage;
    m_placedChanged = std::move(placedChanged);
    if (m_taskbarCreated != 0) {
        ::ChangeWindowMessageFilterEx(wnd, m_taskbarCreated, MSGFLT_ALLOW, nullptr);
    }
}

bool CTrayIcon::Show() {
    m_wanted = true;
    if (!m_placed) {
        m_retriesLeft = kRetries;
        TryAdd(false);
    }
    return m_placed;
}

void CTrayIcon::Remove() {
    m_wanted = false;
    StopRetries();
    if (m_placed) {
        NOTIFYICONDATAW nid = Record(m_wnd, m_message, m_tip, nullptr);
        nid.uFlags = 0;
        m_notify(NIM_DELETE, &nid);
        m_placed = false; // meant: the owner is not told
    }
}

void CTrayIcon::SetTip(const std::wstring& tip) {
    if (tip == m_tip) {
        return;
    }
    m_tip = tip;
    if (m_placed) {
        NOTIFYICONDATAW nid = Record(m_wnd, m_message, m_tip, nullptr);
        nid.uFlags = NIF_TIP | NIF_SHOWTIP;
        m_notify(NIM_MODIFY, &nid);
    }
}

CTrayIcon::Event CTrayIcon::Decode(WPARAM wParam, LPARAM lParam) const {
    Event event{static_cast<UINT>(lParam), {}};
    if (m_version4) {
        // LOWORD the event, HIWORD the icon's id (0); wParam the point, signed
        // as screens left of or above the main one have it.
        event.code = LOWORD(lParam);
        event.anchor = {static_cast<short>(LOWORD(wParam)), static_cast<short>(HIWORD(wParam))};
    } else {
        ::GetCursorPos(&event.anchor);
    }
    return event;
}

void CTrayIcon::Rescale(UINT dpi) {
    m_dpi = dpi != 0 ? dpi : WindowDpi(m_wnd);
    if (!m_placed) {
        return; // the next add takes the new size
    }
    const unique_hicon icon = LoadSmallIcon();
    if (icon) {
        // Modified, not removed and added: the icon keeps its place.
        NOTIFYICONDATAW nid = Record(m_wnd, m_message, m_tip, icon.get());
        nid.uFlags = NIF_ICON | NIF_SHOWTIP;
        m_notify(NIM_MODIFY, &nid);
    }
}

bool CTrayIcon::OnTimer(UINT_PTR id) {
    if (id != kRetryTimer) {
        return false;
    }
    if (m_wanted && !m_placed && m_retriesLeft > 0) {
        --m_retriesLeft;
        TryAdd(true);
    } else {
        StopRetries();
    }
    return true;
}

void CTrayIcon::OnTaskbarCreated() {
    // The new taskbar has no icon of ours: added again, and the owner hears
    // only if that fails.
    if (m_wanted) {
        m_retriesLeft = kRetries;
        TryAdd(true);
    }
}

unique_hicon CTrayIcon::LoadSmallIcon() const {
    const UINT dpi = m_dpi != 0 ? m_dpi : WindowDpi(m_wnd);
    // Not shared, as its size is the screen's: the shell keeps its own copy.
    return unique_hicon(static_cast<HICON>(::LoadImageW(
        AfxGetResourceHandle(), MAKEINTRESOURCEW(IDR_MAINFRAME), IMAGE_ICON,
        SystemMetricForDpi(SM_CXSMICON, dpi), SystemMetricForDpi(SM_CYSMICON, dpi), 0)));
}

void CTrayIcon::TryAdd(bool tell) {
    const unique_hicon icon = LoadSmallIcon();
    NOTIFYICONDATAW nid = Record(m_wnd, m_message, m_tip, icon.get());
    // A busy shell may time out on an add and still carry it out; every add
    // after that fails, as the icon exists, but a modify finds it.
    const bool added = m_notify(NIM_ADD, &nid) != FALSE || m_notify(NIM_MODIFY, &nid) != FALSE;
    if (added) {
        // The shell forgets the version with the icon: asked after every add.
        nid.uVersion = NOTIFYICON_VERSION_4;
        m_version4 = m_notify(NIM_SETVERSION, &nid) != FALSE;
        StopRetries();
    } else {
        m_retrying = m_retrying || ::SetTimer(m_wnd, kRetryTimer, kRetryInterval, nullptr) != 0;
    }
    const bool changed = added != m_placed;
    m_placed = added;
    // Every failure is told: the owner may have to make the window reachable.
    if (tell && (changed || !added) && m_placedChanged) {
        m_placedChanged(added);
    }
}

void CTrayIcon::StopRetries() {
    if (m_retrying) {
        ::KillTimer(m_wnd, kRetryTimer);
        m_retrying = false;
    }
}

UINT CTrayIcon::TrackMenu(HMENU menu, POINT at) const {
    // The shell's rules: the window in front first, so that the menu closes
    // at a click elsewhere, and a message after it, so that it closes at once.
    ::SetForegroundWindow(m_wnd);
    const UINT command = static_cast<UINT>(::TrackPopupMenu(
        menu, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY, at.x, at.y, 0, m_wnd, nullptr));
    ::PostMessageW(m_wnd, WM_NULL, 0, 0);
    return command;
}
