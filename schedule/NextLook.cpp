#include "schedule/NextLook.h"

#include <algorithm>
#include <optional>

namespace {

constexpr std::int64_t kMsPerSecond = 1000;

// Whole seconds since 1970 of a count of milliseconds, rounded down.
std::int64_t FloorSeconds(std::int64_t ms) {
    return ms >= 0 ? ms / kMsPerSecond : -((-ms + kMsPerSecond - 1) / kMsPerSecond);
}

void Earliest(std::optional<std::int64_t>& best, std::int64_t delay) {
    best = best ? std::min(*best, delay) : delay;
}

} // namespace

Look CNextLook::EverySecond(std::int64_t wallMs) {
    return {(FloorSeconds(wallMs) + 1) * kMsPerSecond + kIntoSecondMs - wallMs, 0};
}

Look CNextLook::After(std::int64_t wallMs, std::optional<std::int64_t> watchMs) {
    const std::int64_t nowMs = m_uptime.ElapsedMs();
    const std::int64_t second = FloorSeconds(wallMs);
    if (m_cycle.IsWarning()) {
        return EverySecond(wallMs);
    }
    // Looked at on time, and what may come a little late.
    std::optional<std::int64_t> onTime;
    std::optional<std::int64_t> loose;
    const std::optional<std::int64_t> waitMs = m_cycle.WaitingLookMs();
    if (!m_cycle.IsHeld() && !waitMs) {
        if (const std::optional<DueTime>& due = m_finder.Upcoming(second)) {
            Earliest(onTime, due->time * kMsPerSecond + kIntoSecondMs - wallMs);
        }
        const COneOffList& oneOffs = m_cycle.OneOffs();
        for (int i = 0; i < oneOffs.GetCount(); ++i) {
            const OneOff& o = oneOffs.GetAt(i);
            if (o.sd_mode != -1 && !o.waiting) {
                Earliest(onTime, o.dueMs - nowMs);
            }
        }
    }
    if (waitMs && !m_cycle.IsHeld()) {
        Earliest(loose, *waitMs - nowMs);
    }
    if (const std::optional<std::int64_t> holdEnd = m_wakeTimer.HoldEndMs()) {
        Earliest(loose, *holdEnd - nowMs);
    }
    if (watchMs) {
        Earliest(loose, *watchMs - nowMs);
    }
    // The guard may fire late by its tolerance and still come within a minute.
    Earliest(loose, kGuardMs - kToleranceMs);

    // A due second within the tolerance of the rest is looked at on time,
    // and serves for both.
    if (onTime && *onTime <= *loose + kToleranceMs) {
        return {std::max<std::int64_t>(*onTime, 0), 0};
    }
    return {std::max<std::int64_t>(*loose, 0), kToleranceMs};
}
