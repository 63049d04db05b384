#include "ui/Scheduler.h"

CScheduler::CScheduler(const ScheduleList& list, IClock& clock, IUptime& uptime,
                       const ILocalTimeConverter& zone, ICheckCycleHost& host,
                       IEndActionPlatform& platform, Window window, Record* record,
                       ICheckCycleObserver* observer)
    : m_clock(clock), m_host(host), m_window(std::move(window)),
      m_cycle(list, clock, uptime, zone, host, observer),
      m_wakeTimer(list, zone, m_cycle.Skips(), platform, uptime),
      m_nextLook(list, zone, m_cycle, m_wakeTimer, uptime), m_record(record) {}

std::int64_t CScheduler::Now() {
    m_clock.Read();
    return m_clock.Time();
}

void CScheduler::LookForWake() {
    if (m_cycle.LookForSleep()) {
        WakeTimerOnWake();
        m_changed = true;
    }
}

void CScheduler::WakeTimerOnWake() {
    const bool held = m_wakeTimer.IsHolding();
    m_wakeTimer.OnWake(Now());
    if (!held && m_wakeTimer.HeldFor() && m_record != nullptr) {
        m_record->WokeByTimer(*m_wakeTimer.HeldFor());
    }
}

void CScheduler::Settle() {
    const bool changed = m_changed;
    m_changed = false;
    m_wakeTimer.Tick(Now()); // the hold's bound
    if (changed) {
        // A timer that cannot be set wakes nothing; the entry still runs if
        // the PC is awake then.
        m_wakeTimer.Update(Now());
        m_nextLook.Invalidate();
    }
    m_window.showNextDue(changed);
    m_window.arm(m_nextLook.After(m_window.wallMs()));
}

void CScheduler::OnStart() {
    m_changed = true;
    Settle();
}

void CScheduler::OnTick() {
    LookForWake();
    // The check timer repeats until armed again: a warning this check opens
    // runs its own message loop, in which the check must look every second.
    m_window.arm(CNextLook::EverySecond(m_window.wallMs()));
    m_cycle.Check();
    m_host.OnLook();
    Settle();
}

void CScheduler::OnListChanged() {
    m_changed = true;
    Settle();
}

void CScheduler::AddTimer(std::int32_t mode, int minutes, By by) {
    LookForWake();
    m_cycle.AddTimer(mode, minutes);
    if (m_record != nullptr) {
        m_record->TimerAdded(by, mode, minutes);
    }
    Settle();
}

bool CScheduler::Skip(const DueTime& offered, By by) {
    LookForWake();
    std::optional<OneOff> oneOff;
    if (const OneOff* o = m_cycle.OneOffs().Find(offered.oneOffId)) {
        oneOff = *o; // gone once skipped
    }
    const bool skipped = m_cycle.Skip(offered);
    if (skipped && m_record != nullptr) {
        m_record->Skipped(by, offered, oneOff);
    }
    Settle();
    return skipped;
}

void CScheduler::CancelOneOffs(By by) {
    LookForWake();
    if (m_record != nullptr) {
        m_record->OneOffsCancelled(by); // before the warning it withdraws
    }
    m_cycle.CancelOneOffs();
    Settle();
}

void CScheduler::OnClockChanged() {
    LookForWake();
    m_cycle.OnClockChanged();
    m_changed = true;
    Settle();
}

void CScheduler::OnSuspend() {
    m_cycle.OnSuspend();
    m_host.OnSuspend();
    Settle();
}

void CScheduler::OnWake() {
    // The wake timer first: the cycle's handling of the wake may set it.
    WakeTimerOnWake();
    m_cycle.OnWake();
    m_changed = true;
    Settle();
}

void CScheduler::OnWarningAnswered() {
    m_wakeTimer.OnWarningAnswered(Now());
    m_changed = true;
    Settle();
}

void CScheduler::OnEditorOpened() {
    m_cycle.Pause();
    Settle();
}

void CScheduler::OnEditorClosed() {
    m_cycle.Resume();
    Settle();
}

void CScheduler::OnSessionEnd(bool ending) {
    // The session's end is never held up; the process may be ended right
    // after this.
    if (ending) {
        if (m_record != nullptr) {
            m_record->SessionEnds();
        }
        m_window.save();
    }
}
