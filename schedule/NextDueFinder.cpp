#include "schedule/NextDueFinder.h"

#include "schedule/CivilMatcher.h"
#include "schedule/CivilTime.h"
#include "schedule/LocalTimeMap.h"

std::optional<DueTime> CNextDueFinder::NextDue(std::int64_t after) const {
    return Search(
        after, m_list.GetCount(), [this](int i) -> const CScheduleItem& { return m_list.GetAt(i); },
        m_oneOffs, m_skips);
}

std::optional<DueTime> CNextDueFinder::NextDueOf(const CScheduleItem& item,
                                                 std::int64_t after) const {
    return Search(
        after, 1, [&item](int) -> const CScheduleItem& { return item; }, nullptr, nullptr);
}

const std::optional<DueTime>& CNextDueFinder::Upcoming(std::int64_t now) {
    if (!m_kept || now < m_keptFrom || (m_upcoming && now >= m_upcoming->time)) {
        m_upcoming = NextDue(now);
        m_keptFrom = now;
        m_kept = true;
    }
    return m_upcoming;
}

template <class GetItem>
std::optional<DueTime> CNextDueFinder::Search(std::int64_t after, int count, GetItem getItem,
                                              const COneOffList* oneOffs,
                                              const CSkipList* skips) const {
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
            std::optional<std::int64_t> next = matcher.Next(item);
            while (next && skips != nullptr && skips->Covers(item, *next)) {
                next = CCivilMatcher(*next).Next(item);
            }
            if (next && (!best || *next < *best)) {
                best = next;
                bestIndex = i;
            }
        }
        std::uint64_t bestOneOff = 0;
        for (int k = 0; oneOffs != nullptr && k < oneOffs->GetCount(); ++k) {
            const OneOff& o = oneOffs->GetAt(k);
            if (o.sd_mode != -1 && o.second > *floor && (!best || o.second < *best)) {
                best = o.second;
                bestIndex = -1;
                bestOneOff = o.id;
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
            return DueTime{shown.value, bestIndex, bestOneOff, ReadingAt(*best)};
        case CLocalTimeMap::Shown::Skipped:
            floor = shown.value - 1; // past the gap
            break;
        case CLocalTimeMap::Shown::OutOfRange:
            return std::nullopt; // and so is every later reading
        }
    }
}
