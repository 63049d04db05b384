#pragma once

#include "schedule/Clock.h"

#include <deque>

// A clock that shows a set reading and counts how often it is read. Readings
// queued in `script` are handed out first, one per read.
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

    ClockReading now;
    std::deque<ClockReading> script;
    long long reads = 0;
};

// Reading for a date and time; weekday given explicitly (Sunday = 0).
inline ClockReading At(int year, int month, int day, int weekday, int hour, int minute,
                       int second) {
    return {year, month, day, weekday, hour, minute, second};
}
