#pragma once

#include "schedule/CivilTime.h"
#include "schedule/Clock.h"
#include "schedule/ScheduleItem.h"

#include <cstdint>
#include <optional>

// The due check's rule in civil time (see CivilTime.h): the first wall-clock
// reading strictly after a given one at which an entry would be reported.
// Pure calendar arithmetic: a handful of steps per entry however far ahead
// the match lies. Never matched: sd_mode -1, a time_mode other than 0 or 1,
// an hour, minute or second the clock cannot show, a weekday mask without
// any of bits 0 to 6, and a date that cannot come (30 February, month 13,
// day 32, 29 February of a common year, a year already past).
class CCivilMatcher {
public:
    explicit CCivilMatcher(std::int64_t afterCivilSecond);
    explicit CCivilMatcher(const ClockReading& after);

    // Civil second of the entry's first match after the reading.
    std::optional<std::int64_t> Next(const CScheduleItem& item) const;
    // The same as a reading, weekday included.
    std::optional<ClockReading> NextReading(const CScheduleItem& item) const;

private:
    struct Day {
        std::int64_t days; // since 1970-01-01
        CivilDate date;
        int weekday;
    };

    static Day MakeDay(std::int64_t days);
    static std::optional<std::int64_t> FirstDate(const CScheduleItem& item, const Day& from);

    Day m_today;    // the date of the reading
    Day m_tomorrow; // the day after it
    int m_secondOfDay;
};
