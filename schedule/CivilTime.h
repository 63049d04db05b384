#pragma once

#include "schedule/Clock.h"

#include <cstdint>

// Calendar arithmetic on wall-clock readings, in the proleptic Gregorian
// calendar. A civil second counts readings from 1970-01-01 00:00:00 as if
// every day had 86400 seconds: no time zone and no daylight saving time.

inline constexpr std::int64_t kSecondsPerDay = 86400;

struct CivilDate {
    std::int64_t year = 1970;
    int month = 1; // 1 to 12
    int day = 1;   // 1 to 31
};

bool IsLeapYear(std::int64_t year);
// Days in `month` (1 to 12) of `year`.
int DaysInMonth(std::int64_t year, int month);
// Days since 1970-01-01 of a valid date, and back.
std::int64_t DaysFromCivil(std::int64_t year, int month, int day);
CivilDate CivilFromDays(std::int64_t days);
// 0 to 6, Sunday = 0.
int WeekdayFromDays(std::int64_t days);

// Civil second of a reading (its weekday is not read), and the reading of a
// civil second, weekday included. The year must fit a ClockReading.
std::int64_t CivilSecondOf(const ClockReading& reading);
ClockReading ReadingAt(std::int64_t civilSecond);
