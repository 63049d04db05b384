#include "schedule/WakeTimer.h"

#include <algorithm>

namespace {

// Seconds from 1601-01-01 (a FILETIME's start) to 1970-01-01, and its units.
constexpr std::int64_t kFileTimeTo1970 = 11644473600;
constexpr std::int64_t kFileTimePerSecond = 10000000;
constexpr std::uint32_t kWaitObject0 = 0;

} // namespace

CWakeTimer::~CWakeTimer() {
    Release();
    if (m_timer != nullptr) {
        m_platform.CloseHandle(m_timer);
    }
}

bool CWakeTimer::Update(std::int64_t now) {
    const std::optional<DueTime> due = m_finder.NextWakeDue(now + kLeadSeconds);
    m_setFor.reset();
    if (!due) {
        return m_timer == nullptr || m_platform.CancelWaitableTimer(m_timer);
    }
    if (m_timer == nullptr) {
        m_timer = m_platform.CreateWaitableTimerW(true);
    }
    if (m_timer == nullptr ||
        !m_platform.SetWaitableTimer(
            m_timer, (due->time - kLeadSeconds + kFileTimeTo1970) * kFileTimePerSecond, true)) {
        return false;
    }
    m_setFor = due->time;
    return true;
}

void CWakeTimer::OnWake(std::int64_t now) {
    if (m_setFor && m_platform.WaitForSingleObject(m_timer, 0) == kWaitObject0) {
        // Up to the bound after the occurrence's due time; none once past it
        // (the timer went off before a sleep that lasted beyond).
        const std::int64_t left =
            std::min(*m_setFor + kHoldAfterDueSeconds - now, kLeadSeconds + kHoldAfterDueSeconds);
        if (left > 0 && (m_heldFor || m_hold.Hold(CSleepHold::WakeTimer))) {
            m_heldFor = m_setFor;
            m_holdEndMs = m_uptime.ElapsedMs() + left * 1000;
        }
    }
    Update(now);
}

void CWakeTimer::OnWarningAnswered(std::int64_t now) {
    if (m_heldFor && now >= *m_heldFor) {
        Release();
    }
}

void CWakeTimer::Tick(std::int64_t now) {
    if (m_heldFor && m_uptime.ElapsedMs() >= m_holdEndMs) {
        Release();
    }
    if (m_setFor && now >= *m_setFor) {
        Update(now);
    }
}

void CWakeTimer::Release() {
    if (m_heldFor) {
        m_hold.Release(CSleepHold::WakeTimer);
        m_heldFor.reset();
    }
}
