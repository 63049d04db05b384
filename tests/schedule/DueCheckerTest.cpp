#include "FakeClock.h"
#include "schedule/DueChecker.h"
#include "schedule/EndMode.h"
#include "platform/SystemClock.h"
#include "platform/SystemLocalTime.h"
#include "platform/SystemUptime.h"

#include <gtest/gtest.h>

#include <chrono>
#include <ctime>

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

CScheduleItem DateEntry(int year, int month, int day, int h, int m, int s, int mode) {
    CScheduleItem item;
    item.time_mode = Date;
    item.year = year;
    item.month = month;
    item.day = day;
    item.hour = h;
    item.minute = m;
    item.second = s;
    item.sd_mode = mode;
    return item;
}

CScheduleItem WeekEntry(int week, int h, int m, int s, int mode) {
    CScheduleItem item;
    item.time_mode = Week;
    item.week = week;
    item.hour = h;
    item.minute = m;
    item.second = s;
    item.sd_mode = mode;
    return item;
}

class DueCheckerTest : public ::testing::Test {
protected:
    // Result of CheckSchedule for a list holding only `item`, at `when`.
    int DueAt(const CScheduleItem& item, const ClockReading& when) {
        list.RemoveAll();
        list.AddTail(item);
        clock.now = when;
        return checker.CheckSchedule();
    }

    ScheduleList list;
    FakeClock clock;
    CDueChecker checker{list, clock};
};

// 5 March 2011 was a Saturday.
const ClockReading kSat = At(2011, 3, 5, 6, 12, 30, 0);

TEST_F(DueCheckerTest, EmptyListIsNeverDueAndReadsNothing) {
    clock.now = kSat;
    EXPECT_EQ(checker.CheckSchedule(), -1);
    EXPECT_EQ(clock.reads, 0);
}

TEST_F(DueCheckerTest, DefaultEntryIsDueEveryDayAtMidnightOnly) {
    CScheduleItem item;
    EXPECT_EQ(DueAt(item, At(2011, 3, 5, 6, 0, 0, 0)), Shutdown);
    EXPECT_EQ(DueAt(item, At(2030, 12, 31, 2, 0, 0, 0)), Shutdown);
    EXPECT_EQ(DueAt(item, At(2011, 3, 5, 6, 0, 0, 1)), -1);
    EXPECT_EQ(DueAt(item, At(2011, 3, 5, 6, 0, 1, 0)), -1);
    EXPECT_EQ(DueAt(item, At(2011, 3, 5, 6, 1, 0, 0)), -1);
}

TEST_F(DueCheckerTest, TimeMustMatchExactlyWithoutWildcards) {
    const CScheduleItem item = DateEntry(0, 0, 0, 12, 30, 0, Logoff);
    EXPECT_EQ(DueAt(item, kSat), Logoff);
    EXPECT_EQ(DueAt(item, At(2011, 3, 5, 6, 12, 30, 1)), -1);
    EXPECT_EQ(DueAt(item, At(2011, 3, 5, 6, 12, 29, 59)), -1);
    EXPECT_EQ(DueAt(item, At(2011, 3, 5, 6, 0, 30, 0)), -1);
    // Hour 0 means midnight's hour, not any hour.
    EXPECT_EQ(DueAt(DateEntry(0, 0, 0, 0, 30, 0, Logoff), kSat), -1);
}

TEST_F(DueCheckerTest, DateFieldsMatchExactlyOrAsWildcards) {
    EXPECT_EQ(DueAt(DateEntry(2011, 3, 5, 12, 30, 0, Reboot), kSat), Reboot);
    EXPECT_EQ(DueAt(DateEntry(2012, 3, 5, 12, 30, 0, Reboot), kSat), -1);
    EXPECT_EQ(DueAt(DateEntry(2011, 4, 5, 12, 30, 0, Reboot), kSat), -1);
    EXPECT_EQ(DueAt(DateEntry(2011, 3, 6, 12, 30, 0, Reboot), kSat), -1);
    EXPECT_EQ(DueAt(DateEntry(0, 3, 0, 12, 30, 0, Reboot), kSat), Reboot);
    EXPECT_EQ(DueAt(DateEntry(2011, 0, 5, 12, 30, 0, Reboot), kSat), Reboot);
    // The weekday mask plays no part in date mode.
    CScheduleItem item = DateEntry(0, 0, 0, 12, 30, 0, Reboot);
    item.week = 0;
    EXPECT_EQ(DueAt(item, kSat), Reboot);
    item.week = 1; // Sunday only
    EXPECT_EQ(DueAt(item, kSat), Reboot);
}

TEST_F(DueCheckerTest, WeekdayMaskSelectsDays) {
    const ClockReading sunday = At(2011, 3, 6, 0, 12, 30, 0);
    EXPECT_EQ(DueAt(WeekEntry(1, 12, 30, 0, Standby), sunday), Standby);
    EXPECT_EQ(DueAt(WeekEntry(2, 12, 30, 0, Standby), sunday), -1);
    EXPECT_EQ(DueAt(WeekEntry(64, 12, 30, 0, Standby), kSat), Standby);
    EXPECT_EQ(DueAt(WeekEntry(63, 12, 30, 0, Standby), kSat), -1);
    EXPECT_EQ(DueAt(WeekEntry(127, 12, 30, 0, Standby), kSat), Standby);
    EXPECT_EQ(DueAt(WeekEntry(0, 12, 30, 0, Standby), kSat), -1);
    // Bits 7 and above are never tested, the sign bit included.
    EXPECT_EQ(DueAt(WeekEntry(~127, 12, 30, 0, Standby), kSat), -1);
    EXPECT_EQ(DueAt(WeekEntry(~127, 12, 30, 0, Standby), sunday), -1);
    // Date fields play no part in weekday mode.
    CScheduleItem item = WeekEntry(64, 12, 30, 0, Standby);
    item.year = 1999;
    item.month = 13;
    item.day = -1;
    EXPECT_EQ(DueAt(item, kSat), Standby);
}

TEST_F(DueCheckerTest, ValuesTheClockCannotShowNeverMatch) {
    const ClockReading midnight = At(2011, 3, 5, 6, 0, 0, 0);
    EXPECT_EQ(DueAt(DateEntry(0, 13, 0, 0, 0, 0, 0), midnight), -1);
    EXPECT_EQ(DueAt(DateEntry(0, 0, 32, 0, 0, 0, 0), midnight), -1);
    EXPECT_EQ(DueAt(DateEntry(-1, 0, 0, 0, 0, 0, 0), midnight), -1);
    EXPECT_EQ(DueAt(DateEntry(0, 0, 0, 24, 0, 0, 0), midnight), -1);
    EXPECT_EQ(DueAt(DateEntry(0, 0, 0, 0, 60, 0, 0), midnight), -1);
    EXPECT_EQ(DueAt(DateEntry(0, 0, 0, 0, 0, -60, 0), midnight), -1);
}

TEST_F(DueCheckerTest, SearchStopsAtFirstDueEntryInListOrder) {
    CScheduleItem otherMode = DateEntry(0, 0, 0, 12, 30, 0, Shutdown);
    otherMode.time_mode = 2;
    CScheduleItem negativeMode = otherMode;
    negativeMode.time_mode = -1;
    list.AddTail(otherMode);                                // passed over, no reading
    list.AddTail(negativeMode);                             // passed over, no reading
    list.AddTail(DateEntry(0, 0, 0, 12, 30, 0, -1));        // due but "no match": go on
    list.AddTail(WeekEntry(1, 12, 30, 0, Shutdown));        // not Sunday: one reading
    list.AddTail(DateEntry(2011, 3, 5, 12, 30, 0, Logoff)); // the first due
    list.AddTail(DateEntry(0, 0, 0, 12, 30, 0, Reboot));    // never looked at
    clock.now = kSat;
    EXPECT_EQ(checker.CheckSchedule(), Logoff);
    EXPECT_EQ(clock.reads, 2 + 1 + 2);
}

TEST_F(DueCheckerTest, OutOfRangeEndModeIsReportedUnchanged) {
    EXPECT_EQ(DueAt(DateEntry(0, 0, 0, 12, 30, 0, 4), kSat), 4);
    EXPECT_EQ(DueAt(WeekEntry(64, 12, 30, 0, -2), kSat), -2);
}

TEST_F(DueCheckerTest, DayTestAndTimeTestTakeSeparateReadings) {
    list.AddTail(DateEntry(2011, 3, 5, 0, 0, 0, Reboot));
    list.AddTail(WeekEntry(64, 0, 0, 0, Standby)); // Saturdays
    // The day test reads the 5th at 23:59:59, the time test the next second.
    clock.script = {At(2011, 3, 5, 6, 23, 59, 59), At(2011, 3, 6, 0, 0, 0, 0)};
    EXPECT_EQ(checker.CheckSchedule(), Reboot);
    EXPECT_EQ(clock.reads, 2);
    // Both day tests fail, each on its own reading.
    clock.reads = 0;
    clock.script = {At(2011, 3, 4, 5, 0, 0, 0), At(2011, 3, 6, 0, 0, 0, 0)};
    EXPECT_EQ(checker.CheckSchedule(), -1);
    EXPECT_EQ(clock.reads, 2);
    // The weekday passes, then the time test sees the second move on.
    clock.script = {At(2011, 3, 4, 5, 0, 0, 0), At(2011, 3, 5, 6, 0, 0, 0),
                    At(2011, 3, 5, 6, 0, 0, 1)};
    EXPECT_EQ(checker.CheckSchedule(), -1);
    clock.script = {At(2011, 3, 4, 5, 0, 0, 0), At(2011, 3, 5, 6, 23, 59, 59),
                    At(2011, 3, 6, 0, 0, 0, 0)};
    EXPECT_EQ(checker.CheckSchedule(), Standby);
}

TEST(ClockText, FormatsDateAndRightAlignedHour) {
    EXPECT_EQ(FormatClockText(At(2011, 3, 5, 6, 9, 5, 7)), "2011/3/5  9:05:07");
    EXPECT_EQ(FormatClockText(At(2011, 3, 5, 6, 21, 5, 7)), "2011/3/5 21:05:07");
    EXPECT_EQ(FormatClockText(At(2026, 12, 31, 4, 0, 0, 0)), "2026/12/31  0:00:00");
}

TEST(EndModeName, NamesTheSixModesAsCp932) {
    EXPECT_EQ(EndModeName(Shutdown), "\x83\x56\x83\x83\x83\x62\x83\x67\x83\x5F\x83\x45\x83\x93");
    EXPECT_EQ(EndModeName(Reboot), "\x8D\xC4\x8B\x4E\x93\xAE");
    EXPECT_EQ(EndModeName(Standby), "\x83\x58\x83\x5E\x83\x93\x83\x6F\x83\x43");
    EXPECT_EQ(EndModeName(Logoff), "\x83\x8D\x83\x4F\x83\x49\x83\x74");
    EXPECT_EQ(EndModeName(-1), "");
    EXPECT_EQ(EndModeName(Hibernate), "\x8B\x78\x8E\x7E\x8F\xF3\x91\xD4");
    EXPECT_EQ(EndModeName(Lock), "\x83\x8D\x83\x62\x83\x4E");
    EXPECT_EQ(EndModeName(6), "");
    EXPECT_EQ(EndModeName(INT32_MIN), "");
}

// The kept reading must always equal a fresh conversion of time(), also
// across a change of second.
TEST(SystemClock, ReadingEqualsFreshLocalTime) {
    CSystemClock clock;
    const std::time_t start = std::time(nullptr);
    int compared = 0;
    bool crossedSecond = false;
    while (!crossedSecond || compared < 2) {
        const std::time_t before = std::time(nullptr);
        const ClockReading r = clock.Read();
        if (std::time(nullptr) != before) {
            continue; // the second changed during the read
        }
        crossedSecond = crossedSecond || before != start;
        std::tm tm{};
#ifdef _WIN32
        ASSERT_EQ(localtime_s(&tm, &before), 0);
#else
        ASSERT_NE(localtime_r(&before, &tm), nullptr);
#endif
        const ClockReading fresh{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_wday,
                                 tm.tm_hour,        tm.tm_min,     tm.tm_sec};
        ASSERT_EQ(FormatClockText(r), FormatClockText(fresh));
        ASSERT_EQ(r.weekday, fresh.weekday);
        ++compared;
    }
    // The time of a reading stays its own after the next second began.
    const ClockReading r = clock.Read();
    const std::int64_t time = clock.Time();
    while (std::time(nullptr) <= time) {
    }
    ClockReading back;
    ASSERT_TRUE(CSystemLocalTime().ToLocal(clock.Time(), back));
    EXPECT_EQ(FormatClockText(back), FormatClockText(r));
}

// Awake, both counts advance by the time waited.
TEST(SystemUptime, BothCountsAdvanceTogetherWhileAwake) {
    // Each elapsed reading lies between two awake ones, so that the test holds
    // however long the thread waits between calls; 32 ms for the tick count's
    // steps.
    CSystemUptime uptime;
    const std::int64_t awake0 = uptime.AwakeMs();
    const std::int64_t elapsed0 = uptime.ElapsedMs();
    const std::int64_t awake1 = uptime.AwakeMs();
    const auto start = std::chrono::steady_clock::now();
    while (std::chrono::steady_clock::now() - start < std::chrono::milliseconds(300)) {
    }
    const std::int64_t awake2 = uptime.AwakeMs();
    const std::int64_t passed = uptime.ElapsedMs() - elapsed0;
    const std::int64_t awake3 = uptime.AwakeMs();
    EXPECT_GE(passed, 250);
    EXPECT_GE(passed, awake2 - awake1 - 32);
    EXPECT_LE(passed, awake3 - awake0 + 32);
}

#ifdef _WIN32
int __stdcall Unbiased42s(unsigned long long* ticks) {
    *ticks = 420000000; // 100 ns units
    return 1;
}
int __stdcall UnbiasedFails(unsigned long long*) {
    return 0;
}

// The awake count is QueryUnbiasedInterruptTime's where it succeeds, and the
// tick count only where it fails (through a seam: Wine's never fails).
TEST(SystemUptime, AwakeCountFromTheUnbiasedTimeUnlessItFailsThroughTheSeam) {
    EXPECT_EQ(CSystemUptime(Unbiased42s).AwakeMs(), 42000);
    CSystemUptime failing(UnbiasedFails);
    const std::int64_t before = static_cast<std::int64_t>(::GetTickCount64());
    const std::int64_t awake = failing.AwakeMs();
    EXPECT_GE(awake, before);
    EXPECT_LE(awake, static_cast<std::int64_t>(::GetTickCount64()));
}
#endif

} // namespace
