#include "schedule/CheckCycle.h"

void CCheckCycle::OnTimer(std::uintptr_t id) {
    if (id == kClockTimer) {
        m_host.SetClockText(FormatClockText(m_clock.Read()));
    } else if (id == kCheckTimer) {
        Check();
    }
}

void CCheckCycle::Check() {
    const std::int32_t mode = m_checker.CheckSchedule();
    if (mode == -1) {
        return;
    }
    // Stop checking first, so that no second warning can open from the
    // warning's own message loop.
    m_host.StopCheckTimer();
    if (m_host.Warn(mode) == kWarnCancelled) {
        m_host.RestartCheckTimer();
        return;
    }
    // Time-out, or a warning that could not be shown: the action goes ahead.
    // Timer 2 stays stopped.
    m_host.ExecuteEndMode(mode);
    m_host.Close();
}
