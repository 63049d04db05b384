#include "FakeClock.h"
#include "schedule/CheckCycle.h"

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr int kIdOk = 1;
constexpr int kIdCancel = 2;

// Records every host operation in order; answers warnings from a script.
class RecordingHost final : public ICheckCycleHost {
public:
    void SetClockText(const std::string& text) override { log.push_back("text " + text); }
    void StopCheckTimer() override { log.push_back("stop 2"); }
    void RestartCheckTimer() override { log.push_back("restart 2"); }
    int Warn(std::int32_t mode) override {
        log.push_back("warn " + std::to_string(mode));
        if (whileWarning) {
            whileWarning();
        }
        const int result = answers.empty() ? kIdOk : answers.front();
        if (!answers.empty()) {
            answers.pop_front();
        }
        return result;
    }
    void ExecuteEndMode(std::int32_t mode) override {
        log.push_back("perform " + std::to_string(mode));
    }
    void Close() override { log.push_back("close"); }

    std::vector<std::string> log;
    std::deque<int> answers;
    std::function<void()> whileWarning; // runs inside the modal warning
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
    host.answers = {kIdOk};
    cycle.OnTimer(2);
    EXPECT_EQ(host.log, (Log{"stop 2", "warn 3", "perform 3", "close"}));
}

TEST_F(CheckCycleTest, WarningThatCannotBeShownCountsAsConfirm) {
    host.answers = {-1};
    cycle.OnTimer(2);
    EXPECT_EQ(host.log, (Log{"stop 2", "warn 3", "perform 3", "close"}));
}

TEST_F(CheckCycleTest, OutOfRangeModeStillWarnsAndCloses) {
    list.SetAt(0, DueAt(18, 0, 0, 4));
    cycle.OnTimer(2);
    EXPECT_EQ(host.log, (Log{"stop 2", "warn 4", "perform 4", "close"}));
}

TEST_F(CheckCycleTest, CancelRestartsAndRewarnsWithinTheSameSecond) {
    host.answers = {kIdCancel, kIdCancel};
    cycle.OnTimer(2);
    EXPECT_EQ(host.log, (Log{"stop 2", "warn 3", "restart 2"}));
    // 300 ms later, still 18:00:00: warned again.
    cycle.OnTimer(2);
    EXPECT_EQ(host.log, (Log{"stop 2", "warn 3", "restart 2", "stop 2", "warn 3", "restart 2"}));
    // Once the second has passed the matter is over.
    host.log.clear();
    clock.now.second = 1;
    cycle.OnTimer(2);
    EXPECT_TRUE(host.log.empty());
}

TEST_F(CheckCycleTest, OnlyTheFirstOfTwoDueEntriesIsAnnounced) {
    list.AddTail(DueAt(18, 0, 0, 0));
    host.answers = {kIdCancel, kIdOk};
    cycle.OnTimer(2);
    cycle.OnTimer(2);
    EXPECT_EQ(host.log,
              (Log{"stop 2", "warn 3", "restart 2", "stop 2", "warn 3", "perform 3", "close"}));
}

TEST_F(CheckCycleTest, ClockKeepsRunningWhileTheWarningIsOpen) {
    host.whileWarning = [this] {
        clock.now.second = 1;
        cycle.OnTimer(1);
        clock.now.second = 2;
        cycle.OnTimer(1);
    };
    host.answers = {kIdCancel};
    cycle.OnTimer(2);
    EXPECT_EQ(host.log, (Log{"stop 2", "warn 3", "text 2011/3/7 18:00:01", "text 2011/3/7 18:00:02",
                             "restart 2"}));
}

TEST_F(CheckCycleTest, SecondPassedDuringTheWarningIsMissed) {
    list.AddTail(DueAt(18, 0, 5, 1));
    host.whileWarning = [this] { clock.now.second = 6; };
    host.answers = {kIdCancel};
    cycle.OnTimer(2);
    cycle.OnTimer(2);
    EXPECT_EQ(host.log, (Log{"stop 2", "warn 3", "restart 2"}));
}

} // namespace
