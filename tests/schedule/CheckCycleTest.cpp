#include "FakeClock.h"
#include "FakeLocalTime.h"
#include "schedule/CheckCycle.h"
#include "schedule/CivilTime.h"
#include "schedule/WarningCountdown.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace {

const WarnAnswer kOk{WarnAnswer::Confirm};
const WarnAnswer kCancel{WarnAnswer::Cancel};

// Records every host operation in order, and apart what the observer is
// told; answers warnings from a script.
class RecordingHost final : public ICheckCycleHost, public ICheckCycleObserver {
public:
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
    EndActionOutcome ExecuteEndMode(std::int32_t mode) override {
        log.push_back("perform " + std::to_string(mode));
        return outcome;
    }
    void Close() override { log.push_back("close"); }
    void OneOffsChanged() override { log.push_back("one-offs"); }
    bool UserBusy() override {
        if (busy) {
            log.push_back("busy");
        }
        return busy;
    }

    static std::string Of(const CycleOccurrence& d) {
        return (d.name ? "entry " : "timer ") + std::to_string(d.mode) + " " +
               FormatClockText(d.due).substr(9);
    }
    void WarningShown(const CycleOccurrence& d) override { told.push_back("shown " + Of(d)); }
    void WarningAnswered(const WarnAnswer& a) override {
        told.push_back("answer " + std::to_string(a.kind) + " " + std::to_string(a.minutes));
    }
    void WarningWithdrawn(Withdrawal why) override {
        told.push_back("withdrawn " + std::to_string(static_cast<int>(why)));
    }
    void OccurrenceDropped(const CycleOccurrence& d) override { told.push_back("drop " + Of(d)); }
    void OccurrenceHeld(const CycleOccurrence& d) override { told.push_back("held " + Of(d)); }
    void HoldEnded(const CycleOccurrence& d, bool limit) override {
        told.push_back("hold ended " + Of(d) + (limit ? " at the limit" : ""));
    }
    void HoldDropped(const CycleOccurrence& d) override { told.push_back("dropped " + Of(d)); }

    std::vector<std::string> log;
    std::vector<std::string> told; // the observer's
    std::deque<WarnAnswer> answers;
    std::function<void()> whileWarning; // runs inside the modal warning
    bool withdrawn = false;
    EndActionOutcome outcome = EndActionOutcome::ProgramEnds;
    bool busy = false;
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
    FakeUptime uptime;
    const FakeLocalTime utc;
    RecordingHost host;
    CCheckCycle cycle{list, clock, uptime, utc, host};
};

TEST_F(CheckCycleTest, ChecksWhilePausedDoNothing) {
    cycle.Pause();
    cycle.Check();
    EXPECT_TRUE(host.log.empty());
    EXPECT_EQ(clock.reads, 0);
}

TEST_F(CheckCycleTest, NothingDueDoesNothing) {
    clock.now.second = 1;
    cycle.Check();
    EXPECT_TRUE(host.log.empty());
}

TEST_F(CheckCycleTest, ConfirmStopsWarnsPerformsThenCloses) {
    host.answers = {kOk};
    cycle.Check();
    EXPECT_EQ(host.log, (Log{"warn 3", "perform 3", "close"}));
}

TEST_F(CheckCycleTest, ConfirmWithoutAnAnswerPerforms) {
    host.answers = {kOk};
    cycle.Check();
    EXPECT_EQ(host.log, (Log{"warn 3", "perform 3", "close"}));
}

TEST_F(CheckCycleTest, OutOfRangeModeStillWarnsAndCloses) {
    list.SetAt(0, DueAt(18, 0, 0, 6));
    cycle.Check();
    EXPECT_EQ(host.log, (Log{"warn 6", "perform 6", "close"}));
}

TEST_F(CheckCycleTest, OnlyTheFirstOfTwoDueEntriesIsAnnounced) {
    list.AddTail(DueAt(18, 0, 0, 0));
    cycle.Check();
    EXPECT_EQ(host.log, (Log{"warn 3", "perform 3", "close"}));
}

// The window's checks go on inside the warning's own message loop.
TEST_F(CheckCycleTest, ChecksWhileTheWarningIsOpenDoNothing) {
    list.AddTail(DueAt(18, 0, 1, 1));
    host.whileWarning = [this] {
        clock.now.second = 1;
        cycle.Check();
        clock.now.second = 2;
        cycle.Check();
    };
    host.answers = {kCancel};
    cycle.Check();
    EXPECT_EQ(host.log, (Log{"warn 3"}));
}

TEST_F(CheckCycleTest, SecondPassedDuringTheWarningIsMissed) {
    list.AddTail(DueAt(18, 0, 5, 1));
    host.whileWarning = [this] { clock.now.second = 6; };
    host.answers = {kCancel};
    cycle.Check();
    cycle.Check();
    EXPECT_EQ(host.log, (Log{"warn 3"}));
}

std::string Joined(const Log& log) {
    std::string text;
    for (const std::string& entry : log) {
        text += (text.empty() ? "" : ", ") + entry;
    }
    return text;
}

// Checks at seconds around 18:00:00, the entry's second (offsets in s; the
// markers act between them). The machine's uptime follows the latest reading
// (a clock set back does not turn it back), asleep after kSleep. During a
// warning the clock moves on by `choiceAt`, and `during` happens.
TEST_F(CheckCycleTest, LateTicksCancelsPostponementsAndWakes) {
    const WarnAnswer later5{WarnAnswer::Postpone, 5};
    enum Marker {
        kWake = INT_MIN,
        kSkip,       // skip the first entry's 18:00:00, offered before
        kTimer,      // a 1-minute quick timer of mode 2, made at -30
        kSuspend,    // PBT_APMSUSPEND
        kSleep,      // until the next check
        kPause,      // and kResume: the entry editor
        kResume,     //
        kClockAhead, // the wall clock set an hour ahead
        kUntold,     // ... without WM_TIMECHANGE
        kFails,      // every action fails from now on
        kHalfTimer,  // kTimer, made half a second into its second
        kContinues,  // every action lets the program go on from now on
        kBusy,       // the user busy from now on, or free again
        kWaiting,    // the reading of what waits
        kCancelTimers,
        kEdit,   // the first entry moved to 19:00:00
        kDelete, // ... or deleted
    };
    enum During { None, Wake, Suspend, Sleep, SleepAndCheck, CancelOneOffs };
    struct Row {
        const char* what;
        std::vector<int> ticks;
        std::deque<WarnAnswer> answers;
        int choiceAt;
        During during;
        const char* want;
        const char* told = nullptr; // the observer's, where checked
    };
    const char* warnOk = "warn 3, perform 3, close";
    // clang-format off
    const Row rows[] = {
        {"a skipped second", {-1, 1}, {}, 0, None, warnOk, "shown entry 3 18:00:00, answer 0 0"},
        {"a 60 s gap is caught up", {-59, 1}, {}, 0, None, warnOk},
        {"a 61 s gap is not", {-60, 1, 2}, {}, 0, None, ""},
        {"a clock set back", {5, 0}, {}, 0, None, warnOk},
        {"a cancelled second", {0, 0, 0, 1}, {kCancel}, 0, None, "warn 3", "shown entry 3 18:00:00, answer 1 0"},
        {"a postponed occurrence", {0, 0, 309, 310, 310, 311}, {later5, kCancel}, 10, None,
         "warn 3, one-offs, warn 3, one-offs", "shown entry 3 18:00:00, answer 2 5, shown entry 3 18:05:10, answer 1 0"},
        {"postponed again, caught up late", {0, 305, 312, 619, 623}, {later5, later5, kOk}, 10,
         None, "warn 3, one-offs, warn 3, one-offs, warn 3, perform 3, close"},
        {"a postponement passed over by a sleep", {0, 100, kSleep, 400}, {later5}, 0, None,
         "warn 3, one-offs, one-offs"},
        {"a wake withdraws the warning, and checks start afresh", {-2, 0, 20}, {}, 15, Wake,
         "warn 3, withdraw", "shown entry 3 18:00:00, withdrawn 0"},
        {"a short sleep: nothing caught up", {10, kWake, 20}, {}, 0, None, ""},
        {"a skipped occurrence", {kSkip, -1, 0, 1}, {}, 0, None, "one-offs"},
        {"a skipped occurrence, caught up", {kSkip, -2, 2}, {}, 0, None, "one-offs"},
        {"a skip covers one occurrence", {kSkip, 0, 86400}, {}, 0, None,
         "one-offs, warn 3, perform 3, close"},
        {"a quick timer", {kTimer, 29, 30}, {}, 0, None, "one-offs, warn 2, perform 2, close"},
        {"a failed action goes back to checking", {kFails, 0, 0}, {}, 0, None, "warn 3, perform 3"},
        {"a suspend withdraws the warning", {0, kSleep, 20}, {}, 5, Suspend, "warn 3, withdraw",
         "shown entry 3 18:00:00, withdrawn 0"},
        {"nothing caught up after a suspend", {10, kSuspend, 20}, {}, 0, None, ""},
        {"a sleep seen by a check in the warning", {0, 20}, {}, 15, SleepAndCheck,
         "warn 3, withdraw", "shown entry 3 18:00:00, withdrawn 1"},
        {"a sleep, then the time-out", {0}, {}, 15, Sleep, "warn 3", "shown entry 3 18:00:00, withdrawn 1"},
        {"a sleep shorter than 60 s: nothing caught up", {10, kSleep, 20}, {}, 0, None, ""},
        {"a quick timer due while paused", {kTimer, kPause, -1, 0, 17, 30, 40, kResume, 41}, {},
         0, None, "one-offs, warn 2, perform 2, close"},
        {"a quick timer due during another warning", {kTimer, 0, 41}, {kCancel}, 40, None,
         "one-offs, warn 3, warn 2, perform 2, close"},
        {"a quick timer passed over by a sleep", {kTimer, 20, kSleep, 40, 41}, {}, 0, None,
         "one-offs, one-offs", "drop timer 2 18:00:30"},
        {"a quick timer keeps its real time when the clock is set", {kTimer, kClockAhead, 3629,
         kFails, 3630}, {}, 0, None, "one-offs, one-offs, warn 2, perform 2, one-offs"},
        {"... and when the window is not told", {kTimer, kUntold, 3629, kFails, 3630}, {}, 0, None,
         "one-offs, warn 2, perform 2, one-offs"},
        {"a quick timer warns in the second it shows", {kHalfTimer, 29, kFails, 30}, {}, 0, None,
         "one-offs, warn 2, perform 2, one-offs"},
        {"a quick timer that came while paused, then a sleep", {kTimer, kPause, 31, kSleep, 90,
         kResume, 91}, {}, 0, None, "one-offs, warn 2, perform 2, close"},
        {"timers cancelled while one warns", {kTimer, 30, 31}, {}, 0, CancelOneOffs,
         "one-offs, warn 2, withdraw, one-offs", "shown timer 2 18:00:30, withdrawn 2"},
        {"a skip of an occurrence warned about meanwhile", {0, kSkip, 86400}, {kCancel}, 0, None,
         "warn 3, too late, warn 3, perform 3, close"},
        {"a lock: checking goes on", {kContinues, 0, 17}, {}, 0, None,
         "warn 3, perform 3, warn 1, perform 1"},
        {"kept running after standby: nothing due in the sleep", {kTimer, kContinues, 0, kSleep,
         41}, {}, 0, None, "one-offs, warn 3, perform 3, one-offs"},
        {"a busy user: asked every 15 s, warned when free", {kBusy, 0, 15, 29, kBusy, 30}, {}, 0,
         None, "busy, one-offs, busy, one-offs, warn 3, perform 3, close", "held entry 3 18:00:00, hold ended entry 3 18:00:00, shown entry 3 18:00:00, answer 0 0"},
        {"... 60 minutes after the due time at the latest", {kBusy, -1, 1, 3599, 3600}, {}, 0,
         None, "busy, one-offs, busy, one-offs, warn 3, perform 3, close", "held entry 3 18:00:00, hold ended entry 3 18:00:00 at the limit, shown entry 3 18:00:00, answer 0 0"},
        {"... missing what passes, dropped by a sleep", {kBusy, 0, 17, kSleep, 40, kBusy, 41},
         {}, 0, None, "busy, one-offs, busy, one-offs", "held entry 3 18:00:00, drop entry 3 18:00:00"},
        {"... shown and skipped", {kBusy, -2, 2, kWaiting, kSkip, kBusy, 20}, {}, 0, None,
         "busy, one-offs, 2011/3/7 18:00:00, one-offs, warn 1, perform 1, close"},
        {"... a quick timer cancelled", {kTimer, kBusy, 30, kCancelTimers, kBusy, 50}, {}, 0,
         None, "one-offs, busy, one-offs, one-offs"},
        {"a 2 s sleep is a sleep", {kTimer, 29, kSleep, 31, 32}, {}, 0, None,
         "one-offs, one-offs"},
        {"... a waiting quick timer dropped by a sleep", {kTimer, kBusy, 30, kSleep, 40, kBusy,
         41}, {}, 0, None, "one-offs, busy, one-offs, one-offs"},
        {"... an entry's occurrence kept by タイマーを取り消す", {kBusy, 0, kCancelTimers,
         kWaiting, kBusy, 15}, {}, 0, None,
         "busy, one-offs, one-offs, 2011/3/7 18:00:00, one-offs, warn 3, perform 3, close"},
        {"... its entry edited", {kBusy, 0, kEdit, kBusy, 15, 16}, {}, 0, None,
         "busy, one-offs, one-offs"},
        {"... or deleted", {kBusy, 0, kDelete, kBusy, 15, 16}, {}, 0, None,
         "busy, one-offs, one-offs", "held entry 3 18:00:00, dropped entry 3 18:00:00"},
        {"... a quick timer not checked against the list", {kTimer, kBusy, 30, kBusy, 45}, {}, 0,
         None, "one-offs, busy, one-offs, one-offs, warn 2, perform 2, close"},
    };
    // clang-format on
    const std::int64_t base = CivilSecondOf(At(2011, 3, 7, 1, 18, 0, 0));
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        ScheduleList entries;
        entries.AddTail(DueAt(18, 0, 0, 3));
        entries.AddTail(DueAt(18, 0, 17, 1)); // due while the warning was open
        FakeUptime up;
        RecordingHost recorder;
        CCheckCycle subject(entries, clock, up, utc, recorder, &recorder);
        std::int64_t latest = base - 30;
        bool asleep = false;
        std::int64_t early = 0; // ms of the next move that already passed
        const auto moveTo = [&](std::int64_t second) {
            clock.now = ReadingAt(second);
            const std::int64_t ms =
                std::max<std::int64_t>(second - latest, 0) * 1000 - std::exchange(early, 0);
            asleep ? up.Sleep(ms) : up.Pass(ms);
            latest = std::max(latest, second);
            asleep = false;
        };
        moveTo(base - 30);
        recorder.answers = row.answers;
        recorder.whileWarning = [&] {
            asleep = row.during == Sleep || row.during == SleepAndCheck;
            moveTo(CivilSecondOf(clock.now) + row.choiceAt);
            row.during == Wake            ? subject.OnWake()
            : row.during == Suspend       ? subject.OnSuspend()
            : row.during == SleepAndCheck ? subject.Check()
            : row.during == CancelOneOffs ? subject.CancelOneOffs()
                                          : void();
        };
        const std::map<int, std::function<void()>> markers = {
            {kWake, [&] { subject.OnWake(); }},
            {kSkip,
             [&] {
                 if (!subject.Skip(DueTime{base, 0, 0, ReadingAt(base)})) {
                     recorder.log.push_back("too late");
                 }
             }},
            {kTimer, [&] { subject.AddTimer(2, 1); }},
            {kSuspend, [&] { subject.OnSuspend(); }},
            {kSleep, [&] { asleep = true; }},
            {kPause, [&] { subject.Pause(); }},
            {kResume, [&] { subject.Resume(); }},
            {kClockAhead,
             [&] {
                 clock.now = ReadingAt(latest += 3600);
                 subject.OnClockChanged();
             }},
            {kUntold, [&] { clock.now = ReadingAt(latest += 3600); }},
            {kFails, [&] { recorder.outcome = EndActionOutcome::Failed; }},
            {kContinues, [&] { recorder.outcome = EndActionOutcome::ProgramContinues; }},
            {kBusy, [&] { recorder.busy = !recorder.busy; }},
            {kWaiting,
             [&] {
                 recorder.log.push_back(
                     FormatClockText(subject.Waiting().value_or(DueTime{}).reading));
             }},
            {kCancelTimers, [&] { subject.CancelOneOffs(); }},
            {kEdit, [&] { entries.SetAt(0, DueAt(19, 0, 0, 3)); }},
            {kDelete, [&] { entries.RemoveAt(0); }},
            {kHalfTimer,
             [&] {
                 up.Pass(500);
                 early = 500;
                 subject.AddTimer(2, 1);
             }},
        };
        for (const int at : row.ticks) {
            if (markers.contains(at)) {
                markers.at(at)();
            } else {
                moveTo(base + at);
                subject.Check();
            }
        }
        EXPECT_EQ(Joined(recorder.log), row.want);
        if (row.told != nullptr) {
            EXPECT_EQ(Joined(recorder.told), row.told);
        }
        if (row.answers.size() == 1 && row.answers.front().kind == WarnAnswer::Postpone) {
            EXPECT_EQ(subject.OneOffs().GetCount(), row.ticks.back() < 300 ? 1 : 0);
        }
    }
}

// New York's nights of 2026 in a fake zone: clocks go forward at 2:00 on 8
// March and back at 2:00 on 1 November. Checks every second for 4.5 hours
// from `from`, each warning cancelled; each warning must be what the next-due
// line showed since the warning before.
TEST_F(CheckCycleTest, DaylightSavingTimeNights) {
    const FakeLocalTime newYork(-5 * 3600, INT64_MAX, 1772953200, 1793512800);
    struct Row {
        const char* what;
        std::int64_t from;
        int timer; // minutes of a quick timer made at `from`
        const char* want;
    };
    const Row rows[] = {
        {"spring: 2:30 never comes, 3:00 comes at the jump", 1772946000, 0, // 0:00 EST
         "2026/3/8  1:30:00 warn 0, 2026/3/8  3:00:00 warn 3"},
        {"autumn: 1:30 comes once, in summer time", 1793505600, 0, // 0:00 EDT
         "2026/11/1  1:30:00 warn 0, 2026/11/1  2:30:00 warn 1, 2026/11/1  3:00:00 warn 3"},
        {"autumn, from 1:10 in winter time: 1:30 came before", 1793513400, 0,
         "2026/11/1  2:30:00 warn 1, 2026/11/1  3:00:00 warn 3"},
        {"15 minutes from 1:50 in winter time", 1772952600, 15,
         "2026/3/8  3:00:00 warn 3, 2026/3/8  3:05:00 warn 2"},
        {"15 minutes from 1:50 in summer time", 1793512200, 15,
         "2026/11/1  1:05:00 warn 2, 2026/11/1  2:30:00 warn 1, 2026/11/1  3:00:00 warn 3"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        ScheduleList entries; // daily
        entries.AddTail(DueAt(1, 30, 0, 0));
        entries.AddTail(DueAt(2, 30, 0, 1));
        entries.AddTail(DueAt(3, 0, 0, 3));
        FakeUptime up;
        RecordingHost recorder;
        CCheckCycle subject(entries, clock, up, newYork, recorder);
        const CNextDueFinder finder(entries, newYork, &subject.OneOffs(), &subject.Skips());
        clock.Set(newYork, row.from);
        if (row.timer != 0) {
            subject.AddTimer(2, row.timer);
        }
        std::int64_t last = row.from;
        Log warned;
        recorder.whileWarning = [&] {
            const std::optional<DueTime> shown = finder.NextDue(last);
            last = clock.Time();
            warned.push_back(FormatClockText(clock.now) + " " + recorder.log.back());
            EXPECT_TRUE(shown && shown->time == last &&
                        FormatClockText(shown->reading) == FormatClockText(clock.now))
                << warned.back();
            recorder.answers = {kCancel};
        };
        const std::int64_t end = row.from + 16200;
        for (std::int64_t t = row.from + 1; t < end; ++t) {
            clock.Set(newYork, t);
            up.Pass(1000);
            subject.Check();
        }
        EXPECT_EQ(Joined(warned), row.want);
        const std::optional<DueTime> next = finder.NextDue(last);
        EXPECT_TRUE(next && next->time >= end);
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
