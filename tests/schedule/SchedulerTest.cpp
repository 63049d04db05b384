#include "FakeClock.h"
#include "FakeLocalTime.h"
#include "StubEndActionPlatform.h"
#include "StubSamplers.h"
#include "schedule/CivilTime.h"
#include "ui/Scheduler.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>

namespace {

// One log for the owners' calls, in the order they come: the wake timer's
// system calls, the warnings, the record, the next-due line and the check timer.
struct Recorder final : CStubEndActionPlatform,
                        ICheckCycleHost,
                        CScheduler::Record,
                        ICheckCycleObserver {
    PlatformHandle CreateWaitableTimerW(bool) override { return this; }
    bool SetWaitableTimer(PlatformHandle, std::int64_t due, bool) override {
        const std::int64_t time = due / 10000000 - 11644473600;
        log += "set " + FormatClockText(ReadingAt(time)).substr(7) + "; ";
        signaled = false;
        return true;
    }
    std::uint32_t WaitForSingleObject(PlatformHandle, std::uint32_t) override {
        return signaled ? 0 : 258;
    }
    std::uint32_t SetThreadExecutionState(std::uint32_t flags) override {
        log += flags == CSleepHold::kHoldAwake ? "hold; " : "let sleep; ";
        return 1;
    }
    WarnAnswer Warn(std::int32_t mode) override {
        log += "warn " + std::to_string(mode) + "; ";
        scheduler->OnWarningAnswered(); // as the real host tells at the warning's end
        return {WarnAnswer::Cancel};
    }
    void WithdrawWarning() override { log += "withdraw; "; }
    EndActionOutcome ExecuteEndMode(std::int32_t) override { return EndActionOutcome::Failed; }
    void Close() override {}
    void OneOffsChanged() override {
        log += "one-offs; ";
        scheduler->OnOneOffsChanged();
    }
    bool UserBusy() override { return false; }
    void OnSuspend() override { log += "host suspend; "; }
    void OnLook() override { ++looks; }

    static std::string By(CScheduler::By by) { return by == CScheduler::By::Tray ? "tray" : "cmd"; }
    void TimerAdded(CScheduler::By by, std::int32_t mode, int minutes) override {
        log += "rec timer " + By(by) + " " + std::to_string(mode) + " " + std::to_string(minutes) +
               "; ";
    }
    void Skipped(CScheduler::By by, const DueTime& due, const std::optional<OneOff>&) override {
        log += "rec skip " + By(by) + " " + FormatClockText(due.reading).substr(7) + "; ";
    }
    void OneOffsCancelled(CScheduler::By by) override { log += "rec cancel " + By(by) + "; "; }
    void WokeByTimer(std::int64_t time) override {
        log += "rec woke " + FormatClockText(ReadingAt(time)).substr(7) + "; ";
    }
    void SessionEnds() override { log += "rec end; "; }
    void WatchArmed(CScheduler::By by, const std::wstring&) override {
        log += "rec armed " + By(by) + "; ";
    }
    void WatchEnded(CScheduler::WatchEnd why, CScheduler::By by, const std::wstring&) override {
        log += "rec ended " + std::to_string(static_cast<int>(why)) + " " + By(by) + "; ";
    }
    void WarningShown(const CycleOccurrence& due) override {
        log += std::string("rec shown ") + (due.name ? "entry; " : "timer; ");
    }
    void WarningAnswered(const WarnAnswer& answer) override {
        log += "rec answer " + std::to_string(answer.kind) + "; ";
    }
    void WarningWithdrawn(Withdrawal why) override {
        log += "rec withdrawn " + std::to_string(static_cast<int>(why)) + "; ";
    }
    void OccurrenceDropped(const CycleOccurrence& due) override {
        log += std::string("rec dropped ") + (due.name ? "entry; " : "timer; ");
    }
    void OccurrenceHeld(const CycleOccurrence&) override { log += "rec held; "; }
    void HoldEnded(const CycleOccurrence&, bool) override { log += "rec hold ended; "; }
    void HoldDropped(const CycleOccurrence&) override { log += "rec hold dropped; "; }

    std::string log;
    int looks = 0;
    bool signaled = false;
    CScheduler* scheduler = nullptr;
};

// Conditions' samples: the processes of a.exe, and no input for a minute.
struct Samplers final : IProcessSampler, IInputSampler {
    ProcessSample Sample(std::wstring_view name) override {
        *log += "sample; ";
        return {true, name == L"a.exe" ? pids : std::vector<std::uint32_t>{}, false};
    }
    void Forget() override { *log += "forget; "; }
    InputSample Sample() override { return {true, 0, 60000}; }

    std::string* log;
    std::vector<std::uint32_t> pids{7};
    CNoNetworkSampler network;
    CNoCpuSampler cpu;
};

std::int64_t On(int day, int h, int m, int s) {
    return CivilSecondOf(At(2011, 3, day, 0, h, m, s)); // UTC
}

class SchedulerTest : public ::testing::Test {
protected:
    SchedulerTest() {
        CScheduleItem item;
        item.hour = 18, item.sd_mode = 3, item.wake = 1;
        list.AddTail(item);
        clock.Set(zone, On(7, 17, 0, 0));
        rec.scheduler = &scheduler;
        samplers.log = &rec.log;
    }
    std::string Calls() { return std::exchange(rec.log, ""); }

    ScheduleList list;
    FakeClock clock;
    FakeUptime uptime;
    const FakeLocalTime zone;
    Recorder rec;
    Samplers samplers;
    WatchSamplers views{samplers, samplers.network, samplers, samplers.cpu};
    CScheduler scheduler{list,
                         clock,
                         uptime,
                         zone,
                         rec,
                         rec,
                         {[this](const Look& l) {
                              rec.log += "arm " + std::to_string(l.delayMs) + "/" +
                                         std::to_string(l.toleranceMs) + "; ";
                          },
                          [this](bool changed) { rec.log += changed ? "line afresh; " : "line; "; },
                          [this] { return clock.Time() * 1000; }, [this] { rec.log += "save; "; }},
                         &rec,
                         &rec,
                         &views};
};

// The wake the timer caused is held awake whether the first check or the
// power message tells of it first, and the warning's answer ends the hold.
TEST_F(SchedulerTest, EachEventInItsOrder) {
    scheduler.OnStart();
    EXPECT_EQ(Calls(), "set 7 17:59:00; line afresh; arm 59000/1000; ");
    scheduler.AddTimer(0, 10, CScheduler::By::Command); // dropped by the sleep
    scheduler.OnSuspend();
    EXPECT_EQ(rec.looks, 0);
    rec.signaled = true; // the timer woke the PC
    uptime.Sleep(3540000);
    clock.Set(zone, On(7, 17, 59, 1));
    scheduler.OnTick();      // the first check before the power message
    EXPECT_EQ(rec.looks, 1); // the end-action host's own wait
    EXPECT_EQ(Calls(),
              "one-offs; rec timer cmd 0 10; set 7 17:59:00; line afresh; "
              "arm 59000/1000; host suspend; line; arm 59000/1000; rec dropped timer; one-offs; "
              "hold; set 8 17:59:00; rec woke 7 18:00:00; arm 1020/0; set 8 17:59:00; "
              "line afresh; "
              "arm 59020/0; ");
    scheduler.OnWake();
    EXPECT_EQ(Calls(), "set 8 17:59:00; set 8 17:59:00; line afresh; arm 59020/0; ");
    // A condition that holds the system awake too: the warning's answer
    // ends the wake's hold, and the system stays held for the condition.
    EXPECT_EQ(scheduler.ArmWatch({WatchKind::InputIdle, {}, 0, 5}, 1, true, CScheduler::By::Tray),
              L"");
    EXPECT_EQ(Calls(), "forget; rec armed tray; set 8 17:59:00; line afresh; arm 59020/0; ");
    clock.Set(zone, On(7, 18, 0, 0));
    uptime.Pass(59000);
    scheduler.OnTick();
    EXPECT_EQ(Calls(), "arm 1020/0; rec shown entry; warn 3; set 8 17:59:00; line afresh; "
                       "arm 1020/0; rec answer 1; line; arm 59000/1000; ");
    scheduler.CancelOneOffs(CScheduler::By::Command); // タイマーを取り消す ends it too
    EXPECT_EQ(Calls(), "rec cancel cmd; one-offs; rec ended 1 cmd; let sleep; forget; "
                       "set 8 17:59:00; line afresh; arm 59000/1000; ");

    // The next day the power message comes first.
    scheduler.OnSuspend();
    rec.signaled = true;
    uptime.Sleep(86000000);
    clock.Set(zone, On(8, 17, 59, 30));
    scheduler.OnWake();
    scheduler.OnTick();
    EXPECT_EQ(Calls(), "host suspend; line; arm 59000/1000; hold; set 9 17:59:00; "
                       "rec woke 8 18:00:00; set 9 17:59:00; line afresh; arm 30020/0; arm 1020/0; "
                       "line; arm 30020/0; ");

    // The rest, each with its own effect on the next look.
    scheduler.AddTimer(0, 1, CScheduler::By::Tray);
    EXPECT_EQ(Calls(), "one-offs; rec timer tray 0 1; set 9 17:59:00; line afresh; arm 30020/0; ");
    scheduler.OnEditorOpened();
    EXPECT_EQ(Calls(), "line; arm 59000/1000; ");
    scheduler.OnEditorClosed();
    scheduler.CancelOneOffs(CScheduler::By::Command);
    list.RemoveAt(0);
    scheduler.OnListChanged();
    EXPECT_EQ(Calls(), "line; arm 30020/0; rec cancel cmd; one-offs; set 9 17:59:00; line afresh; "
                       "arm 30020/0; line afresh; arm 59000/1000; ");
    clock.Set(zone, On(8, 17, 0, 0));
    scheduler.OnClockChanged();
    scheduler.OnSessionEnd(false);
    scheduler.OnSessionEnd(true);
    EXPECT_EQ(Calls(), "line afresh; arm 59000/1000; rec end; save; ");
}

// A program's end: refused while none runs, the armed condition kept and
// waiting again; armed in its place; met when the last process ends, and
// warned about at once. A sleep ends the one armed.
TEST_F(SchedulerTest, AConditionFromArmingToItsWarning) {
    using By = CScheduler::By;
    scheduler.OnStart();
    scheduler.ArmWatch({WatchKind::InputIdle, {}, 0, 5}, 1, false, By::Tray);
    Calls();
    EXPECT_EQ(scheduler.ArmWatch({WatchKind::ProgramExit, L"a.exe"}, 0, true, By::Command), L"");
    EXPECT_EQ(scheduler.ArmWatch({WatchKind::ProgramExit, L"b.exe"}, 0, true, By::Command),
              L"b.exe は実行されていません。");
    EXPECT_EQ(Calls(), "forget; sample; rec ended 2 cmd; rec armed cmd; hold; set 7 17:59:00; "
                       "line afresh; arm 59000/1000; forget; sample; sample; line; "
                       "arm 59000/1000; ");
    scheduler.OnTick(); // nothing to sample: only the process's end tells
    samplers.pids.clear();
    scheduler.OnWatchEvent();
    EXPECT_EQ(scheduler.Watch(), nullptr);
    EXPECT_EQ(Calls(),
              "arm 1020/0; line; arm 59000/1000; arm 1020/0; sample; one-offs; rec ended 0 tray; "
              "let sleep; forget; rec shown timer; warn 0; set 7 17:59:00; line afresh; "
              "arm 1020/0; rec answer 1; one-offs; set 7 17:59:00; line afresh; "
              "arm 59000/1000; ");
    scheduler.ArmWatch({WatchKind::InputIdle, {}, 0, 5}, 1, true, By::Tray);
    Calls();
    scheduler.OnSuspend();
    EXPECT_EQ(Calls(), "rec ended 3 tray; let sleep; forget; host suspend; set 7 17:59:00; "
                       "line afresh; arm 59000/1000; ");
    // A sleep seen only at a look ends it too.
    scheduler.ArmWatch({WatchKind::InputIdle, {}, 0, 5}, 1, false, By::Tray);
    uptime.Sleep(5000);
    Calls();
    scheduler.OnTick();
    EXPECT_EQ(scheduler.Watch(), nullptr);
    EXPECT_NE(Calls().find("rec ended 3 tray; "), std::string::npos);
}

} // namespace
