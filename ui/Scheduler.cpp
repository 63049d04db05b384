#include "ui/Scheduler.h"

CScheduler::CScheduler(const ScheduleList& list, IClock& clock, IUptime& uptime,
                       const ILocalTimeConverter& zone, ICheckCycleHost& host,
                       IEndActionPlatform& platform, Window window, Record* record,
                       ICheckCycleObserver* observer, const WatchSamplers* samplers)
    : m_clock(clock), m_uptime(uptime), m_host(host), m_window(std::move(window)),
      m_cycle(list, clock, uptime, zone, host, observer), m_hold(platform),
      m_wakeTimer(list, zone, m_cycle.Skips(), platform, uptime, m_hold),
      m_nextLook(list, zone, m_cycle, m_wakeTimer, uptime), m_record(record), m_samplers(samplers) {
}

std::int64_t CScheduler::Now() {
    m_clock.Read();
    return m_clock.Time();
}

void CScheduler::LookForWake() {
    if (m_cycle.LookForSleep()) {
        WakeTimerOnWake();
        EndWatch(WatchEnd::Slept, By::Tray);
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
    m_window.arm(
        m_nextLook.After(m_window.wallMs(), m_watch ? m_watch->NextLookMs() : std::nullopt));
}

void CScheduler::LookAtWatch(bool event) {
    if (!m_watch) {
        return;
    }
    const std::int64_t nowMs = m_uptime.ElapsedMs();
    const std::optional<std::int64_t> next = m_watch->NextLookMs();
    if ((event || (next && nowMs >= *next)) && m_watch->Check(nowMs)) {
        m_cycle.AddConditionMet(m_watch->Mode());
        EndWatch(WatchEnd::Met, By::Tray);
    }
}

void CScheduler::EndWatch(WatchEnd why, By by) {
    if (!m_watch) {
        return;
    }
    if (m_record != nullptr) {
        m_record->WatchEnded(why, by, m_watch->Words());
    }
    m_hold.Release(CSleepHold::Watch);
    m_samplers->process.Forget();
    m_watch.reset();
    m_changed = true;
}

std::wstring CScheduler::ArmWatch(const WatchSpec& spec, std::int32_t mode, bool holdAwake, By by) {
    LookForWake();
    std::unique_ptr<CArmedWatch> fresh =
        m_samplers != nullptr ? CArmedWatch::Make(spec, mode, *m_samplers) : nullptr;
    if (!fresh) {
        Settle();
        return L"条件を設定できません。";
    }
    // The new one's first sample replaces the waits of the armed one.
    m_samplers->process.Forget();
    const WatchArm armed = fresh->Arm(m_uptime.ElapsedMs());
    if (armed != WatchArm::Armed) {
        LookAtWatch(true); // the armed one waits again
        Settle();
        return fresh->RefusalLine(armed);
    }
    if (m_watch && m_record != nullptr) {
        m_record->WatchEnded(WatchEnd::Replaced, by, m_watch->Words());
    }
    m_watch = std::move(fresh);
    if (m_record != nullptr) {
        m_record->WatchArmed(by, m_watch->Words());
    }
    if (holdAwake) {
        m_hold.Hold(CSleepHold::Watch);
    } else {
        m_hold.Release(CSleepHold::Watch);
    }
    m_changed = true;
    Settle();
    return {};
}

void CScheduler::CancelWatch(By by) {
    LookForWake();
    EndWatch(WatchEnd::Cancelled, by);
    Settle();
}

void CScheduler::OnWatchEvent() {
    Look(true);
}

void CScheduler::OnStart() {
    m_changed = true;
    Settle();
}

void CScheduler::OnTick() {
    Look(false);
}

void CScheduler::Look(bool watchEvent) {
    LookForWake();
    // The check timer repeats until armed again: a warning this check opens
    // runs its own message loop, in which the check must look every second.
    m_window.arm(CNextLook::EverySecond(m_window.wallMs()));
    // Before the check, so that a condition met now warns at once.
    LookAtWatch(watchEvent);
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
    EndWatch(WatchEnd::Cancelled, by);
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
    EndWatch(WatchEnd::Slept, By::Tray);
    m_host.OnSuspend();
    Settle();
}

void CScheduler::OnWake() {
    // The wake timer first: the cycle's handling of the wake may set it.
    WakeTimerOnWake();
    m_cycle.OnWake();
    EndWatch(WatchEnd::Slept, By::Tray);
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
