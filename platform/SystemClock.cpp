#include "platform/SystemClock.h"

#include "platform/SystemLocalTime.h"

#include <chrono>

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
    ClockReading reading;
    m_cached = CSystemLocalTime().ToLocal(now, reading) ? reading : ClockReading{};
    m_cachedTime = now;
}

std::int64_t CSystemClock::NowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}
