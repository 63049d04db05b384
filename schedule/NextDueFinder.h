#pragma once

#include "schedule/Clock.h"
#include "schedule/LocalTimeConverter.h"
#include "schedule/OneOffList.h"
#include "schedule/ScheduleList.h"
#include "schedule/SkipList.h"

#include <cstdint>
#include <optional>

// When an entry next falls due.
struct DueTime {
    std::int64_t time = 0;      // seconds since 1970-01-01 00:00:00 UTC
    int index = 0;              // the entry in list order; -1 for a one-off
    std::uint64_t oneOffId = 0; // the one-off; 0 for an entry
    ClockReading reading;       // the local reading at `time`, as the clock shows it
};

// The first second strictly after a given time at which the due check would
// report an entry, over the list (the first entry in list order on a tie) or
// for one entry. The list's skipped occurrences do not count. Candidates are
// found in civil time and only the earliest is converted, so a search costs
// one pass over the list and a few conversions.
//
// The list's one-offs count by their own due times, after the entries on a
// tie. One whose time has come is still waiting to be warned about (the check
// was paused, or another warning was open): it comes first, with its own
// time. The one that waits for a busy user (CCheckCycle::Waiting) is shown
// by the cycle, not here.
//
// Local time is the converter's: a reading that daylight saving time skips
// never comes, and a reading that comes twice counts when it first comes.
// Past the end of the conversion's range (the Windows CRT stops after the
// year 3000) the clock can show nothing, so nothing falls due there.
class CNextDueFinder {
public:
    CNextDueFinder(const ScheduleList& list, const ILocalTimeConverter& converter,
                   const COneOffList* oneOffs = nullptr, const CSkipList* skips = nullptr)
        : m_list(list), m_converter(converter), m_oneOffs(oneOffs), m_skips(skips) {}

    std::optional<DueTime> NextDue(std::int64_t after) const;
    // One entry on its own; the result's index is 0.
    std::optional<DueTime> NextDueOf(const CScheduleItem& item, std::int64_t after) const;
    // Only the entries that wake the PC (a non-zero `wake`); no one-offs.
    std::optional<DueTime> NextWakeDue(std::int64_t after) const;

    // The next due time after `now`, kept between calls: it is computed again
    // only when `now` has reached an entry's answer, when `now` lies before the
    // time it was computed from (the clock was set back), or after Invalidate.
    // For any `now` in between, the kept answer is still the right one; a
    // one-off's stays until it is warned about, which changes the one-offs.
    const std::optional<DueTime>& Upcoming(std::int64_t now);
    // Call when the list, the one-offs, the skips or the local time conversion
    // (time zone) changed.
    void Invalidate() { m_kept = false; }

private:
    template <class GetItem>
    std::optional<DueTime> Search(std::int64_t after, int count, GetItem getItem,
                                  const CSkipList* skips, bool wakeOnly = false) const;

    const ScheduleList& m_list;
    const ILocalTimeConverter& m_converter;
    const COneOffList* m_oneOffs;
    const CSkipList* m_skips;

    bool m_kept = false;
    std::int64_t m_keptFrom = 0;
    std::optional<DueTime> m_upcoming;
};
