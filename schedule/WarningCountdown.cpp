#include "schedule/WarningCountdown.h"

#include <algorithm>

bool CWarningCountdown::Look(std::int64_t nowMs) {
    // Once unseen, the warning stays withdrawn, whatever the next tick says.
    m_stalled = m_stalled || nowMs - m_lastLookMs > kStallMs;
    m_lastLookMs = std::max(m_lastLookMs, nowMs);
    return !m_stalled;
}

int CWarningCountdown::SecondsLeft(std::int64_t nowMs) const {
    const std::int64_t left = kTimeoutMs - std::max<std::int64_t>(nowMs - m_openedMs, 0);
    return left <= 0 ? 0 : static_cast<int>((left + 999) / 1000);
}
