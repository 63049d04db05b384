#pragma once

#include "schedule/CheckCycle.h"
#include "schedule/EndActionPlatform.h"
#include "schedule/NextLook.h"
#include "schedule/SleepHold.h"
#include "schedule/WakeTimer.h"
#include "watch/ArmedWatch.h"

#include <functional>
#include <memory>
#include <string>
#include <optional>

// Receives every event that can change what the program does next, and
// calls the owners in one fixed order:
//
//   1. a sleep: the check cycle looks at the uptime, and the wake timer looks
//      for its own signal, before anything may set the timer again (which
//      clears the signal), so that a wake it caused is held awake whichever
//      comes first, the power message or the first check;
//   2. the event itself, in the check cycle (or the editor's pause, or the
//      save at the session's end); the cycle's host hears of each look and
//      of a suspend after the cycle;
//   3. the wake timer: set again after anything changed (the list, the
//      one-offs or skips, the clock, an answered warning), else its tick;
//   4. the next-due line: worked out afresh after a change, else refreshed;
//   5. the check timer: armed again for the next look (CNextLook). A check
//      arms it for the next second first, since a warning it opens runs a
//      message loop of its own.
//
// The cycle's changes (OneOffsChanged) only mark the rest for steps 3 and 4,
// which run once at the end of the event. An event that comes while a
// warning's modal loop runs inside another is settled on its own, and the
// outer one settles again when the warning is over.
//
// At most one condition (CArmedWatch) is armed at a time; it is sampled at
// the looks it asks for, and at once when a waited process ends. Once met it
// becomes a one-off due at once, warned about as a quick timer is, and is
// gone: a cancelled warning never arms it again. A sleep ends it, and so do
// タイマーを取り消す and /cancel. While armed it may hold the system awake.
//
// Everything the window does for it comes through Window; the class holds no
// window of its own, so that its order can be tested without one.
class CScheduler {
public:
    // Who asked for a quick timer, a skip, a condition or a cancel.
    enum class By { Tray, Command };
    // Why an armed condition ended.
    enum class WatchEnd { Met, Cancelled, Replaced, Slept };

    // What the record is told of the events the scheduler sees.
    class Record {
    public:
        virtual void TimerAdded(By by, std::int32_t mode, int minutes) = 0;
        // `oneOff`: the one-off skipped, as it was; none for an entry's.
        virtual void Skipped(By by, const DueTime& due, const std::optional<OneOff>& oneOff) = 0;
        virtual void OneOffsCancelled(By by) = 0;
        // The wake timer woke the machine for the occurrence at `time`.
        virtual void WokeByTimer(std::int64_t time) = 0;
        // A condition, in its words ("render.exe の終了後 シャットダウン").
        virtual void WatchArmed(By by, const std::wstring& words) = 0;
        virtual void WatchEnded(WatchEnd why, By by, const std::wstring& words) = 0;
        virtual void SessionEnds() = 0;

    protected:
        ~Record() = default;
    };

    struct Window {
        std::function<void(const Look&)> arm;          // the check timer, once
        std::function<void(bool changed)> showNextDue; // afresh, or only if it moved on
        std::function<std::int64_t()> wallMs;          // ms since 1970-01-01 00:00:00 UTC
        std::function<void()> save;                    // the list, quietly
    };

    // `host` is asked for the warnings and the end actions; its
    // OneOffsChanged and the end of each warning must come back to
    // OnOneOffsChanged and OnWarningAnswered. `record` is told of the skips,
    // quick timers, cancels, wakes by the wake timer and the session's end;
    // `observer` of what the check cycle does. Conditions are read through
    // `samplers`; without them none can be armed.
    CScheduler(const ScheduleList& list, IClock& clock, IUptime& uptime,
               const ILocalTimeConverter& zone, ICheckCycleHost& host, IEndActionPlatform& platform,
               Window window, Record* record = nullptr, ICheckCycleObserver* observer = nullptr,
               const WatchSamplers* samplers = nullptr);
    CScheduler(const CScheduler&) = delete;
    CScheduler& operator=(const CScheduler&) = delete;

    // The window is up: the first look.
    void OnStart();
    // The check timer fired.
    void OnTick();
    // An entry was added, edited, deleted or moved.
    void OnListChanged();
    // A quick timer: `mode` once, `minutes` of real time from now.
    void AddTimer(std::int32_t mode, int minutes, By by);
    // Drops the occurrence offered; false when it has come meanwhile.
    bool Skip(const DueTime& offered, By by);
    // Drops every quick timer and postponed occurrence, and the condition.
    void CancelOneOffs(By by);
    // Arms a condition for `mode` in place of the armed one, holding the
    // system awake until it ends when `holdAwake`. Empty when armed; else
    // why not, and the armed one stays.
    std::wstring ArmWatch(const WatchSpec& spec, std::int32_t mode, bool holdAwake, By by);
    // Ends the armed condition, if any.
    void CancelWatch(By by);
    // A process the condition waits on ended: it samples at once.
    void OnWatchEvent();
    // WM_TIMECHANGE.
    void OnClockChanged();
    // PBT_APMSUSPEND, and PBT_APMRESUMEAUTOMATIC or PBT_APMRESUMESUSPEND.
    void OnSuspend();
    void OnWake();
    // A warning was answered, timed out or withdrawn.
    void OnWarningAnswered();
    // The cycle's one-offs, skips or waiting occurrence changed.
    void OnOneOffsChanged() { m_changed = true; }
    // The entry editor opened and closed: nothing falls due meanwhile.
    void OnEditorOpened();
    void OnEditorClosed();
    // WM_ENDSESSION: the list is saved when the session really ends.
    void OnSessionEnd(bool ending);

    const CCheckCycle& Cycle() const { return m_cycle; }
    const CWakeTimer& WakeTimer() const { return m_wakeTimer; }
    // The armed condition; null when none is.
    const CArmedWatch* Watch() const { return m_watch.get(); }
    bool IsHoldingForWatch() const { return m_hold.IsHeld(CSleepHold::Watch); }

private:
    std::int64_t Now();
    // Step 1.
    void LookForWake();
    // The wake timer looks for its signal; a wake it caused is recorded.
    void WakeTimerOnWake();
    // Steps 3 to 5.
    void Settle();
    // A check; `watchEvent`: a waited process ended.
    void Look(bool watchEvent);
    // Samples the condition when its look has come, or at once on `event`;
    // a met one becomes a one-off.
    void LookAtWatch(bool event);
    void EndWatch(WatchEnd why, By by);

    IClock& m_clock;
    IUptime& m_uptime;
    ICheckCycleHost& m_host;
    Window m_window;
    CCheckCycle m_cycle;
    CSleepHold m_hold; // shared by the wake timer and the condition
    CWakeTimer m_wakeTimer;
    CNextLook m_nextLook;
    Record* m_record;
    const WatchSamplers* m_samplers;
    std::unique_ptr<CArmedWatch> m_watch;
    bool m_changed = false;
};
