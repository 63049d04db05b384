#pragma once

#include "schedule/Clock.h"
#include "schedule/ScheduleList.h"
#include "schedule/SkipList.h"

#include <cstdint>
#include <optional>

// What fell due: an entry of the list, or a postponed occurrence.
struct DueOccurrence {
    std::int32_t mode = -1;
    int index = -1;             // the entry in list order; -1 for a one-off
    std::uint64_t oneOffId = 0; // the one-off; 0 for an entry
    std::int64_t second = 0;    // an entry's: the civil second in which it fell due
};

// The due check: which entry, if any, falls due at the current second.
// Each test reads the clock itself, so the day test and the time test of one
// entry use two separate readings. Fields are never validated: a value the
// clock cannot show simply never matches.
class CDueChecker {
public:
    CDueChecker(const ScheduleList& list, IClock& clock, const CSkipList* skips = nullptr)
        : m_list(list), m_clock(clock), m_skips(skips) {}

    // sd_mode of the first entry in list order that is due now; -1 when none
    // is. An entry whose sd_mode is -1 is therefore passed over.
    std::int32_t CheckSchedule() const;
    // Date mode: year, month and day (0 = any), then CheckTime.
    std::int32_t CheckDate(const CScheduleItem& item) const;
    // Weekday mode: bit w of week for weekday w, then CheckTime.
    std::int32_t CheckWeek(const CScheduleItem& item) const;
    // Hour, minute and second all equal those of the clock (no wildcard).
    bool CheckTime(const CScheduleItem& item) const;

    // The first entry in list order due in any of the civil seconds `first`
    // to `now` (CivilTime.h). The current second `now` is tested as
    // CheckSchedule tests it; the seconds before it, which late ticks
    // skipped, are tested as readings of their own, without the clock. An
    // entry's skipped occurrences are passed over.
    std::optional<DueOccurrence> FindDue(std::int64_t first, std::int64_t now) const;

private:
    // Index of the first entry from `from` on due now, as CheckSchedule finds
    // it; -1 if none.
    int FirstDueNow(int from = 0) const;
    bool Skipped(const CScheduleItem& item, std::int64_t second) const {
        return m_skips != nullptr && m_skips->Covers(item, second);
    }

    const ScheduleList& m_list;
    IClock& m_clock;
    const CSkipList* m_skips;
};
