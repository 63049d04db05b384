// The next due time: far-ahead dates and never-due entries in civil time, the
// end of the conversion range, the kept answer, and daylight saving time in
// New York through the runtime's own conversion.
#include "FakeClock.h"
#include "FakeLocalTime.h"
#include "schedule/CivilMatcher.h"
#include "schedule/CivilTime.h"
#include "schedule/NextDueFinder.h"
#include "schedule/RuleText.h"
#include "platform/SystemLocalTime.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

namespace {

CScheduleItem Entry(int timeMode, int year, int month, int day, int week, int h, int m, int s,
                    int mode = 0) {
    CScheduleItem item;
    item.time_mode = timeMode;
    item.year = year;
    item.month = month;
    item.day = day;
    item.week = week;
    item.hour = h;
    item.minute = m;
    item.second = s;
    item.sd_mode = mode;
    return item;
}

std::string Text(const std::optional<ClockReading>& r) {
    return r ? FormatClockText(*r) + " w" + std::to_string(r->weekday) : "none";
}

// 15 June 2026 was a Monday.
const ClockReading kMonday = At(2026, 6, 15, 1, 12, 0, 0);

TEST(CivilMatcher, FarAheadDatesWithoutWalkingTheDays) {
    struct Case {
        ClockReading after;
        CScheduleItem item;
        const char* want;
    };
    const Case cases[] = {
        {kMonday, Entry(0, 2400, 0, 0, 0, 0, 0, 0), "2400/1/1  0:00:00 w6"},
        {kMonday, Entry(0, 2400, 2, 29, 0, 8, 0, 0), "2400/2/29  8:00:00 w2"},
        {kMonday, Entry(0, 2100, 2, 29, 0, 8, 0, 0), "none"}, // 2100 is a common year
        {kMonday, Entry(0, 0, 2, 29, 0, 8, 0, 0), "2028/2/29  8:00:00 w2"},
        {At(2096, 3, 1, 4, 0, 0, 0), Entry(0, 0, 2, 29, 0, 8, 0, 0), "2104/2/29  8:00:00 w5"},
        {kMonday, Entry(0, 2025, 0, 0, 0, 8, 0, 0), "none"}, // a past year
        {kMonday, Entry(0, 2026, 6, 15, 0, 12, 0, 0), "none"},
        {kMonday, Entry(0, 2026, 6, 15, 0, 12, 0, 1), "2026/6/15 12:00:01 w1"},
        {kMonday, Entry(0, 0, 0, 31, 0, 0, 0, 0), "2026/7/31  0:00:00 w5"},
        {At(2026, 4, 1, 3, 0, 0, 0), Entry(0, 0, 0, 31, 0, 0, 0, 0), "2026/5/31  0:00:00 w0"},
        {At(2026, 12, 31, 4, 23, 59, 59), Entry(0, 0, 0, 31, 0, 23, 59, 59),
         "2027/1/31 23:59:59 w0"},
        {kMonday, Entry(1, 0, 0, 0, 1 | 128, 12, 0, 0), "2026/6/21 12:00:00 w0"},
        {kMonday, Entry(1, 0, 0, 0, 2, 12, 0, 0), "2026/6/22 12:00:00 w1"},
        {kMonday, Entry(0, 0, 0, 0, 0, 12, 0, 0, 4), "2026/6/16 12:00:00 w2"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Text(CCivilMatcher(c.after).NextReading(c.item)), c.want)
            << "after " << FormatClockText(c.after) << ", entry " << c.item.year << "/"
            << c.item.month << "/" << c.item.day << " week " << c.item.week;
    }
}

TEST(CivilMatcher, EntriesTheClockCanNeverShowAreNeverDue) {
    const CScheduleItem never[] = {
        Entry(0, 0, 0, 0, 0, 8, 0, 0, -1),     Entry(2, 0, 0, 0, 127, 8, 0, 0),
        Entry(-1, 0, 0, 0, 127, 8, 0, 0),      Entry(0, 0, 2, 30, 0, 8, 0, 0),
        Entry(0, 0, 4, 31, 0, 8, 0, 0),        Entry(0, 0, 13, 1, 0, 8, 0, 0),
        Entry(0, 0, -1, 1, 0, 8, 0, 0),        Entry(0, 0, 1, 32, 0, 8, 0, 0),
        Entry(0, 0, 1, -1, 0, 8, 0, 0),        Entry(0, 2027, 2, 29, 0, 8, 0, 0),
        Entry(0, 0, 0, 0, 0, 24, 0, 0),        Entry(0, 0, 0, 0, 0, -1, 0, 0),
        Entry(0, 0, 0, 0, 0, 8, 60, 0),        Entry(0, 0, 0, 0, 0, 8, 0, 60),
        Entry(0, 0, 0, 0, 0, 8, 0, -1),        Entry(1, 0, 0, 0, 0, 8, 0, 0),
        Entry(1, 0, 0, 0, 128 | 256, 8, 0, 0),
    };
    for (const CScheduleItem& item : never) {
        EXPECT_EQ(Text(CCivilMatcher(kMonday).NextReading(item)), "none")
            << item.time_mode << " " << item.year << "/" << item.month << "/" << item.day
            << " week " << item.week << " " << item.hour << ":" << item.minute << ":" << item.second
            << " mode " << item.sd_mode;
    }
}

// The clock cannot show a time past the conversion's range, so nothing is
// due there; the Windows CRT ends with 3000-12-31 23:59:59 UTC.
// The rule in words, read on 15 June 2026.
TEST(RuleText, EachKindOfRule) {
    struct Case {
        CScheduleItem item;
        const char* want;
    };
    const Case cases[] = {
        {Entry(1, 0, 0, 0, 0x2A, 23, 0, 0), "毎週 月・水・金 23:00:00 シャットダウン"},
        {Entry(1, 0, 0, 0, 0x41, 9, 5, 7, 1), "毎週 土・日 9:05:07 再起動"},
        {Entry(1, 0, 0, 0, 0x01, 9, 5, 7, 1), "毎週 日 9:05:07 再起動"},
        {Entry(1, 0, 0, 0, 0x40, 9, 5, 7, 1), "毎週 土 9:05:07 再起動"},
        {Entry(1, 0, 0, 0, 0xFF, 7, 30, 0, 2), "毎日 7:30:00 スタンバイ"},
        {Entry(0, 0, 0, 0, 0, 7, 30, 0, 2), "毎日 7:30:00 スタンバイ"},
        {Entry(0, 0, 2, 29, 0, 12, 0, 0, 1), "毎年 2/29 12:00:00 再起動"},
        {Entry(0, 2026, 12, 24, 0, 18, 0, 0, 3), "2026/12/24 18:00:00 ログオフ"},
        {Entry(0, 0, 0, 24, 0, 18, 0, 0), "毎月 24日 18:00:00 シャットダウン"},
        {Entry(0, 2027, 0, 1, 0, 0, 0, 0), "2027年 毎月 1日 0:00:00 シャットダウン"},
        {Entry(0, 2026, 7, 0, 0, 0, 0, 0), "2026年 7月 毎日 0:00:00 シャットダウン"},
        {Entry(0, 0, 7, 0, 0, 0, 0, 0), "毎年 7月 毎日 0:00:00 シャットダウン"},
        {Entry(0, 2026, 0, 0, 0, 0, 0, 0), "2026年 毎日 0:00:00 シャットダウン"},
        {Entry(0, 0, 0, 0, 0, 0, 0, 0, 4), "毎日 0:00:00 休止状態"},
        {Entry(0, 0, 0, 0, 0, 0, 0, 0, 6), "毎日 0:00:00"},
        {Entry(0, 2026, 6, 14, 0, 18, 0, 0), "実行しない"}, // already past
        {Entry(0, 0, 2, 30, 0, 18, 0, 0), "実行しない"},
        {Entry(1, 0, 0, 0, 0x80, 18, 0, 0), "実行しない"},
        {Entry(0, 0, 0, 0, 0, 24, 0, 0), "実行しない"},
        {Entry(0, 0, 0, 0, 0, 18, 0, 0, -1), "実行しない"},
        {Entry(2, 0, 0, 0, 0, 18, 0, 0), "実行しない"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(RuleText(c.item, CivilSecondOf(kMonday)), c.want);
    }
}

TEST(NextDueFinder, NothingIsDuePastTheConversionRange) {
    const std::int64_t last = 32535215999;
    const FakeLocalTime local(0, last);
    ScheduleList list;
    list.AddTail(Entry(0, 3001, 1, 1, 0, 0, 0, 0));
    list.AddTail(Entry(0, 3000, 12, 31, 0, 23, 59, 59));
    list.AddTail(Entry(0, 0, 0, 0, 0, 0, 0, 0));
    CNextDueFinder finder(list, local);
    const std::optional<DueTime> due = finder.NextDue(last - 3600);
    ASSERT_TRUE(due);
    EXPECT_EQ(due->time, last);
    EXPECT_EQ(due->index, 1);
    EXPECT_FALSE(finder.NextDue(last));
}

// The kept answer is computed again only when it may have changed.
TEST(NextDueFinder, UpcomingIsComputedAgainOnlyWhenItMayHaveChanged) {
    const FakeLocalTime local;
    ScheduleList list;
    list.AddTail(Entry(0, 0, 0, 0, 0, 12, 0, 0)); // noon UTC every day
    CNextDueFinder finder(list, local);
    const std::int64_t noon = 1781524800; // 2026-06-15 12:00:00 UTC
    const std::int64_t day = 86400;
    ASSERT_EQ(finder.Upcoming(noon - 100)->time, noon);

    const long long before = local.conversions;
    EXPECT_EQ(finder.Upcoming(noon - 99)->time, noon);
    EXPECT_EQ(finder.Upcoming(noon - 1)->time, noon);
    EXPECT_EQ(local.conversions, before); // steady ticks convert nothing

    EXPECT_EQ(finder.Upcoming(noon)->time, noon + day);             // due time reached
    EXPECT_EQ(finder.Upcoming(noon - day - 100)->time, noon - day); // clock set back
    list.AddTail(Entry(0, 0, 0, 0, 0, 11, 59, 0));
    EXPECT_EQ(finder.Upcoming(noon - day - 99)->time, noon - day); // kept until told
    finder.Invalidate();
    const std::optional<DueTime>& due = finder.Upcoming(noon - day - 99);
    ASSERT_TRUE(due);
    EXPECT_EQ(due->time, noon - day - 60);
    EXPECT_EQ(due->index, 1);
}

// A one-off counts by its own due time, after the entries on a tie; one whose
// time has come waits to be warned about, and comes first with its own time.
TEST(NextDueFinder, OneOffsCountAfterTheEntries) {
    const FakeLocalTime local(9 * 3600);
    ScheduleList list;
    list.AddTail(Entry(0, 0, 0, 0, 0, 12, 0, 0)); // noon in Tokyo every day
    COneOffList oneOffs;
    const CNextDueFinder finder(list, local, &oneOffs);
    const std::int64_t noon = 1781492400; // 2026-06-15 12:00:00 in Tokyo
    const std::int64_t noonCivil = CivilSecondOf(At(2026, 6, 15, 1, 12, 0, 0));
    oneOffs.Add("late", 2, 0, noon); // a tie: the entry wins
    EXPECT_EQ(finder.NextDue(noon - 300)->index, 0);
    const std::uint64_t id = oneOffs.Add("soon", 3, 0, noon - 60);
    const std::optional<DueTime> due = finder.NextDue(noon - 300);
    ASSERT_TRUE(due);
    EXPECT_EQ(due->index, -1);
    EXPECT_EQ(due->oneOffId, id);
    EXPECT_EQ(due->time, noon - 60);
    EXPECT_EQ(FormatClockText(due->reading), "2026/6/15 11:59:00");
    // Skipped occurrences do not count; each skip covers one only.
    CSkipList skips;
    const CNextDueFinder skipping(list, local, &oneOffs, &skips);
    oneOffs.Remove(id);
    skips.Add(list.GetAt(0), noonCivil);
    EXPECT_EQ(skipping.NextDue(noon - 300)->oneOffId, 1u); // the tie's one-off
    oneOffs.Clear();
    skips.Add(list.GetAt(0), noonCivil + 86400);
    EXPECT_EQ(skipping.NextDue(noon - 300)->time, noon + 2 * 86400);
    const std::uint64_t waiting = oneOffs.Add("past", 1, 0, noon - 600);
    EXPECT_EQ(skipping.NextDue(noon - 300)->oneOffId, waiting);
    EXPECT_EQ(FormatClockText(skipping.NextDue(noon - 300)->reading), "2026/6/15 11:50:00");
    oneOffs.SetWaiting(waiting); // for a busy user: the cycle shows it
    EXPECT_EQ(skipping.NextDue(noon - 300)->time, noon + 2 * 86400);
}

// The runtime's own conversion in New York. glibc follows TZ. The Windows CRT
// reads TZ only in its own "EST5EDT" form and without it takes the system's
// zone, which Wine derives from the TZ of the process that starts it. So on
// Windows TZ is cleared for the CRT, and the ctest entry
// schedule_tests_new_york starts the test with TZ=America/New_York and
// QB_IN_NEW_YORK=1; with another system zone and without that variable the
// test is skipped.
class NewYorkTime : public ::testing::Test {
protected:
    void SetUp() override {
#ifdef _WIN32
        _putenv("TZ=");
        _tzset();
#else
        const char* old = std::getenv("TZ");
        m_oldTz = old ? std::optional<std::string>(old) : std::nullopt;
        setenv("TZ", "America/New_York", 1);
        tzset();
#endif
        const bool newYork =
            Local(1772953199) == "2026/3/8  1:59:59" && Local(1772953200) == "2026/3/8  3:00:00" &&
            Local(1793512799) == "2026/11/1  1:59:59" && Local(1793512800) == "2026/11/1  1:00:00";
#ifdef _WIN32
        if (!newYork && std::getenv("QB_IN_NEW_YORK") == nullptr) {
            GTEST_SKIP() << "the system time zone is not America/New_York";
        }
        ASSERT_TRUE(newYork) << "the system time zone does not follow TZ=America/New_York";
#else
        ASSERT_TRUE(newYork) << "no America/New_York in the time zone data";
#endif
    }

    void TearDown() override {
#ifndef _WIN32
        if (m_oldTz) {
            setenv("TZ", m_oldTz->c_str(), 1);
        } else {
            unsetenv("TZ");
        }
        tzset();
#endif
    }

    std::string Local(std::int64_t time) const {
        ClockReading r;
        return local.ToLocal(time, r) ? FormatClockText(r) : "out of range";
    }

    CSystemLocalTime local;

private:
    std::optional<std::string> m_oldTz;
};

// Clocks go forward at 2:00 on 8 March 2026 and back at 2:00 on 1 November.
TEST_F(NewYorkTime, SkippedReadingsNeverComeRepeatedOnesCountOnce) {
    struct Case {
        std::int64_t after;
        std::vector<int> hms; // daily entries, hour minute second each
        std::int64_t want;
        int index;
        const char* reading;
    };
    const Case cases[] = {
        // 1:00 EST on 8 March: 2:30 does not come that day, 3:00 comes at the jump.
        {1772949600, {2, 30, 0}, 1773037800, 0, "2026/3/9  2:30:00"},
        {1772949600, {3, 0, 0}, 1772953200, 0, "2026/3/8  3:00:00"},
        {1772949600, {2, 30, 0, 3, 0, 0}, 1772953200, 1, "2026/3/8  3:00:00"},
        // 0:00 EDT on 1 November: 1:30 comes first in EDT...
        {1793505600, {1, 30, 0}, 1793511000, 0, "2026/11/1  1:30:00"},
        // ...and not again in EST, after it or from within the repeated hour.
        {1793511000, {1, 30, 0}, 1793601000, 0, "2026/11/2  1:30:00"},
        {1793513400, {1, 30, 0}, 1793601000, 0, "2026/11/2  1:30:00"},
        {1793513400, {1, 30, 0, 2, 0, 0}, 1793516400, 1, "2026/11/1  2:00:00"},
    };
    for (const Case& c : cases) {
        ScheduleList list;
        for (std::size_t i = 0; i < c.hms.size(); i += 3) {
            list.AddTail(Entry(0, 0, 0, 0, 0, c.hms[i], c.hms[i + 1], c.hms[i + 2]));
        }
        const std::optional<DueTime> due = CNextDueFinder(list, local).NextDue(c.after);
        ASSERT_TRUE(due) << "after " << Local(c.after);
        EXPECT_EQ(due->time, c.want) << "after " << Local(c.after) << ": " << Local(due->time);
        EXPECT_EQ(due->index, c.index) << "after " << Local(c.after);
        EXPECT_EQ(FormatClockText(due->reading), c.reading);
        EXPECT_EQ(Local(due->time), c.reading);
    }
}

} // namespace
