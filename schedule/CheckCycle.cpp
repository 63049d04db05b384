#include "schedule/CheckCycle.h"

#include "schedule/CivilMatcher.h"
#include "schedule/CivilTime.h"
#include "schedule/LocalTimeMap.h"

#include <algorithm>
#include <string>
#include <utility>

namespace {
constexpr std::int64_t kMsPerMinute = 60000;
} // namespace

void CCheckCycle::Check() {
    LookForSleep(false);
    if (m_paused || m_running) {
        return;
    }
    const std::int64_t now = CivilSecondOf(m_clock.Read());
    const std::int64_t latest = LatestShown(now);
    std::int64_t first = now;
    if (m_lastChecked && *m_lastChecked < latest && latest - *m_lastChecked <= kCatchUpSeconds) {
        first = *m_lastChecked + 1;
    }
    m_lastChecked = latest;
    if (m_answered) {
        if (latest < *m_answered) {
            m_answered.reset(); // the clock was set back
        } else {
            first = std::max(first, *m_answered + 1);
        }
    }
    if (m_waiting) {
        CheckWaiting(latest);
        return;
    }
    std::optional<DueOccurrence> due;
    // A reading shown again in a repeated hour came due at its first showing.
    if (latest == now && first <= now) {
        m_skips.DropBefore(first);
        due = m_checker.FindDue(first, now);
    }
    if (!due) {
        if (const OneOff* o = m_oneOffs.FirstDue(m_looked->elapsed, m_clock.Time())) {
            due = DueOccurrence{o->sd_mode, -1, o->id};
        }
    }
    if (due) {
        Offer(*due, latest);
    }
}

void CCheckCycle::Offer(const DueOccurrence& due, std::int64_t second) {
    if (!m_host.UserBusy()) {
        Run(due, second);
        return;
    }
    const std::int64_t nowMs = m_looked->elapsed;
    Wait wait{due, m_clock.Time(), nowMs, nowMs, Describe(due)};
    if (const OneOff* o = m_oneOffs.Find(due.oneOffId)) {
        wait.dueMs = o->dueMs;
        m_oneOffs.SetWaiting(o->id);
    } else {
        // A late check finds an entry up to a minute after its second.
        const CLocalTimeMap::Shown shown = CLocalTimeMap(m_zone).FirstShown(due.second);
        if (shown.kind == CLocalTimeMap::Shown::At) {
            wait.time = shown.value;
        }
        wait.dueMs -= (second - due.second) * 1000;
    }
    m_waiting = wait;
    if (m_observer != nullptr) {
        m_observer->OccurrenceHeld(wait.held);
    }
    m_host.OneOffsChanged();
}

void CCheckCycle::CheckWaiting(std::int64_t second) {
    Wait& wait = *m_waiting;
    if (wait.due.oneOffId == 0 && !EntryStillDue(wait.due)) {
        if (m_observer != nullptr) {
            m_observer->HoldDropped(wait.held);
        }
        EndWait(false); // its entry was changed or deleted
        return;
    }
    const std::int64_t nowMs = m_looked->elapsed;
    if (nowMs - wait.dueMs < kBusyWaitMs) {
        if (nowMs - wait.askedMs < kBusyAskMs) {
            return;
        }
        wait.askedMs = nowMs;
        if (m_host.UserBusy()) {
            return;
        }
    }
    DueOccurrence due = wait.due;
    if (due.oneOffId == 0) {
        due.mode = m_list.GetAt(due.index).sd_mode; // as the entry is now
    }
    if (m_observer != nullptr) {
        m_observer->HoldEnded(Describe(due), nowMs - wait.dueMs >= kBusyWaitMs);
    }
    EndWait(false);
    Run(due, second);
}

bool CCheckCycle::EntryStillDue(const DueOccurrence& due) const {
    return due.index >= 0 && due.index < m_list.GetCount() &&
           CCivilMatcher(due.second - 1).Next(m_list.GetAt(due.index)) == due.second;
}

void CCheckCycle::EndWait(bool drop) {
    if (drop) {
        m_oneOffs.Remove(m_waiting->due.oneOffId);
    }
    m_oneOffs.SetWaiting(0);
    m_waiting.reset();
    m_host.OneOffsChanged();
}

std::optional<std::int64_t> CCheckCycle::WaitingLookMs() const {
    if (!m_waiting) {
        return std::nullopt;
    }
    return std::min(m_waiting->askedMs + kBusyAskMs, m_waiting->dueMs + kBusyWaitMs);
}

std::optional<DueTime> CCheckCycle::Waiting() const {
    if (!m_waiting) {
        return std::nullopt;
    }
    const DueOccurrence& due = m_waiting->due;
    if (due.oneOffId != 0) {
        const OneOff* o = m_oneOffs.Find(due.oneOffId);
        ClockReading reading;
        if (o == nullptr || !m_zone.ToLocal(o->time, reading)) {
            return std::nullopt;
        }
        return DueTime{o->time, -1, o->id, reading};
    }
    if (!EntryStillDue(due)) {
        return std::nullopt;
    }
    return DueTime{m_waiting->time, due.index, 0, ReadingAt(due.second)};
}

void CCheckCycle::Run(const DueOccurrence& due, std::int64_t second) {
    // What a postponement copies; the entry may change later.
    std::string name;
    if (due.index >= 0) {
        name = m_list.GetAt(due.index).name;
    } else if (const OneOff* o = m_oneOffs.Find(due.oneOffId)) {
        name = o->name;
    }

    m_running = true;
    m_warning = true;
    m_withdrawn = false;
    m_warned = due;
    if (m_observer != nullptr) {
        m_observer->WarningShown(Describe(due));
    }
    WarnAnswer answer = m_host.Warn(due.mode);
    m_warning = false;
    // A warning open across a sleep never goes ahead, however it ended: its
    // time-out may have come at the wake, before any news of the sleep.
    const bool slept = LookForSleep(false);
    if (slept || m_withdrawn) {
        if (!m_withdrawn && m_observer != nullptr) {
            m_observer->WarningWithdrawn(ICheckCycleObserver::Withdrawal::Stall);
        }
        answer = {WarnAnswer::Cancel};
    } else if (m_observer != nullptr) {
        m_observer->WarningAnswered(answer);
    }

    if (answer.kind == WarnAnswer::Confirm) {
        // The time-out, or a warning that could not be shown: the action goes
        // ahead, and the program ends once it has been requested. Nothing
        // more is checked meanwhile.
        if (m_host.ExecuteEndMode(due.mode) == EndActionOutcome::ProgramEnds) {
            m_host.Close();
            return;
        }
        // It failed and was reported, or the program goes on: back to
        // checking. A sleep that the call returned after shows at the next
        // look at the uptime, and nothing due in it is caught up.
    }
    m_running = false;
    m_answered = second;
    StartAfresh();
    bool changed = due.oneOffId != 0 && m_oneOffs.Remove(due.oneOffId);
    if (answer.kind == WarnAnswer::Postpone) {
        // To the second, from the moment of the choice.
        m_clock.Read();
        m_oneOffs.Add(std::move(name), due.mode,
                      m_uptime.ElapsedMs() + std::int64_t{answer.minutes} * kMsPerMinute,
                      m_clock.Time() + std::int64_t{answer.minutes} * 60);
        changed = true;
    }
    if (changed) {
        m_host.OneOffsChanged();
    }
}

bool CCheckCycle::LookForSleep(bool woke) {
    const Uptime now{m_uptime.ElapsedMs(), m_uptime.AwakeMs()};
    const Uptime before = m_looked.value_or(now);
    m_looked = now;
    const bool told = woke || m_suspended;
    const bool slept =
        told || (now.elapsed - before.elapsed) - (now.awake - before.awake) > kSleepMs;
    m_suspended = false;
    if (!slept) {
        return false;
    }
    StartAfresh();
    Withdraw(told ? ICheckCycleObserver::Withdrawal::Sleep
                  : ICheckCycleObserver::Withdrawal::Stall);
    if (m_waiting) {
        if (m_observer != nullptr) {
            m_observer->OccurrenceDropped(Describe(m_waiting->due));
        }
        EndWait(true);
    }
    for (int i = 0; m_observer != nullptr && i < m_oneOffs.GetCount(); ++i) {
        const OneOff& o = m_oneOffs.GetAt(i);
        if (o.dueMs > before.elapsed && o.dueMs <= now.elapsed) {
            m_observer->OccurrenceDropped(Describe({o.sd_mode, -1, o.id}));
        }
    }
    if (m_oneOffs.DropDueIn(before.elapsed, now.elapsed)) {
        m_host.OneOffsChanged();
    }
    return true;
}

void CCheckCycle::Withdraw(ICheckCycleObserver::Withdrawal why) {
    if (m_warning && !m_withdrawn) {
        m_withdrawn = true;
        if (m_observer != nullptr) {
            m_observer->WarningWithdrawn(why);
        }
        m_host.WithdrawWarning();
    }
}

std::int64_t CCheckCycle::LatestShown(std::int64_t reading) {
    const std::optional<std::int64_t> latest = CLocalTimeMap(m_zone).LatestShownBy(m_clock.Time());
    return std::max(reading, latest.value_or(reading));
}

void CCheckCycle::Resume() {
    m_paused = false;
    StartAfresh();
}

void CCheckCycle::OnSuspend() {
    m_suspended = true; // the next look starts afresh
    Withdraw(ICheckCycleObserver::Withdrawal::Sleep);
}

void CCheckCycle::OnWake() {
    LookForSleep(true);
}

void CCheckCycle::OnClockChanged() {
    m_clock.Read();
    if (m_oneOffs.Retime(m_uptime.ElapsedMs(), m_clock.Time())) {
        m_host.OneOffsChanged();
    }
}

void CCheckCycle::AddTimer(std::int32_t mode, int minutes) {
    m_clock.Read();
    m_oneOffs.Add({}, mode, m_uptime.ElapsedMs() + std::int64_t{minutes} * kMsPerMinute,
                  m_clock.Time() + std::int64_t{minutes} * 60, true);
    m_host.OneOffsChanged();
}

void CCheckCycle::AddConditionMet(std::int32_t mode) {
    m_clock.Read();
    m_oneOffs.Add({}, mode, m_uptime.ElapsedMs(), m_clock.Time(), false, true);
    m_host.OneOffsChanged();
}

bool CCheckCycle::Skip(const DueTime& offered) {
    if (const std::optional<DueTime> waiting = Waiting();
        waiting && waiting->oneOffId == offered.oneOffId &&
        (offered.oneOffId != 0 ||
         (waiting->index == offered.index && waiting->time == offered.time))) {
        EndWait(true);
        return true;
    }
    if (offered.oneOffId != 0) {
        // The one being warned about has come.
        if ((m_running && m_warned.oneOffId == offered.oneOffId) ||
            !m_oneOffs.Remove(offered.oneOffId)) {
            return false;
        }
    } else {
        if (offered.index < 0 || offered.index >= m_list.GetCount()) {
            return false;
        }
        const CScheduleItem& item = m_list.GetAt(offered.index);
        const std::int64_t second = CivilSecondOf(offered.reading);
        // Come already (the clock has shown it), or no longer this entry's.
        if (second <= LatestShown(CivilSecondOf(m_clock.Read())) ||
            CCivilMatcher(second - 1).Next(item) != second) {
            return false;
        }
        m_skips.Add(item, second);
    }
    m_host.OneOffsChanged();
    return true;
}

void CCheckCycle::CancelOneOffs() {
    if (m_waiting && m_waiting->due.oneOffId != 0) {
        m_waiting.reset();
    }
    m_oneOffs.Clear();
    // The tray menu's loop can hold a one-off's warning: it goes with them.
    if (m_warned.oneOffId != 0) {
        Withdraw(ICheckCycleObserver::Withdrawal::Cancel);
    }
    m_host.OneOffsChanged();
}

CycleOccurrence CCheckCycle::Describe(const DueOccurrence& due) const {
    CycleOccurrence described{std::nullopt, due.mode, {}};
    if (due.oneOffId == 0) {
        if (due.index >= 0 && due.index < m_list.GetCount()) {
            described.name = m_list.GetAt(due.index).name;
        }
        described.due = ReadingAt(due.second);
    } else if (const OneOff* o = m_oneOffs.Find(due.oneOffId)) {
        if (!o->name.empty()) {
            described.name = o->name; // a postponed entry's
        }
        m_zone.ToLocal(o->time, described.due);
    }
    return described;
}
