#include "ui/ClockLine.h"

UINT CClockLine::NextSecondDelay() {
    FILETIME now{};
    ::GetSystemTimeAsFileTime(&now);
    const ULONGLONG ticks = ULONGLONG{now.dwHighDateTime} << 32 | now.dwLowDateTime; // 100 ns
    return static_cast<UINT>(1000 - ticks / 10000 % 1000 + 20);
}

void CClockLine::OnShown() {
    // Not visible yet while WM_SHOWWINDOW runs: the timer goes on until a
    // tick finds the window hidden again.
    m_text.SetWindowText(FormatClockText(m_clock.Read()));
    m_wnd.SetTimer(kTimer, NextSecondDelay());
}

void CClockLine::OnTick() {
    m_text.SetWindowText(FormatClockText(m_clock.Read()));
    if (m_wnd.IsWindowVisible() && !m_wnd.IsIconic()) {
        m_wnd.SetTimer(kTimer, NextSecondDelay());
    } else {
        m_wnd.KillTimer(kTimer);
    }
}
