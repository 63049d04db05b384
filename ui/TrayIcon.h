#pragma once

#include <windows.h>

#include <shellapi.h>

#include "framework/Handle.h"

#include <functional>
#include <string>

// The program's icon in the notification area: added, kept there and removed.
// Adding can fail (at logon, before the taskbar is ready), so a failed add is
// tried again every 2 s for two minutes, and at every "TaskbarCreated", which
// this object registers once and lets through the window's message filter (an
// elevated run would not hear the shell otherwise). The owner window decides
// what to do while the icon is missing: it hears through `placedChanged` of
// every later try (a retry, or a TaskbarCreated) that fails or puts the icon
// in place. The icon speaks version 4, which brings the keyboard's events, and
// is drawn at the small-icon size of the window's screen.
class CTrayIcon {
public:
    using Notify = std::function<BOOL(DWORD, NOTIFYICONDATAW*)>;
    static constexpr UINT_PTR kRetryTimer = 3;
    static constexpr UINT kRetryInterval = 2000; // ms
    static constexpr int kRetries = 60;          // two minutes

    explicit CTrayIcon(Notify notify = ::Shell_NotifyIconW)
        : m_notify(std::move(notify)),
          m_taskbarCreated(::RegisterWindowMessageW(L"TaskbarCreated")) {}
    ~CTrayIcon() { Remove(); }
    CTrayIcon(const CTrayIcon&) = delete;
    CTrayIcon& operator=(const CTrayIcon&) = delete;

    // What a callback message says: the event (a mouse message, NIN_SELECT,
    // NIN_KEYSELECT, WM_CONTEXTMENU), and the screen point a menu belongs at.
    struct Event {
        UINT code;
        POINT anchor;
    };

    // The window that gets `callbackMessage` and the retry timer, and the
    // function told whether the icon is in place.
    void Attach(HWND wnd, UINT callbackMessage, std::function<void(bool)> placedChanged);
    // Wants the icon there: adds it, or starts the retries. True when it is in
    // place now.
    bool Show();
    // Wants it gone: removes it and stops the retries.
    void Remove();
    bool IsWanted() const { return m_wanted; }
    bool IsPlaced() const { return m_placed; }
    void SetTip(const std::wstring& tip);
    // The shell took version 4 at the last add: NIN_SELECT, NIN_KEYSELECT and
    // WM_CONTEXTMENU come; before it, only mouse messages.
    bool IsVersion4() const { return m_version4; }
    Event Decode(WPARAM wParam, LPARAM lParam) const;
    // The screen's scale or the shell's icon sizes changed: the icon is drawn
    // again at the small-icon size for `dpi` (0: the window's now), in place.
    void Rescale(UINT dpi = 0);
    // WM_TIMER with kRetryTimer: one more try. True when the id was ours.
    bool OnTimer(UINT_PTR id);
    // The id of "TaskbarCreated", sent when the shell restarted and forgot
    // every icon; then call OnTaskbarCreated.
    UINT TaskbarCreatedMessage() const { return m_taskbarCreated; }
    void OnTaskbarCreated();
    // Runs `menu` at `at` as the shell wants for a tray menu; returns the
    // chosen command or 0.
    UINT TrackMenu(HMENU menu, POINT at) const;

private:
    // One add; `tell`: the owner hears of a change.
    void TryAdd(bool tell);
    void StopRetries();
    unique_hicon LoadSmallIcon() const;

    Notify m_notify;
    UINT m_taskbarCreated = 0;
    HWND m_wnd = nullptr;
    UINT m_message = 0;
    std::function<void(bool)> m_placedChanged;
    std::wstring m_tip = L"Quillaberton";
    bool m_wanted = false;
    bool m_placed = false;
    bool m_version4 = false;
    UINT m_dpi = 0; // 0: the window's
    int m_retriesLeft = 0;
    bool m_retrying = false; // the retry timer runs
};
