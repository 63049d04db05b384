#pragma once

#include "schedule/CheckCycleObserver.h"
#include "schedule/Clock.h"
#include "schedule/DueChecker.h"
#include "schedule/LocalTimeConverter.h"
#include "schedule/NextDueFinder.h"
#include "schedule/OneOffList.h"
#include "schedule/ScheduleList.h"
#include "schedule/SkipList.h"
#include "schedule/Uptime.h"

#include <cstdint>
#include <optional>

// How the user answered a warning.
struct WarnAnswer {
    enum Kind {
        Confirm,  // the time-out (or a warning that could not be shown)
        Cancel,   // キャンセル, Esc, or a warning withdrawn
        Postpone, // 延期: again `minutes` after the choice
    };
    Kind kind = Confirm;
    int minutes = 0;
};

// What became of a requested end action.
enum class EndActionOutcome {
    Failed,           // nothing happened; the user has been told
    ProgramEnds,      // requested, and the program ends
    ProgramContinues, // done, and the program keeps running and checking (a lock; standby or
                      // hibernation when the user chose to keep running after them)
};

// What the main window provides to the check-and-warn cycle.
class ICheckCycleHost {
public:
    // Runs the warning for an end mode until it is answered or withdrawn.
    virtual WarnAnswer Warn(std::int32_t mode) = 0;
    // Ends the open warning as a cancel would.
    virtual void WithdrawWarning() = 0;
    // Performs the end action (the end-action executor); the host decides
    // from the mode and the user's options whether the program goes on.
    virtual EndActionOutcome ExecuteEndMode(std::int32_t mode) = 0;
    // The action was requested: the program ends.
    virtual void Close() = 0;
    // The postponed occurrences, quick timers, skips or the occurrence that
    // waits for the user changed.
    virtual void OneOffsChanged() = 0;
    // True when warnings should wait: the user's option is on and the shell
    // reports the user busy (a full-screen program, a presentation).
    virtual bool UserBusy() = 0;
    // The machine is about to sleep, and a look of the check's: for a host
    // that waits for a sleep its action asked for.
    virtual void OnSuspend() {}
    virtual void OnLook() {}

protected:
    ~ICheckCycleHost() = default;
};

// The due check and its warning: when an entry or a one-off falls due, warns,
// and then either goes back to checking (cancel, postpone, a failed action,
// an action after which the program goes on) or performs the end action and
// closes.
//
// A check may come late (a busy machine, a stalled call, the clock stepped
// forward): it also covers the seconds since the one before, up to a minute
// back. Seconds in which the machine slept are never caught up: a sleep shows
// as more time on IUptime's elapsed count than on its awake count. In an hour
// that repeats (daylight saving time ends) an entry falls due only at the
// first of the two equal readings. An occurrence that was warned about is
// never warned about again: checking resumes after the second of its check.
//
// One-offs are due by real elapsed time, whatever the wall clock does, and
// are kept until they are warned about or cancelled; one that comes while
// checking is paused or another warning is open warns at the first check
// after. One whose time comes while the machine sleeps is dropped.
//
// An occurrence that falls due while the host reports the user busy waits
// instead of warning: the host is asked again every kBusyAskMs of real
// elapsed time, and the warning comes once the user is free, or kBusyWaitMs
// after the due time at the latest. Meanwhile it is as if its warning were
// open: other entries' seconds pass unchecked, and one-offs wait. A sleep
// drops it, and so does a change of its entry (it no longer falls due at that
// second).
class CCheckCycle {
public:
    static constexpr std::int64_t kCatchUpSeconds = 60;
    // More elapsed than awake time between two looks at the uptime: a sleep.
    static constexpr std::int64_t kSleepMs = 1500;
    static constexpr std::int64_t kBusyAskMs = 15000;
    static constexpr std::int64_t kBusyWaitMs = 3600000;

    CCheckCycle(const ScheduleList& list, IClock& clock, IUptime& uptime,
                const ILocalTimeConverter& zone, ICheckCycleHost& host,
                ICheckCycleObserver* observer = nullptr)
        : m_checker(list, clock, &m_skips), m_list(list), m_clock(clock), m_uptime(uptime),
          m_zone(zone), m_host(host), m_observer(observer) {}

    // One check. The scheduler calls it at each look (CNextLook), shortly
    // after a due second begins; more calls do no harm, a late one catches
    // up. Does nothing while paused or while a warning is open, except that
    // a sleep seen meanwhile withdraws the warning.
    void Check();
    // The entry editor is open: nothing falls due meanwhile. After Resume the
    // next check covers its own second only; one-offs that came meanwhile
    // warn at that check.
    void Pause() { m_paused = true; }
    void Resume();
    // PBT_APMSUSPEND: an open warning is withdrawn before the machine sleeps,
    // and the next check catches nothing up.
    void OnSuspend();
    // A wake (PBT_APMRESUMEAUTOMATIC or PBT_APMRESUMESUSPEND, either or both,
    // in any order): an open warning is withdrawn, checking starts afresh,
    // and one-offs whose time came while the machine slept are dropped.
    void OnWake();
    // WM_TIMECHANGE: the wall clock was set or the zone changed. One-offs keep
    // their real time left; their due times follow the new clock.
    void OnClockChanged();
    // A look at the uptime alone, as each check begins with: true when the
    // machine slept since the last look (or was told it would), after which
    // checking starts afresh as at a wake. Lets the caller see a sleep before
    // the check itself acts on anything.
    bool LookForSleep() { return LookForSleep(false); }

    // A quick timer: `mode` once, `minutes` of real elapsed time from now.
    void AddTimer(std::int32_t mode, int minutes);
    // A condition was met: `mode` once, due now, warned about at the next
    // check like a quick timer.
    void AddConditionMet(std::int32_t mode);
    // Drops the occurrence the tray menu offered, if it is still to come or
    // is the one that waits; false (and nothing changes) when it has come
    // meanwhile (it was warned about or passed), or it is gone.
    bool Skip(const DueTime& offered);
    // Drops every quick timer and postponed occurrence, the one that waits
    // among them, and withdraws an open warning about one of them.
    void CancelOneOffs();

    // The occurrence that waits for the user, with its due time; the
    // next-due search no longer counts it as to come.
    std::optional<DueTime> Waiting() const;
    bool IsWarning() const { return m_warning; }
    // A warning or its action is under way, or the editor is open: a check
    // now acts on nothing but a sleep.
    bool IsHeld() const { return m_running || m_paused; }
    // The elapsed uptime at which the occurrence that waits is next looked
    // at: the next ask, or the end of the wait if that comes first.
    std::optional<std::int64_t> WaitingLookMs() const;
    const COneOffList& OneOffs() const { return m_oneOffs; }
    const CSkipList& Skips() const { return m_skips; }

private:
    struct Uptime {
        std::int64_t elapsed;
        std::int64_t awake;
    };
    struct Wait {
        DueOccurrence due;
        std::int64_t time;    // an entry's due time: seconds since 1970-01-01 00:00:00 UTC
        std::int64_t dueMs;   // the elapsed uptime at its due time
        std::int64_t askedMs; // ... when the host was last asked
        CycleOccurrence held; // as it was when held: its entry may change
    };

    // Reads the uptime. After a sleep since the last look (or when told of
    // one): checking starts afresh, an open warning is withdrawn and the
    // one-offs due in between are dropped. True after a sleep.
    bool LookForSleep(bool woke);
    void StartAfresh() { m_lastChecked.reset(); }
    void Withdraw(ICheckCycleObserver::Withdrawal why);
    // What the observer is told of an occurrence.
    CycleOccurrence Describe(const DueOccurrence& due) const;
    // The latest civil second the clock has shown by now: its reading, or,
    // in an hour that repeats, the last reading before the clock went back.
    std::int64_t LatestShown(std::int64_t reading);
    // Warns about `due`, found by the check of civil second `second`, or
    // makes it wait while the user is busy.
    void Offer(const DueOccurrence& due, std::int64_t second);
    // A check while an occurrence waits: warns once the user is free or the
    // wait is over.
    void CheckWaiting(std::int64_t second);
    // The waiting occurrence's entry still falls due at its second.
    bool EntryStillDue(const DueOccurrence& due) const;
    // Ends the wait; drops a one-off when `drop`. Tells the host.
    void EndWait(bool drop);
    // Warns about `due`, found by the check of civil second `second`, and
    // acts on the answer.
    void Run(const DueOccurrence& due, std::int64_t second);

    COneOffList m_oneOffs;
    CSkipList m_skips;
    CDueChecker m_checker;
    const ScheduleList& m_list;
    IClock& m_clock;
    IUptime& m_uptime;
    const ILocalTimeConverter& m_zone;
    ICheckCycleHost& m_host;
    ICheckCycleObserver* m_observer;
    std::optional<std::int64_t> m_lastChecked; // latest civil second shown at the last check
    std::optional<std::int64_t> m_answered;    // ... at the last check that warned
    std::optional<Uptime> m_looked;            // the uptime at the last look
    DueOccurrence m_warned;                    // what the open warning is about
    std::optional<Wait> m_waiting;             // what waits for the user
    bool m_paused = false;
    bool m_suspended = false; // told of a sleep to come
    bool m_running = false;   // a warning or its action is under way
    bool m_warning = false;   // a warning is open
    bool m_withdrawn = false; // ... and was withdrawn
};
