#include "schedule/DueChecker.h"

// Flattened: the per-entry tests are inlined into the walk.
[[gnu::flatten]] std::int32_t CDueChecker::CheckSchedule() const {
    const int count = m_list.GetCount();
    for (int i = 0; i < count; ++i) {
        const CScheduleItem& item = m_list.GetAt(i);
        std::int32_t result = -1;
        if (item.time_mode == Date) {
            result = CheckDate(item);
        } else if (item.time_mode == Week) {
            result = CheckWeek(item);
        }
        if (result != -1) {
            return result;
        }
    }
    return -1;
}

std::int32_t CDueChecker::CheckDate(const CScheduleItem& item) const {
    const ClockReading& now = m_clock.Read();
    if (item.year != 0 && item.year != now.year) {
        return -1;
    }
    if (item.month != 0 && item.month != now.month) {
        return -1;
    }
    if (item.day != 0 && item.day != now.day) {
        return -1;
    }
    return CheckTime(item) ? item.sd_mode : -1;
}

std::int32_t CDueChecker::CheckWeek(const CScheduleItem& item) const {
    const ClockReading& now = m_clock.Read();
    // Only bits 0 to 6 can ever be tested; guard the shift for odd clocks.
    const bool dayMatches = now.weekday >= 0 && now.weekday < 7 &&
                            (static_cast<std::uint32_t>(item.week) >> now.weekday & 1u) != 0;
    if (!dayMatches) {
        return -1;
    }
    return CheckTime(item) ? item.sd_mode : -1;
}

bool CDueChecker::CheckTime(const CScheduleItem& item) const {
    const ClockReading& now = m_clock.Read();
    return item.hour == now.hour && item.minute == now.minute && item.second == now.second;
}
