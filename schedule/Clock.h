#pragma once

#include <cstdint>
#include <string>

// One reading of the local time, in whole seconds.
struct ClockReading {
    int year = 0;    // full year, e.g. 2011
    int month = 0;   // 1 to 12
    int day = 0;     // day of the month, 1 to 31
    int weekday = 0; // 0 to 6, Sunday = 0
    int hour = 0;    // 0 to 23
    int minute = 0;  // 0 to 59
    int second = 0;  // 0 to 59
};

// The clock the due check and the clock text read, replaceable for tests.
// The reading returned stays valid until the next Read.
class IClock {
public:
    virtual const ClockReading& Read() = 0;
    // Seconds since 1970-01-01 00:00:00 UTC of the last Read's reading (the
    // same second, never the next one).
    virtual std::int64_t Time() = 0;

protected:
    ~IClock() = default;
};

// The main window's clock text: "%d/%d/%d" date, one space, "%2d:%02d:%02d"
// time. On 5 March 2011 at 9:05:07 it is "2011/3/5  9:05:07".
std::string FormatClockText(const ClockReading& reading);
