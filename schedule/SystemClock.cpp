#include "schedule/SystemClock.h"

CSystemClock::CSystemClock() {
    Convert(std::time(nullptr));
}

const ClockReading& CSystemClock::Read() {
    const std::time_t now = std::time(nullptr);
    if (now != m_cachedTime) [[unlikely]] {
        Convert(now);
    }
    return m_cached;
}

// Kept out of line so that the common path stays a time() call and a copy.
[[gnu::noinline]] void CSystemClock::Convert(std::time_t now) {
    std::tm tm{};
#ifdef _WIN32
    const bool ok = localtime_s(&tm, &now) == 0;
#else
    const bool ok = localtime_r(&now, &tm) != nullptr;
#endif
    m_cached = ok ? ClockReading{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_wday,
                                 tm.tm_hour,        tm.tm_min,     tm.tm_sec}
                  : ClockReading{};
    m_cachedTime = now;
}
