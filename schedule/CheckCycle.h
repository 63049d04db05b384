#pragma once

#include "schedule/Clock.h"
#include "schedule/DueChecker.h"
#include "schedule/OneOffList.h"
#include "schedule/ScheduleList.h"

#include <cstdint>
#include <optional>
#include <string>

// How the user answered a warning.
struct WarnAnswer {
    enum Kind {
        Confirm,  // the time-out (or a warning that could not be shown)
        Cancel,   // キャンセル, Esc, or a warning withdrawn at a wake
        Postpone, // 延期: again `minutes` after the choice
    };
    Kind kind = Confirm;
    int minutes = 0;
};

// What the main window provides to the check-and-warn cycle.
class ICheckCycleHost {
public:
    // Writes the clock text into control 1004.
    virtual void SetClockText(const std::string& text) = 0;
    // KillTimer(2) on the main window.
    virtual void StopCheckTimer() = 0;
    // SetTimer(2, 300, NULL) on the main window.
    virtual void RestartCheckTimer() = 0;
    // Runs the warning for an end mode until it is answered.
    virtual WarnAnswer Warn(std::int32_t mode) = 0;
    // Ends the open warning as a cancel would.
    virtual void WithdrawWarning() = 0;
    // Performs the end action (the end-action executor). False when it
    // failed; the failure has then been shown to the user.
    virtual bool ExecuteEndMode(std::int32_t mode) = 0;
    // Ends the main window through the base dialog's OK processing.
    virtual void Close() = 0;
    // The postponed occurrences, quick timers or skips changed.
    virtual void OneOffsChanged() = 0;

protected:
    ~ICheckCycleHost() = default;
};

// The timer handler of the main window: timer 1 keeps the clock text current,
// timer 2 runs the due check and, when an entry falls due, warns and then
// either goes back to watching (cancel, postpone, a failed action) or
// performs the end action and closes.
//
// A tick may come late (a busy machine, a stalled call, the clock stepped
// forward): each check also covers the seconds since the one before, up to
// a minute back. A longer gap is a sleep or a large clock change, and
// nothing is caught up after it. An occurrence that was warned about is
// never warned about again: checking resumes after the second of its check.
class CCheckCycle {
public:
    static constexpr std::uintptr_t kClockTimer = 1;
    static constexpr std::uintptr_t kCheckTimer = 2;
    static constexpr unsigned kTimerInterval = 300; // ms, both timers
    static constexpr std::int64_t kCatchUpSeconds = 60;

    CCheckCycle(const ScheduleList& list, IClock& clock, ICheckCycleHost& host)
        : m_checker(list, clock, &m_oneOffs, &m_skips), m_list(list), m_clock(clock), m_host(host) {
    }

    // One WM_TIMER tick. Ids other than 1 and 2 do nothing.
    void OnTimer(std::uintptr_t id);
    // Checking was paused (the entry editor): the next check covers its own
    // second only.
    void StartAfresh() { m_lastChecked.reset(); }
    // The machine woke: the next check starts afresh, and an open warning is
    // withdrawn, its due time being stale.
    void OnWake();

    // A quick timer: `mode` once at civil second `second`.
    void AddTimer(std::int32_t mode, std::int64_t second);
    // Drops one occurrence: entry `index` at civil second `second`, or the
    // one-off `oneOffId` when it is not 0.
    void Skip(int index, std::uint64_t oneOffId, std::int64_t second);
    // Drops every quick timer and postponed occurrence.
    void CancelOneOffs();

    const CDueChecker& Checker() const { return m_checker; }
    const COneOffList& OneOffs() const { return m_oneOffs; }
    const CSkipList& Skips() const { return m_skips; }

private:
    void Check();

    COneOffList m_oneOffs;
    CSkipList m_skips;
    CDueChecker m_checker;
    const ScheduleList& m_list;
    IClock& m_clock;
    ICheckCycleHost& m_host;
    std::optional<std::int64_t> m_lastChecked; // civil second of the last check
    std::optional<std::int64_t> m_answered;    // ... of the last check that warned
    bool m_warning = false;
};
