#include "schedule/DueChecker.h"

#include "schedule/CivilTime.h"

#include <algorithm>
#include <array>

namespace {

// The day test of date mode against one reading.
bool DatePasses(const CScheduleItem& item, const ClockReading& r) {
    return (item.year == 0 || item.year == r.year) && (item.month == 0 || item.month == r.month) &&
           (item.day == 0 || item.day == r.day);
}

// The day test of weekday mode. Only bits 0 to 6 can ever be tested; the
// shift is guarded for odd clocks.
bool WeekPasses(const CScheduleItem& item, const ClockReading& r) {
    return r.weekday >= 0 && r.weekday < 7 &&
           (static_cast<std::uint32_t>(item.week) >> r.weekday & 1u) != 0;
}

bool TimePasses(const CScheduleItem& item, const ClockReading& r) {
    return item.hour == r.hour && item.minute == r.minute && item.second == r.second;
}

// At most this many skipped seconds are tested before the current one.
constexpr std::int64_t kMaxSkipped = 60;

} // namespace

std::int32_t CDueChecker::CheckSchedule() const {
    const int i = FirstDueNow();
    return i < 0 ? -1 : m_list.GetAt(i).sd_mode;
}

// Flattened: the per-entry tests are inlined into the walk.
[[gnu::flatten]] int CDueChecker::FirstDueNow(int from) const {
    const int count = m_list.GetCount();
    for (int i = from; i < count; ++i) {
        const CScheduleItem& item = m_list.GetAt(i);
        std::int32_t result = -1;
        if (item.time_mode == Date) {
            result = CheckDate(item);
        } else if (item.time_mode == Week) {
            result = CheckWeek(item);
        }
        if (result != -1) {
            return i;
        }
    }
    return -1;
}

std::int32_t CDueChecker::CheckDate(const CScheduleItem& item) const {
    if (!DatePasses(item, m_clock.Read())) {
        return -1;
    }
    return CheckTime(item) ? item.sd_mode : -1;
}

std::int32_t CDueChecker::CheckWeek(const CScheduleItem& item) const {
    if (!WeekPasses(item, m_clock.Read())) {
        return -1;
    }
    return CheckTime(item) ? item.sd_mode : -1;
}

bool CDueChecker::CheckTime(const CScheduleItem& item) const {
    return TimePasses(item, m_clock.Read());
}

std::optional<DueOccurrence> CDueChecker::FindDue(std::int64_t first, std::int64_t now) const {
    first = std::max(first, now - kMaxSkipped);
    if (first >= now) {
        for (int i = FirstDueNow(); i >= 0; i = FirstDueNow(i + 1)) {
            if (!Skipped(m_list.GetAt(i), now)) {
                return DueOccurrence{m_list.GetAt(i).sd_mode, i, 0, now};
            }
        }
    } else {
        // The skipped seconds as the clock would have shown them.
        std::array<ClockReading, kMaxSkipped> skipped;
        const std::size_t n = static_cast<std::size_t>(now - first);
        for (std::size_t k = 0; k < n; ++k) {
            skipped[k] = ReadingAt(first + static_cast<std::int64_t>(k));
        }
        const int count = m_list.GetCount();
        for (int i = 0; i < count; ++i) {
            const CScheduleItem& item = m_list.GetAt(i);
            if ((item.time_mode != Date && item.time_mode != Week) || item.sd_mode == -1) {
                continue;
            }
            const bool date = item.time_mode == Date;
            for (std::size_t k = 0; k < n; ++k) {
                const ClockReading& r = skipped[k];
                if (TimePasses(item, r) && (date ? DatePasses(item, r) : WeekPasses(item, r)) &&
                    !Skipped(item, first + static_cast<std::int64_t>(k))) {
                    return DueOccurrence{item.sd_mode, i, 0, first + static_cast<std::int64_t>(k)};
                }
            }
            const std::int32_t result = date ? CheckDate(item) : CheckWeek(item);
            if (result != -1 && !Skipped(item, now)) {
                return DueOccurrence{result, i, 0, now};
            }
        }
    }
    return std::nullopt;
}
