#pragma once

// The notification area of Wine's shell desktop (tests registered with
// DESKTOP), which holds the tray icons as Windows' taskbar does.

#include "tests/e2e/driver/Driver.h"

#include <windows.h>

#include <string>

namespace qb::e2e {

// The visible tooltip of the shell, if any: its text.
inline std::wstring ShownShellTip() {
    std::wstring tip;
    ::EnumWindows(
        [](HWND w, LPARAM lp) -> BOOL {
            if (Driver::IsVisible(w) && Driver::ClassName(w) == L"tooltips_class32") {
                *reinterpret_cast<std::wstring*>(lp) = Driver::ReadText(w);
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&tip));
    return tip;
}

// The screen point of the program's icon, "x y" for xdotool, once the
// taskbar is there; empty otherwise. The shell draws its icons from the right
// end of the taskbar, one cell of a small icon and a border of 2 each; the
// program's is the only one.
inline std::wstring TrayIconPoint() {
    HWND taskbar = nullptr;
    if (!Driver::WaitUntil(
            [&] { return (taskbar = ::FindWindowW(L"Shell_TrayWnd", nullptr)) != nullptr; })) {
        return {};
    }
    RECT bar;
    ::GetClientRect(taskbar, &bar);
    POINT icon{bar.right - (::GetSystemMetrics(SM_CXSMICON) + 4) / 2, bar.bottom / 2};
    ::ClientToScreen(taskbar, &icon);
    return std::to_wstring(icon.x) + L" " + std::to_wstring(icon.y);
}

// Rests the pointer on the program's icon, coming from elsewhere, and reads
// the tip the shell shows.
inline std::wstring HoverTrayIcon(const Driver& driver) {
    const std::wstring at = TrayIconPoint();
    std::wstring tip;
    if (!at.empty() && driver.XdoTool(L"mousemove 0 0") &&
        Driver::WaitUntil([] { return ShownShellTip().empty(); }) &&
        driver.XdoTool(L"mousemove " + at) && driver.XdoTool(L"mousemove_relative 1 0")) {
        Driver::WaitUntil([&] { return !(tip = ShownShellTip()).empty(); });
    }
    return tip;
}

} // namespace qb::e2e
