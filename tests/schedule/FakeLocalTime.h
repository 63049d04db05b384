#pragma once

#include "schedule/LocalTimeConverter.h"

#include <chrono>
#include <cstdint>
#include <limits>

// Local time at a fixed offset from UTC by the standard library's calendar,
// an hour more from `dstFrom` up to `dstTo`, convertible up to `lastTime`.
// Counts its conversions.
class FakeLocalTime final : public ILocalTimeConverter {
public:
    explicit FakeLocalTime(std::int64_t offset = 0,
                           std::int64_t lastTime = std::numeric_limits<std::int64_t>::max(),
                           std::int64_t dstFrom = 0, std::int64_t dstTo = 0)
        : m_offset(offset), m_lastTime(lastTime), m_dstFrom(dstFrom), m_dstTo(dstTo) {}

    bool ToLocal(std::int64_t time, ClockReading& r) const override {
        ++conversions;
        if (time > m_lastTime) {
            return false;
        }
        using namespace std::chrono;
        const bool dst = time >= m_dstFrom && time < m_dstTo;
        const sys_seconds local{seconds{time + m_offset + (dst ? 3600 : 0)}};
        const sys_days day = floor<days>(local);
        const year_month_day ymd{day};
        const hh_mm_ss hms{local - day};
        r = {int(ymd.year()),           int(unsigned(ymd.month())),
             int(unsigned(ymd.day())),  int(weekday{day}.c_encoding()),
             int(hms.hours().count()),  int(hms.minutes().count()),
             int(hms.seconds().count())};
        return true;
    }

    mutable long long conversions = 0;

private:
    std::int64_t m_offset;
    std::int64_t m_lastTime;
    std::int64_t m_dstFrom;
    std::int64_t m_dstTo;
};
