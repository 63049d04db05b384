#include "ui/DpiMetrics.h"

namespace {

template <typename F>
F User32Proc(const char* name) {
    HMODULE user32 = ::GetModuleHandleW(L"user32.dll");
    return user32 == nullptr
               ? nullptr
               : reinterpret_cast<F>(reinterpret_cast<void (*)()>(::GetProcAddress(user32, name)));
}

UINT SystemDpi() {
    HDC screen = ::GetDC(nullptr);
    const int dpi = screen != nullptr ? ::GetDeviceCaps(screen, LOGPIXELSX) : 0;
    if (screen != nullptr) {
        ::ReleaseDC(nullptr, screen);
    }
    return dpi > 0 ? static_cast<UINT>(dpi) : USER_DEFAULT_SCREEN_DPI;
}

} // namespace

UINT WindowDpi(HWND wnd) {
    using Fn = UINT(WINAPI*)(HWND);
    const Fn forWindow = User32Proc<Fn>("GetDpiForWindow");
    const UINT dpi = forWindow != nullptr && wnd != nullptr ? forWindow(wnd) : 0;
    return dpi != 0 ? dpi : SystemDpi();
}

int SystemMetricForDpi(int index, UINT dpi) {
    using Fn = int(WINAPI*)(int, UINT);
    const Fn forDpi = User32Proc<Fn>("GetSystemMetricsForDpi");
    if (forDpi != nullptr) {
        return forDpi(index, dpi);
    }
    return ::MulDiv(::GetSystemMetrics(index), static_cast<int>(dpi),
                    static_cast<int>(SystemDpi()));
}
