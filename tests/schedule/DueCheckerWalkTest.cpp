// Walks a fake clock through every second of 2027 and 2028 (a leap year) and
// compares what the due check reports with an expectation built from the
// standard library's calendar, second by second, together with the number of
// clock readings each check takes. Each report must also be the next due
// time computed before it, for a fixed mix of entries and for random ones.
#include "FakeLocalTime.h"
#include "schedule/CivilTime.h"
#include "schedule/DueChecker.h"
#include "schedule/EndMode.h"
#include "schedule/NextDueFinder.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <functional>
#include <map>
#include <random>
#include <vector>

namespace {

namespace cr = std::chrono;

// Local time of the walk: Tokyo's fixed offset, so that calendar times and
// readings differ.
constexpr std::int64_t kOffset = 9 * 3600;

// A clock that counts its readings and is advanced one second at a time with
// its own calendar arithmetic.
class WalkingClock final : public IClock {
public:
    const ClockReading& Read() override {
        ++reads;
        return now;
    }
    std::int64_t Time() override { return CivilSecondOf(now) - kOffset; }

    void Tick() {
        if (++now.second < 60) {
            return;
        }
        now.second = 0;
        if (++now.minute < 60) {
            return;
        }
        now.minute = 0;
        if (++now.hour < 24) {
            return;
        }
        now.hour = 0;
        now.weekday = (now.weekday + 1) % 7;
        if (++now.day <= DaysInMonth(now.year, now.month)) {
            return;
        }
        now.day = 1;
        if (++now.month <= 12) {
            return;
        }
        now.month = 1;
        ++now.year;
    }

    ClockReading now;
    long long reads = 0;

private:
    static int DaysInMonth(int year, int month) {
        static constexpr std::array<int, 12> days{31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
        const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
        return month == 2 && leap ? 29 : days[static_cast<std::size_t>(month - 1)];
    }
};

using DayRule = std::function<bool(const cr::year_month_day&, const cr::weekday&)>;

struct WalkEntry {
    int timeMode, year, month, day, week, hour, minute, second, sdMode;
    DayRule days; // the days on which the entry passes its day test
};

CScheduleItem ToItem(const WalkEntry& e) {
    CScheduleItem item;
    item.time_mode = e.timeMode;
    item.year = e.year;
    item.month = e.month;
    item.day = e.day;
    item.week = e.week;
    item.hour = e.hour;
    item.minute = e.minute;
    item.second = e.second;
    item.sd_mode = e.sdMode;
    return item;
}

const auto kNever = [](const cr::year_month_day&, const cr::weekday&) { return false; };
const auto kDaily = [](const cr::year_month_day&, const cr::weekday&) { return true; };

const std::vector<WalkEntry>& Entries() {
    using namespace std::chrono;
    static const std::vector<WalkEntry> entries = {
        // time mode 2: never due, never reads the clock
        {2, 0, 0, 0, 127, 0, 0, 0, Shutdown, kNever},
        // 29 February, any year
        {0, 0, 2, 29, 0, 12, 0, 0, Reboot,
         [](auto& d, auto&) { return d.month() == February && d.day() == day{29}; }},
        // the 31st of any month
        {0, 0, 0, 31, 0, 23, 59, 59, Standby, [](auto& d, auto&) { return d.day() == day{31}; }},
        // Mondays and Fridays
        {1, 0, 0, 0, 2 | 32, 8, 30, 0, Logoff,
         [](auto&, auto& w) { return w == Monday || w == Friday; }},
        // Sundays; bit 7 is never tested
        {1, 0, 0, 0, 1 | 128, 0, 0, 0, Shutdown, [](auto&, auto& w) { return w == Sunday; }},
        // the 1st of each month of 2028, end mode -1: never reported
        {0, 2028, 0, 1, 0, 6, 0, 0, -1,
         [](auto& d, auto&) { return d.year() == year{2028} && d.day() == day{1}; }},
        // every day, end mode 4 reported as it is
        {0, 0, 0, 0, 0, 6, 0, 0, 4, kDaily},
        // every day of 2027, and every day in weekday mode: same second
        {0, 2027, 0, 0, 0, 18, 0, 0, Reboot, [](auto& d, auto&) { return d.year() == year{2027}; }},
        {1, 0, 0, 0, 127, 18, 0, 0, Logoff, kDaily},
        // empty weekday mask; 31 April: fail their day tests every day
        {1, 0, 0, 0, 0, 0, 0, 0, Shutdown, kNever},
        {0, 0, 4, 31, 0, 0, 0, 0, Standby, kNever},
        // Saturdays; date fields ignored in weekday mode
        {1, 1999, 13, 40, 64, 21, 15, 30, Standby, [](auto&, auto& w) { return w == Saturday; }},
        // a new entry: midnight every day (after the Sunday entry)
        {0, 0, 0, 0, 0, 0, 0, 0, Shutdown, kDaily},
        // 31 December, always behind the 31st entry
        {0, 0, 12, 31, 0, 23, 59, 59, Logoff,
         [](auto& d, auto&) { return d.month() == December && d.day() == day{31}; }},
    };
    return entries;
}

bool SameReading(const ClockReading& a, const ClockReading& b) {
    return a.year == b.year && a.month == b.month && a.day == b.day && a.weekday == b.weekday &&
           a.hour == b.hour && a.minute == b.minute && a.second == b.second;
}

// Follows the reports of a walk: each one must be the next due time computed
// from the report before it and from the second before it.
class DueChain {
public:
    DueChain(const ScheduleList& list, std::int64_t firstSecond)
        : m_finder(list, m_local), m_last(firstSecond - 1) {}

    // `second` is the walk's reading as a civil second.
    void Report(std::int64_t second, int index, const ClockReading& reading) {
        for (const std::int64_t after : {m_last, second - 1}) {
            Expect(m_finder.NextDue(after - kOffset), second, index, reading);
        }
        m_last = second;
    }
    // One entry on its own, from its own previous due time `last`.
    void ReportEntry(const CScheduleItem& item, std::int64_t& last, std::int64_t second,
                     const ClockReading& reading) {
        Expect(m_finder.NextDueOf(item, last - kOffset), second, 0, reading);
        last = second;
    }
    // After the walk's last report the next due time lies beyond its end.
    void Finish(std::optional<DueTime> due, std::int64_t end) {
        if (due && due->time + kOffset < end && ++mismatches <= 10) {
            ADD_FAILURE() << "due at " << FormatClockText(due->reading) << " within the walk";
        }
    }
    void Finish(std::int64_t end) { Finish(m_finder.NextDue(m_last - kOffset), end); }
    void FinishEntry(const CScheduleItem& item, std::int64_t last, std::int64_t end) {
        Finish(m_finder.NextDueOf(item, last - kOffset), end);
    }

    long long mismatches = 0;

private:
    void Expect(const std::optional<DueTime>& due, std::int64_t second, int index,
                const ClockReading& reading) {
        const bool same = due && due->time == second - kOffset && due->index == index &&
                          SameReading(due->reading, reading);
        if (!same && ++mismatches <= 10) {
            ADD_FAILURE() << "at " << FormatClockText(reading) << " entry " << index
                          << ": next due "
                          << (due ? FormatClockText(due->reading) + " entry " +
                                        std::to_string(due->index)
                                  : std::string("none"));
        }
    }

    const FakeLocalTime m_local{kOffset};
    CNextDueFinder m_finder;
    std::int64_t m_last;
};

struct Expected {
    int second; // of the day
    int mode;
    long long reads;
    int index;
};

std::int64_t CivilSecond(std::chrono::sys_days day, int secondOfDay) {
    return std::int64_t{day.time_since_epoch().count()} * 86400 + secondOfDay;
}

TEST(DueCheckerWalk, EverySecondOfTwoYearsMatchesTheCalendar) {
    using namespace std::chrono;
    ScheduleList list;
    for (const WalkEntry& e : Entries()) {
        list.AddTail(ToItem(e));
    }
    const std::size_t n = Entries().size();

    const sys_days first = 2027y / January / 1;
    const sys_days end = 2029y / January / 1;
    WalkingClock clock;
    clock.now = {2027, 1, 1, static_cast<int>(weekday{first}.c_encoding()), 0, 0, 0};
    CDueChecker checker(list, clock);
    DueChain chain(list, CivilSecond(first, 0));
    std::vector<std::int64_t> lastOfEntry(n, CivilSecond(first, 0) - 1);

    long long mismatches = 0;
    std::map<int, int> reportsPerMode;
    for (sys_days d = first; d < end; d += days{1}) {
        const year_month_day ymd{d};
        const weekday wd{d};
        const ClockReading& c = clock.now;
        ASSERT_EQ(c.year, int(ymd.year()));
        ASSERT_EQ(c.month, int(unsigned(ymd.month())));
        ASSERT_EQ(c.day, int(unsigned(ymd.day())));
        ASSERT_EQ(c.weekday, int(wd.c_encoding()));
        ASSERT_EQ(c.hour * 3600 + c.minute * 60 + c.second, 0);

        // Readings up to and including each entry: a day test costs one, a
        // time test one more, other modes nothing.
        std::vector<long long> readsThrough(n);
        std::map<int, Expected> due; // by second of the day, first entry wins
        long long reads = 0;
        for (std::size_t i = 0; i < n; ++i) {
            const WalkEntry& e = Entries()[i];
            const bool dayPasses = e.days(ymd, wd);
            if (e.timeMode == 0 || e.timeMode == 1) {
                reads += dayPasses ? 2 : 1;
            }
            readsThrough[i] = reads;
            const int at = e.hour * 3600 + e.minute * 60 + e.second;
            if (dayPasses && e.sdMode != -1) {
                if (!due.count(at)) {
                    due[at] = {at, e.sdMode, reads, static_cast<int>(i)};
                }
                chain.ReportEntry(ToItem(e), lastOfEntry[i], CivilSecond(d, at),
                                  {c.year, c.month, c.day, c.weekday, e.hour, e.minute, e.second});
            }
        }
        const long long fullWalk = readsThrough.back();

        auto next = due.begin();
        for (int s = 0; s < 86400; ++s, clock.Tick()) {
            const long long before = clock.reads;
            const int mode = checker.CheckSchedule();
            const long long taken = clock.reads - before;
            int wantMode = -1;
            int wantIndex = -1;
            long long wantReads = fullWalk;
            if (next != due.end() && next->first == s) {
                wantMode = next->second.mode;
                wantIndex = next->second.index;
                wantReads = next->second.reads;
                ++next;
            }
            if (mode != -1) {
                ++reportsPerMode[mode];
                if (mode == wantMode) {
                    chain.Report(CivilSecond(d, s), wantIndex, clock.now);
                }
            }
            if (mode != wantMode || taken != wantReads) {
                if (++mismatches <= 10) {
                    ADD_FAILURE() << int(ymd.year()) << "-" << unsigned(ymd.month()) << "-"
                                  << unsigned(ymd.day()) << " second " << s << ": mode " << mode
                                  << " (want " << wantMode << "), reads " << taken << " (want "
                                  << wantReads << ")";
                }
            }
        }
    }
    EXPECT_EQ(mismatches, 0);
    chain.Finish(CivilSecond(end, 0));
    for (std::size_t i = 0; i < n; ++i) {
        chain.FinishEntry(ToItem(Entries()[i]), lastOfEntry[i], CivilSecond(end, 0));
    }
    EXPECT_EQ(chain.mismatches, 0);

    // Totals counted by hand for 2027 (starts on a Friday) and 2028 (leap,
    // starts on a Saturday).
    EXPECT_EQ(reportsPerMode[Reboot], 365 + 1);       // 2027 at 18:00, 29 Feb 2028
    EXPECT_EQ(reportsPerMode[Standby], 14 + 52 + 53); // the 31sts, Saturdays
    EXPECT_EQ(reportsPerMode[4], 365 + 366);          // 06:00 every day
    EXPECT_EQ(reportsPerMode[Shutdown], 365 + 366);   // midnight every day
    EXPECT_EQ(reportsPerMode.count(-1), 0u);
}

// A random entry whose end mode is its index, so that a report names it.
// Hours, minutes and seconds favour 0 and 12 so that entries share seconds;
// about one entry in two has one value that is never due.
CScheduleItem RandomEntry(std::mt19937& rng, int index) {
    const auto in = [&rng](int lo, int hi) { return std::uniform_int_distribution(lo, hi)(rng); };
    const auto pick = [&](std::initializer_list<int> values) {
        return values.begin()[in(0, int(values.size()) - 1)];
    };
    CScheduleItem item;
    item.time_mode = pick({Date, Date, Week});
    item.year = pick({0, 0, 0, 2027, 2028});
    item.month = pick({0, 0, in(1, 12)});
    item.day = pick({0, 0, in(1, 31), 29, 31});
    item.week = in(0, 255);
    item.hour = pick({in(0, 23), 0, 12});
    item.minute = pick({in(0, 59), 0});
    item.second = pick({in(0, 59), 0});
    item.sd_mode = index;
    switch (in(0, 15)) {
    case 0:
        item.time_mode = pick({2, -1});
        break;
    case 1:
        item.year = pick({2026, 2029});
        break;
    case 2:
        item.month = pick({13, -1});
        break;
    case 3:
        item.day = pick({32, -1});
        break;
    case 4:
        item.month = pick({2, 4}), item.day = 30 + (item.month == 4);
        break;
    case 5:
        item.hour = pick({24, -1});
        break;
    case 6:
        item.minute = pick({60, -1});
        break;
    case 7:
        item.second = pick({60, -1});
        break;
    case 8:
        item.sd_mode = -1;
        break;
    }
    return item;
}

TEST(DueCheckerWalk, RandomListsReportAtTheNextDueTime) {
    using namespace std::chrono;
    constexpr unsigned kSeed = 20260611;
    SCOPED_TRACE(testing::Message() << "seed " << kSeed);
    std::mt19937 rng(kSeed);
    ScheduleList list;
    for (int i = 0; i < 16; ++i) {
        list.AddTail(RandomEntry(rng, i));
    }

    const sys_days first = 2027y / January / 1;
    const sys_days end = 2029y / January / 1;
    WalkingClock clock;
    clock.now = {2027, 1, 1, static_cast<int>(weekday{first}.c_encoding()), 0, 0, 0};
    CDueChecker checker(list, clock);
    DueChain chain(list, CivilSecond(first, 0));
    long long reports = 0;
    for (std::int64_t t = CivilSecond(first, 0); t < CivilSecond(end, 0); ++t, clock.Tick()) {
        const int index = checker.CheckSchedule();
        if (index != -1) {
            ++reports;
            chain.Report(t, index, clock.now);
        }
    }
    chain.Finish(CivilSecond(end, 0));
    EXPECT_EQ(chain.mismatches, 0);
    EXPECT_GT(reports, 100); // the mix does fall due

    // Late ticks through February 2028: each check covers the 1 to
    // 60 seconds since the one before, and reports the first entry in list
    // order that falls due in any of them, by each entry's own next due time.
    const FakeLocalTime local(kOffset);
    const CNextDueFinder finder(list, local);
    long long caught = 0;
    long long late = 0;
    for (std::int64_t t = CivilSecond(2028y / February / 1, 0);
         t < CivilSecond(2028y / March / 1, 0);) {
        const std::int64_t now = t + std::uniform_int_distribution<std::int64_t>(1, 60)(rng);
        clock.now = ReadingAt(now);
        const std::optional<DueOccurrence> due = checker.FindDue(t + 1, now);
        int want = -1;
        for (int i = 0; i < list.GetCount() && want < 0; ++i) {
            const std::optional<DueTime> next = finder.NextDueOf(list.GetAt(i), t - kOffset);
            want = next && next->time + kOffset <= now ? i : -1;
        }
        if ((due ? due->index : -1) != want && ++late <= 10) {
            ADD_FAILURE() << "up to " << FormatClockText(clock.now) << ": entry "
                          << (due ? due->index : -1) << ", want " << want;
        }
        caught += want >= 0 && now - t > 1;
        t = now;
    }
    EXPECT_EQ(late, 0);
    EXPECT_GT(caught, 50); // most reports come from skipped seconds
}

} // namespace
