#include "FakeClock.h"
#include "FakeLocalTime.h"
#include "StubEndActionPlatform.h"
#include "schedule/WakeTimer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <string>
#include <utility>

namespace {

PlatformHandle const kTimer = reinterpret_cast<PlatformHandle>(0x48);

// Records the timer's and the execution state's calls; nothing else is made.
class TimerPlatform final : public CStubEndActionPlatform {
public:
    void CloseHandle(PlatformHandle h) override { log += h == kTimer ? "close; " : "?; "; }
    PlatformHandle CreateWaitableTimerW(bool manualReset) override {
        log += manualReset ? "create; " : "?; ";
        return kTimer;
    }
    // The due time as UTC text, by the calendar from 1601.
    bool SetWaitableTimer(PlatformHandle h, std::int64_t due, bool resume) override {
        using namespace std::chrono;
        const sys_seconds at = sys_days{1601y / 1 / 1} + seconds{due / 10000000};
        log += h == kTimer && resume && due % 10000000 == 0 ? "set " : "? ";
        log += FormatClockText(ReadingAt(at.time_since_epoch().count())) + "; ";
        signaled = false;
        return true;
    }
    bool CancelWaitableTimer(PlatformHandle h) override {
        log += h == kTimer ? "cancel; " : "?; ";
        return true;
    }
    std::uint32_t WaitForSingleObject(PlatformHandle h, std::uint32_t ms) override {
        return h == kTimer && ms == 0 && signaled ? 0 : 258; // WAIT_OBJECT_0, WAIT_TIMEOUT
    }
    std::uint32_t SetThreadExecutionState(std::uint32_t flags) override {
        log += "state " + std::to_string(flags) + "; ";
        return 0x80000000;
    }

    std::string log;
    bool signaled = false;
};

std::int64_t On(int day, int h, int m, int s) {
    return CivilSecondOf(At(2011, 3, day, 0, h, m, s)); // UTC
}

// Each kind of change in turn, and the calls it makes. 2147483649 holds the
// system awake, 2147483648 lets it sleep.
TEST(WakeTimer, SetForTheNextMarkedEntryAndHeldAwakeAfterItsWake) {
    ScheduleList list;
    CScheduleItem item;
    item.hour = 18, item.wake = 1;
    list.AddTail(item);
    item.hour = 17, item.wake = 0;
    list.AddTail(item);
    CSkipList skips;
    const FakeLocalTime utc;
    TimerPlatform platform;
    FakeUptime uptime;
    CSleepHold hold(platform);
    std::optional<CWakeTimer> timer(std::in_place, list, utc, skips, platform, uptime, hold);
    const auto calls = [&] { return std::exchange(platform.log, ""); };

    timer->Update(On(7, 12, 0, 0));
    item.wake = 1;
    list.SetAt(1, item); // a list change
    timer->Update(On(7, 12, 0, 0));
    skips.Add(item, On(7, 17, 0, 0));
    timer->Update(On(7, 16, 58, 59));
    timer->Update(On(7, 18, 30, 0)); // the clock set
    timer->OnWake(On(8, 10, 0, 0));  // not by the timer
    platform.signaled = true;        // ... which went off before a long sleep
    timer->OnWake(On(8, 18, 5, 1));
    timer->Tick(On(9, 17, 0, 0)); // its occurrence has come
    EXPECT_EQ(calls(), "create; set 2011/3/7 17:59:00; set 2011/3/7 16:59:00; "
                       "set 2011/3/7 17:59:00; set 2011/3/8 16:59:00; set 2011/3/8 16:59:00; "
                       "set 2011/3/9 16:59:00; set 2011/3/9 17:59:00; ");
    platform.signaled = true;
    timer->OnWake(On(9, 17, 59, 1));
    timer->OnWarningAnswered(On(9, 17, 59, 59)); // about something before it
    EXPECT_EQ(calls(), "state 2147483649; set 2011/3/10 16:59:00; ");
    timer->OnWarningAnswered(On(9, 18, 0, 15));
    platform.signaled = true;
    timer->OnWake(On(10, 16, 59, 2));
    uptime.Pass(357999); // up to 5 minutes after its due time
    timer->Tick(On(10, 16, 59, 2));
    EXPECT_EQ(calls(), "state 2147483648; state 2147483649; set 2011/3/10 17:59:00; ");
    uptime.Pass(1);
    timer->Tick(On(10, 16, 59, 2));
    list.RemoveAt(0);
    item.wake = 0;
    list.SetAt(0, item);
    timer->Update(On(10, 17, 0, 0));
    timer.reset();
    EXPECT_EQ(calls(), "state 2147483648; cancel; close; ");
}

// After a wake by the timer for 18:00:00 at 17:59:30, the second at which
// the system may sleep again: the answer to the occurrence's warning (in its
// own second, or later; an earlier one is about something else), or the
// bound, 18:05:00, when the occurrence went away meanwhile.
TEST(WakeTimer, TheHoldEndsAtTheAnswerOrAtItsBound) {
    enum Change { None, Deleted, Skipped };
    struct Row {
        const char* what;
        Change change;
        int answeredAt; // seconds after 18:00:00 (1000: never)
        int released;   // ... when the hold ends
    };
    const Row rows[] = {
        {"cancelled in its own second", None, 0, 0},    {"timed out", None, 15, 15},
        {"a warning before it", None, -15, 300},        {"its entry deleted", Deleted, 1000, 300},
        {"its occurrence skipped", Skipped, 1000, 300},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        ScheduleList list;
        CScheduleItem item;
        item.hour = 18, item.wake = 1;
        list.AddTail(item);
        CSkipList skips;
        const FakeLocalTime utc;
        TimerPlatform platform;
        FakeUptime uptime;
        CSleepHold hold(platform);
        CWakeTimer timer(list, utc, skips, platform, uptime, hold);
        const std::int64_t due = On(7, 18, 0, 0);
        timer.Update(due - 3600);
        platform.signaled = true;
        timer.OnWake(due - 30);
        if (row.change == Deleted) {
            list.RemoveAt(0);
        } else if (row.change == Skipped) {
            skips.Add(item, due);
        }
        timer.Update(due - 30);
        std::optional<int> released;
        for (int t = -29; t <= 360 && !released; ++t) {
            uptime.Pass(1000);
            if (t == row.answeredAt) {
                timer.OnWarningAnswered(due + t);
            }
            timer.Tick(due + t);
            if (std::exchange(platform.log, "").find("state 2147483648") != std::string::npos) {
                released = t;
            }
        }
        EXPECT_EQ(released, std::optional<int>(row.released));
    }
}

} // namespace
