#pragma once

#include <cstdint>

// The warning's 15 seconds, on a clock that counts sleep (IUptime::ElapsedMs).
// The warning looks at it on each tick of its timers; a long gap between two
// looks means the user could not see the warning meanwhile (a stall or a
// sleep), and the warning must then be withdrawn as キャンセル would.
class CWarningCountdown {
public:
    static constexpr std::int64_t kTimeoutMs = 15000;
    static constexpr std::int64_t kStallMs =
        5000; // a longer gap between two looks: a stall or a sleep

    explicit CWarningCountdown(std::int64_t openedMs)
        : m_openedMs(openedMs), m_lastLookMs(openedMs) {}

    // A tick of either of the warning's timers (countdown every 200 ms,
    // time-out after 15 s). False when the gap since the last look (or the
    // opening) exceeded kStallMs, and at every look after that.
    bool Look(std::int64_t nowMs);
    // Whole seconds left, rounded up, never below 0 ("あと N 秒").
    int SecondsLeft(std::int64_t nowMs) const;

private:
    std::int64_t m_openedMs;
    std::int64_t m_lastLookMs;
    bool m_stalled = false;
};
