#include "platform/SystemLocalTime.h"

#include <climits>
#include <ctime>

static_assert(sizeof(std::time_t) == 8, "the conversion needs a 64-bit time_t");

bool CSystemLocalTime::ToLocal(std::int64_t time, ClockReading& reading) const {
    const std::time_t t = static_cast<std::time_t>(time);
    std::tm tm{};
#ifdef _WIN32
    const bool ok = localtime_s(&tm, &t) == 0;
#else
    const bool ok = localtime_r(&t, &tm) != nullptr;
#endif
    if (!ok || tm.tm_year > INT_MAX - 1900) {
        return false;
    }
    reading = {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_wday,
               tm.tm_hour,        tm.tm_min,     tm.tm_sec};
    return true;
}
