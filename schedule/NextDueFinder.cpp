#include "schedule/NextDueFinder.h"

#include "schedule/CivilMatcher.h"
#include "schedule/CivilTime.h"
#include "schedule/LocalTimeMap.h"

std::optional<DueTime> CNextDueFinder::NextDue(std::int64_t after) const {
    std::optional<DueTime> due = Search(
        after, m_list.GetCount(), [this](int i) -> const CScheduleItem& { return m_list.GetAt(i); },
        m_skips);
    const OneOff* next = m_oneOffs != nullptr ? m_oneOffs->Next() : nullptr;
    ClockReading reading;
    if (next != nullptr && (!due || next->time < due->time) &&
        m_converter.ToLocal(next->time, reading)) {
        due = DueTime{next->time, -1, next->id, reading};
    }
    return due;
}

std::optional<DueTime> CNextDueFinder::NextDueOf(const CScheduleItem& item,
                                                 std::int64_t after) const {
    return Search(
        after, 1, [&item](int) -> const CScheduleItem& { return item; }, nullptr);
}

std::optional<DueTime> CNextDueFinder::NextWakeDue(std::int64_t after) const {
    return Search(
        after, m_list.GetCount(), [this](int i) -> const CScheduleItem& { return m_list.GetAt(i); },
        m_skips, true);
}

const std::optional<DueTime>& CNextDueFinder::Upcoming(std::int64_t now) {
    if (!m_kept || now < m_keptFrom ||
        (m_upcoming && m_upcoming->index >= 0 && now >= m_upcoming->time)) {
        m_upcoming = NextDue(now);
        m_keptFrom = now;
        m_kept = true;
    }
    return m_upcoming;
}

template <class GetItem>
std::optional<DueTime> CNextDueFinder::Search(std::int64_t after, int count, GetItem getItem,
                                              const CSkipList* skips, bool wakeOnly) const {
    const CLocalTimeMap map(m_converter);
    // Readings up to this one have been shown by `after`.
    std::optional<std::int64_t> floor = map.LatestShownBy(after);
    if (!floor) {
        return std::nullopt;
    }
    for (;;) {
        const CCivilMatcher matcher(*floor);
        std::optional<std::int64_t> best;
        int bestIndex = -1;
        for (int i = 0; i < count; ++i) {
            const CScheduleItem& item = getItem(i);
            if (wakeOnly && item.wake == 0) {
                continue;
            }
            std::optional<std::int64_t> next = matcher.Next(item);
            while (next && skips != nullptr && skips->Covers(item, *next)) {
                next = CCivilMatcher(*next).Next(item);
            }
            if (next && (!best || *next < *best)) {
                best = next;
                bestIndex = i;
            }
        }
        if (!best) {
            return std::nullopt;
        }
        // The first time of a later reading is later, so the earliest reading
        // that comes at all is the answer.
        const CLocalTimeMap::Shown shown = map.FirstShown(*best);
        switch (shown.kind) {
        case CLocalTimeMap::Shown::At:
            return DueTime{shown.value, bestIndex, 0, ReadingAt(*best)};
        case CLocalTimeMap::Shown::Skipped:
            floor = shown.value - 1; // past the gap
            break;
        case CLocalTimeMap::Shown::OutOfRange:
            return std::nullopt; // and so is every later reading
        }
    }
}
