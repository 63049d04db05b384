#pragma once

#include "schedule/Clock.h"

#include <cstdint>
#include <ctime>

// The computer's local time from time() and the runtime's conversion
// (CSystemLocalTime).
// The due check reads the clock twice per entry, so the broken-down reading
// is kept for the calendar second it belongs to: while time() returns the
// same value, the conversion would give the same fields again.
class CSystemClock final : public IClock {
public:
    CSystemClock();
    const ClockReading& Read() override;
    std::int64_t Time() override { return static_cast<std::int64_t>(m_cachedTime); }
    // The system clock now, in milliseconds since 1970-01-01 00:00:00 UTC.
    static std::int64_t NowMs();

private:
    void Convert(std::time_t now);

    std::time_t m_cachedTime;
    ClockReading m_cached;
};
