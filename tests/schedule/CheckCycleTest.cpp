#include "FakeClock.h"
#include "schedule/CheckCycle.h"
#include "schedule/CivilTime.h"
#include "schedule/WarningCountdown.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace {

const WarnAnswer kOk{WarnAnswer::Confirm};
const WarnAnswer kCancel{WarnAnswer::Cancel};

// Records every host operation in order; answers warnings from a script.
class RecordingHost final : public ICheckCycleHost {
public:
    void SetClockText(const std::string& text) override { log.push_back("text " + text); }
    void StopCheckTimer() override { log.push_back("stop 2"); }
    void RestartCheckTimer() override { log.push_back("restart 2"); }
    WarnAnswer Warn(std::int32_t mode) override {
        log.push_back("warn " + std::to_string(mode));
        if (whileWarning) {
            whileWarning();
        }
        const WarnAnswer result = withdrawn ? kCancel : answers.empty() ? kOk : answers.front();
        if (!answers.empty()) {
            answers.pop_front();
        }
        withdrawn = false;
        return result;
    }
    void WithdrawWarning() override {
        log.push_back("withdraw");
        withdrawn = true;
    }
    bool ExecuteEndMode(std::int32_t mode) override {
        log.push_back("perform " + std::to_string(mode));
        return performs;
    }
    void Close() override { log.push_back("close"); }
    void OneOffsChanged() override { log.push_back("one-offs"); }

    std::vector<std::string> log;
    std::deque<WarnAnswer> answers;
    std::function<void()> whileWarning; // runs inside the modal warning
    bool withdrawn = false;
    bool performs = true;
};

CScheduleItem DueAt(int h, int m, int s, int mode) {
    CScheduleItem item;
    item.hour = h;
    item.minute = m;
    item.second = s;
    item.sd_mode = mode;
    return item;
}

using Log = std::vector<std::string>;

class CheckCycleTest : public ::testing::Test {
protected:
    CheckCycleTest() {
        list.AddTail(DueAt(18, 0, 0, 3));
        clock.now = At(2011, 3, 7, 1, 18, 0, 0);
    }

    ScheduleList list;
    FakeClock clock;
    RecordingHost host;
    CCheckCycle cycle{list, clock, host};
};

TEST_F(CheckCycleTest, ClockTickOnlyWritesTheClockText) {
    clock.now = At(2011, 3, 5, 6, 9, 5, 7);
    cycle.OnTimer(1);
    EXPECT_EQ(host.log, Log{"text 2011/3/5  9:05:07"});
    EXPECT_EQ(clock.reads, 1);
}

TEST_F(CheckCycleTest, OtherTimerIdsDoNothing) {
    for (std::uintptr_t id :
         {std::uintptr_t{0}, std::uintptr_t{3}, std::uintptr_t{0x401}, ~std::uintptr_t{0}}) {
        cycle.OnTimer(id);
    }
    EXPECT_TRUE(host.log.empty());
    EXPECT_EQ(clock.reads, 0);
}

TEST_F(CheckCycleTest, NothingDueDoesNothing) {
    clock.now.second = 1;
    cycle.OnTimer(2);
    EXPECT_TRUE(host.log.empty());
}

TEST_F(CheckCycleTest, ConfirmStopsWarnsPerformsThenCloses) {
    host.answers = {kOk};
    cycle.OnTimer(2);
    EXPECT_EQ(host.log, (Log{"stop 2", "warn 3", "perform 3", "close"}));
}

TEST_F(CheckCycleTest, ConfirmWithoutAnAnswerPerforms) {
    host.answers = {kOk};
    cycle.OnTimer(2);
    EXPECT_EQ(host.log, (Log{"stop 2", "warn 3", "perform 3", "close"}));
}

TEST_F(CheckCycleTest, OutOfRangeModeStillWarnsAndCloses) {
    list.SetAt(0, DueAt(18, 0, 0, 4));
    cycle.OnTimer(2);
    EXPECT_EQ(host.log, (Log{"stop 2", "warn 4", "perform 4", "close"}));
}

TEST_F(CheckCycleTest, OnlyTheFirstOfTwoDueEntriesIsAnnounced) {
    list.AddTail(DueAt(18, 0, 0, 0));
    cycle.OnTimer(2);
    EXPECT_EQ(host.log, (Log{"stop 2", "warn 3", "perform 3", "close"}));
}

TEST_F(CheckCycleTest, ClockKeepsRunningWhileTheWarningIsOpen) {
    host.whileWarning = [this] {
        clock.now.second = 1;
        cycle.OnTimer(1);
        clock.now.second = 2;
        cycle.OnTimer(1);
    };
    host.answers = {kCancel};
    cycle.OnTimer(2);
    EXPECT_EQ(host.log, (Log{"stop 2", "warn 3", "text 2011/3/7 18:00:01", "text 2011/3/7 18:00:02",
                             "restart 2"}));
}

TEST_F(CheckCycleTest, SecondPassedDuringTheWarningIsMissed) {
    list.AddTail(DueAt(18, 0, 5, 1));
    host.whileWarning = [this] { clock.now.second = 6; };
    host.answers = {kCancel};
    cycle.OnTimer(2);
    cycle.OnTimer(2);
    EXPECT_EQ(host.log, (Log{"stop 2", "warn 3", "restart 2"}));
}

// Checks at seconds around 18:00:00, the entry's second (offsets in s;
// kWake: the machine wakes). During a warning the clock moves on by
// `choiceAt`, and the machine may wake.
TEST_F(CheckCycleTest, LateTicksCancelsPostponementsAndWakes) {
    const WarnAnswer later5{WarnAnswer::Postpone, 5};
    constexpr int kWake = INT_MIN;
    constexpr int kSkip = INT_MIN + 1;  // skip the first entry's 18:00:00
    constexpr int kTimer = INT_MIN + 2; // a quick timer of mode 2 at 18:00:30
    struct Row {
        const char* what;
        std::vector<int> ticks;
        std::deque<WarnAnswer> answers;
        int choiceAt = 0;
        bool wake = false;
        bool performs = true;
        Log want;
    };
    const Log warnOk = {"stop 2", "warn 3", "perform 3", "close"};
    const Row rows[] = {
        {"a skipped second", {-1, 1}, {}, 0, false, true, warnOk},
        {"a 60 s gap is caught up", {-59, 1}, {}, 0, false, true, warnOk},
        {"a 61 s gap is a sleep", {-60, 1, 2}, {}, 0, false, true, {}},
        {"a clock set back", {5, 0}, {}, 0, false, true, warnOk},
        {"a cancelled second",
         {0, 0, 0, 1},
         {kCancel},
         0,
         false,
         true,
         {"stop 2", "warn 3", "restart 2"}},
        {"a postponed occurrence",
         {0, 0, 309, 310, 310, 311},
         {later5, kCancel},
         10,
         false,
         true,
         {"stop 2", "warn 3", "one-offs", "restart 2", "stop 2", "warn 3", "one-offs",
          "restart 2"}},
        {"postponed again, caught up late",
         {0, 305, 312, 619, 623}, // late ticks
         {later5, later5, kOk},
         10,
         false,
         true,
         {"stop 2", "warn 3", "one-offs", "restart 2", "stop 2", "warn 3", "one-offs", "restart 2",
          "stop 2", "warn 3", "perform 3", "close"}},
        {"a postponement passed over by a sleep",
         {0, 100, 400},
         {later5},
         0,
         false,
         true,
         {"stop 2", "warn 3", "one-offs", "restart 2", "one-offs"}},
        {"a wake withdraws the warning, and checks start afresh",
         {-2, 0, 20},
         {},
         15,
         true,
         true,
         {"stop 2", "warn 3", "withdraw", "restart 2"}},
        {"a short sleep: nothing caught up", {10, kWake, 20}, {}, 0, false, true, {}},
        {"a skipped occurrence", {kSkip, -1, 0, 1}, {}, 0, false, true, {"one-offs"}},
        {"a skipped occurrence, caught up", {kSkip, -2, 2}, {}, 0, false, true, {"one-offs"}},
        {"a skip covers one occurrence",
         {kSkip, 0, 86400},
         {},
         0,
         false,
         true,
         {"one-offs", "stop 2", "warn 3", "perform 3", "close"}},
        {"a quick timer",
         {kTimer, 29, 30},
         {},
         0,
         false,
         true,
         {"one-offs", "stop 2", "warn 2", "perform 2", "close"}},
        {"a failed action goes back to checking",
         {0, 0},
         {},
         0,
         false,
         false,
         {"stop 2", "warn 3", "perform 3", "restart 2"}},
    };
    const std::int64_t base = CivilSecondOf(At(2011, 3, 7, 1, 18, 0, 0));
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        ScheduleList entries;
        entries.AddTail(DueAt(18, 0, 0, 3));
        entries.AddTail(DueAt(18, 0, 17, 1)); // due while the warning was open
        RecordingHost recorder;
        CCheckCycle subject(entries, clock, recorder);
        recorder.answers = row.answers;
        recorder.performs = row.performs;
        recorder.whileWarning = [&] {
            clock.now = ReadingAt(CivilSecondOf(clock.now) + row.choiceAt);
            if (row.wake) {
                subject.OnWake();
            }
        };
        for (const int at : row.ticks) {
            if (at == kWake) {
                subject.OnWake();
                continue;
            }
            if (at == kSkip || at == kTimer) {
                at == kSkip ? subject.Skip(0, 0, base) : subject.AddTimer(2, base + 30);
                continue;
            }
            clock.now = ReadingAt(base + at);
            subject.OnTimer(2);
        }
        EXPECT_EQ(recorder.log, row.want);
        if (row.answers.size() == 1 && row.answers.front().kind == WarnAnswer::Postpone) {
            EXPECT_EQ(subject.OneOffs().GetCount(), row.ticks.back() < 300 ? 1 : 0);
        }
    }
}

// Looks every `every` ms after the opening up to `until`: what the last says,
// and the seconds then left.
TEST(WarningCountdown, StallsAndSecondsLeft) {
    const std::int64_t rows[][4] = {
        // every, until, seen, seconds left
        {200, 1, true, 15},     {200, 1000, true, 14},   {200, 13999, true, 2},
        {200, 14000, true, 1},  {200, 15000, true, 0},   {200, 20000, true, 0},
        {5000, 10000, true, 5}, {5001, 5001, false, 10}, {5001, 5201, false, 10},
    };
    for (const auto& [every, until, seen, left] : rows) {
        const std::int64_t opened = 123456;
        CWarningCountdown countdown(opened);
        bool looked = true;
        for (std::int64_t t = every;; t += every) {
            looked = countdown.Look(opened + std::min(t, until));
            if (t >= until) {
                break;
            }
        }
        EXPECT_EQ(looked, seen != 0) << every << " " << until;
        EXPECT_EQ(countdown.SecondsLeft(opened + until), left) << every << " " << until;
    }
}

} // namespace
