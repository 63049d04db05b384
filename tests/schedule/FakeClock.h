#pragma once

#include "schedule/CivilTime.h"
#include "schedule/Clock.h"
#include "schedule/LocalTimeConverter.h"
#include "schedule/Uptime.h"

#include <cstdint>
#include <deque>
#include <optional>

// A clock that shows a set reading and counts how often it is read. Readings
// queued in `script` are handed out first, one per read. Its time is `utc`
// when set, else that of its reading in UTC.
class FakeClock final : public IClock {
public:
    const ClockReading& Read() override {
        ++reads;
        if (!script.empty()) {
            now = script.front();
            script.pop_front();
        }
        return now;
    }
    std::int64_t Time() override { return utc.value_or(CivilSecondOf(now)); }

    // The reading of `time` in `zone`.
    void Set(const ILocalTimeConverter& zone, std::int64_t time) {
        zone.ToLocal(time, now);
        utc = time;
    }

    ClockReading now;
    std::deque<ClockReading> script;
    std::optional<std::int64_t> utc;
    long long reads = 0;
};

// Uptime that moves only when told: Pass for time awake, Sleep for time asleep.
class FakeUptime final : public IUptime {
public:
    std::int64_t ElapsedMs() override { return elapsed; }
    std::int64_t AwakeMs() override { return awake; }
    void Pass(std::int64_t ms) { elapsed += ms, awake += ms; }
    void Sleep(std::int64_t ms) { elapsed += ms; }

    std::int64_t elapsed = 1000000;
    std::int64_t awake = 7000;
};

// Reading for a date and time; weekday given explicitly (Sunday = 0).
inline ClockReading At(int year, int month, int day, int weekday, int hour, int minute,
                       int second) {
    return {year, month, day, weekday, hour, minute, second};
}
