// Walks a fake clock through every second of 2027 and 2028 (a leap year) and
// compares what the due check reports with an expectation built from the
// standard library's calendar, second by second, together with the number of
// clock readings each check takes.
#include "schedule/DueChecker.h"
#include "schedule/EndMode.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <functional>
#include <map>
#include <vector>

namespace {

namespace cr = std::chrono;

// A clock that counts its readings and is advanced one second at a time with
// its own calendar arithmetic.
class WalkingClock final : public IClock {
public:
    const ClockReading& Read() override {
        ++reads;
        return now;
    }

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

struct Expected {
    int second; // of the day
    int mode;
    long long reads;
};

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
            if (dayPasses && e.sdMode != -1 && !due.count(at)) {
                due[at] = {at, e.sdMode, reads};
            }
        }
        const long long fullWalk = readsThrough.back();

        auto next = due.begin();
        for (int s = 0; s < 86400; ++s, clock.Tick()) {
            const long long before = clock.reads;
            const int mode = checker.CheckSchedule();
            const long long taken = clock.reads - before;
            int wantMode = -1;
            long long wantReads = fullWalk;
            if (next != due.end() && next->first == s) {
                wantMode = next->second.mode;
                wantReads = next->second.reads;
                ++next;
            }
            if (mode != -1) {
                ++reportsPerMode[mode];
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

    // Totals counted by hand for 2027 (starts on a Friday) and 2028 (leap,
    // starts on a Saturday).
    EXPECT_EQ(reportsPerMode[Reboot], 365 + 1);       // 2027 at 18:00, 29 Feb 2028
    EXPECT_EQ(reportsPerMode[Standby], 14 + 52 + 53); // the 31sts, Saturdays
    EXPECT_EQ(reportsPerMode[4], 365 + 366);          // 06:00 every day
    EXPECT_EQ(reportsPerMode[Shutdown], 365 + 366);   // midnight every day
    EXPECT_EQ(reportsPerMode.count(-1), 0u);
}

} // namespace
