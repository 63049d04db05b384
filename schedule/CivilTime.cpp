#include "schedule/CivilTime.h"

namespace {

// Floor division for the negative side of the epoch.
std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
    return a / b - (a % b != 0 && (a < 0) != (b < 0) ? 1 : 0);
}

} // namespace

bool IsLeapYear(std::int64_t year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(std::int64_t year, int month) {
    static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// Eras of 400 years (146097 days) starting on 1 March, so that the leap day
// is the last day of its year.
std::int64_t DaysFromCivil(std::int64_t year, int month, int day) {
    const std::int64_t y = year - (month <= 2 ? 1 : 0);
    const std::int64_t era = FloorDiv(y, 400);
    const std::int64_t yearOfEra = y - era * 400;
    const std::int64_t dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

CivilDate CivilFromDays(std::int64_t days) {
    const std::int64_t z = days + 719468;
    const std::int64_t era = FloorDiv(z, 146097);
    const std::int64_t dayOfEra = z - era * 146097;
    const std::int64_t yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::int64_t mp = (5 * dayOfYear + 2) / 153;
    const int day = static_cast<int>(dayOfYear - (153 * mp + 2) / 5 + 1);
    const int month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    return {yearOfEra + era * 400 + (month <= 2 ? 1 : 0), month, day};
}

int WeekdayFromDays(std::int64_t days) {
    // 1970-01-01 was a Thursday.
    return static_cast<int>(days + 4 - FloorDiv(days + 4, 7) * 7);
}

std::int64_t CivilSecondOf(const ClockReading& r) {
    return DaysFromCivil(r.year, r.month, r.day) * kSecondsPerDay + r.hour * 3600 + r.minute * 60 +
           r.second;
}

ClockReading ReadingAt(std::int64_t civilSecond) {
    const std::int64_t days = FloorDiv(civilSecond, kSecondsPerDay);
    const int secondOfDay = static_cast<int>(civilSecond - days * kSecondsPerDay);
    const CivilDate date = CivilFromDays(days);
    return {static_cast<int>(date.year),
            date.month,
            date.day,
            WeekdayFromDays(days),
            secondOfDay / 3600,
            secondOfDay / 60 % 60,
            secondOfDay % 60};
}
