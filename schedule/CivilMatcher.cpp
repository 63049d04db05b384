#include "schedule/CivilMatcher.h"

#include <bit>

namespace {

// First day on or after `fromMonth`/`fromDay` of `year` with the given month
// and day (0 = any); nullopt when the rest of the year has none.
std::optional<std::int64_t> FirstInYear(std::int64_t year, int month, int day, int fromMonth,
                                        int fromDay) {
    const int lastMonth = month != 0 ? month : 12;
    for (int m = month != 0 ? month : fromMonth; m <= lastMonth; ++m) {
        if (m < fromMonth) {
            return std::nullopt;
        }
        const int firstDay = m == fromMonth ? fromDay : 1;
        const int want = day != 0 ? day : firstDay;
        if (want >= firstDay && want <= DaysInMonth(year, m)) {
            return DaysFromCivil(year, m, want);
        }
    }
    return std::nullopt;
}

} // namespace

CCivilMatcher::CCivilMatcher(std::int64_t afterCivilSecond) {
    std::int64_t days = afterCivilSecond / kSecondsPerDay;
    std::int64_t secondOfDay = afterCivilSecond % kSecondsPerDay;
    if (secondOfDay < 0) {
        secondOfDay += kSecondsPerDay;
        --days;
    }
    m_today = MakeDay(days);
    m_tomorrow = MakeDay(days + 1);
    m_secondOfDay = static_cast<int>(secondOfDay);
}

CCivilMatcher::CCivilMatcher(const ClockReading& after) : CCivilMatcher(CivilSecondOf(after)) {}

CCivilMatcher::Day CCivilMatcher::MakeDay(std::int64_t days) {
    return {days, CivilFromDays(days), WeekdayFromDays(days)};
}

std::optional<std::int64_t> CCivilMatcher::Next(const CScheduleItem& item) const {
    if (item.sd_mode == -1 || item.hour < 0 || item.hour >= 24 || item.minute < 0 ||
        item.minute >= 60 || item.second < 0 || item.second >= 60) {
        return std::nullopt;
    }
    const int secondOfDay = item.hour * 3600 + item.minute * 60 + item.second;
    // Today only if the time of day is still ahead.
    const Day& from = secondOfDay > m_secondOfDay ? m_today : m_tomorrow;

    std::int64_t days;
    if (item.time_mode == Week) {
        const std::uint32_t mask = static_cast<std::uint32_t>(item.week) & 0x7Fu;
        if (mask == 0) {
            return std::nullopt;
        }
        // Two weeks of bits, so that the days after `from` are one shift away.
        const std::uint32_t ahead = (mask | mask << 7) >> from.weekday;
        days = from.days + std::countr_zero(ahead);
    } else if (item.time_mode == Date) {
        const std::optional<std::int64_t> date = FirstDate(item, from);
        if (!date) {
            return std::nullopt;
        }
        days = *date;
    } else {
        return std::nullopt;
    }
    return days * kSecondsPerDay + secondOfDay;
}

std::optional<ClockReading> CCivilMatcher::NextReading(const CScheduleItem& item) const {
    const std::optional<std::int64_t> next = Next(item);
    return next ? std::optional(ReadingAt(*next)) : std::nullopt;
}

std::optional<std::int64_t> CCivilMatcher::FirstDate(const CScheduleItem& item, const Day& from) {
    const int month = item.month;
    const int day = item.day;
    if (month < 0 || month > 12 || day < 0 || day > 31 ||
        (month != 0 && day > DaysInMonth(2000, month))) { // 2000: the longest February
        return std::nullopt;
    }
    if (item.year != 0) {
        if (item.year < from.date.year) {
            return std::nullopt;
        }
        if (item.year > from.date.year) {
            return FirstInYear(item.year, month, day, 1, 1);
        }
    }
    std::optional<std::int64_t> found =
        FirstInYear(from.date.year, month, day, from.date.month, from.date.day);
    // Any year: the next year that has the date; 29 February can be eight
    // years away (2096, then 2104).
    for (std::int64_t year = from.date.year + 1;
         !found && item.year == 0 && year <= from.date.year + 8; ++year) {
        found = FirstInYear(year, month, day, 1, 1);
    }
    return found;
}
