#include "schedule/SystemClock.h"

namespace {
ClockReading Convert(std::time_t t) {
    std::tm tm{};
#ifdef _WIN32
    if (localtime_s(&tm, &t) != 0) {
        return {};
    }
#else
    if (localtime_r(&t, &tm) == nullptr) {
        return {};
    }
#endif
    return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_wday,
            tm.tm_hour,        tm.tm_min,     tm.tm_sec};
}
} // namespace

ClockReading CSystemClock::Read() {
    const std::time_t now = std::time(nullptr);
    if (now != m_cachedTime || now == -1) {
        m_cached = Convert(now);
        m_cachedTime = now;
    }
    return m_cached;
}
