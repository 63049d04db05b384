#pragma once

#include "schedule/Clock.h"
#include "schedule/ScheduleList.h"

#include <cstdint>

// The due check: which entry, if any, falls due at the current second.
// Each test reads the clock itself, so the day test and the time test of one
// entry use two separate readings. Fields are never validated: a value the
// clock cannot show simply never matches.
class CDueChecker {
public:
    CDueChecker(const ScheduleList& list, IClock& clock) : m_list(list), m_clock(clock) {}

    // sd_mode of the first entry in list order that is due now; -1 when none
    // is. An entry whose sd_mode is -1 is therefore passed over.
    std::int32_t CheckSchedule() const;
    // Date mode: year, month and day (0 = any), then CheckTime.
    std::int32_t CheckDate(const CScheduleItem& item) const;
    // Weekday mode: bit w of week for weekday w, then CheckTime.
    std::int32_t CheckWeek(const CScheduleItem& item) const;
    // Hour, minute and second all equal those of the clock (no wildcard).
    bool CheckTime(const CScheduleItem& item) const;

private:
    const ScheduleList& m_list;
    IClock& m_clock;
};
