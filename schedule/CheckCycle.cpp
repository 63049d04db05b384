#include "schedule/CheckCycle.h"

#include "schedule/CivilTime.h"

#include <algorithm>

void CCheckCycle::OnTimer(std::uintptr_t id) {
    if (id == kClockTimer) {
        m_host.SetClockText(FormatClockText(m_clock.Read()));
    } else if (id == kCheckTimer) {
        Check();
    }
}

void CCheckCycle::OnWake() {
    StartAfresh();
    if (m_warning) {
        m_host.WithdrawWarning();
    }
}

void CCheckCycle::AddTimer(std::int32_t mode, std::int64_t second) {
    m_oneOffs.Add({}, mode, second, true);
    m_host.OneOffsChanged();
}

void CCheckCycle::Skip(int index, std::uint64_t oneOffId, std::int64_t second) {
    if (oneOffId != 0) {
        m_oneOffs.Remove(oneOffId);
    } else if (index >= 0 && index < m_list.GetCount()) {
        m_skips.Add(m_list.GetAt(index), second);
    }
    m_host.OneOffsChanged();
}

void CCheckCycle::CancelOneOffs() {
    m_oneOffs.Clear();
    m_host.OneOffsChanged();
}

void CCheckCycle::Check() {
    const std::int64_t now = CivilSecondOf(m_clock.Read());
    std::int64_t first = now;
    if (m_lastChecked && *m_lastChecked < now && now - *m_lastChecked <= kCatchUpSeconds) {
        first = *m_lastChecked + 1;
    }
    m_lastChecked = now;
    if (m_answered) {
        if (now < *m_answered) {
            m_answered.reset(); // the clock was set back
        } else {
            first = std::max(first, *m_answered + 1);
        }
    }
    if (first > now) {
        return;
    }
    m_skips.DropBefore(first);
    if (!m_oneOffs.IsEmpty()) {
        const int before = m_oneOffs.GetCount();
        m_oneOffs.DropBefore(first);
        if (m_oneOffs.GetCount() != before) {
            m_host.OneOffsChanged();
        }
    }
    const std::optional<DueOccurrence> due = m_checker.FindDue(first, now);
    if (!due) {
        return;
    }
    // What a postponement copies; the entry may change later.
    std::string name;
    if (due->index >= 0) {
        name = m_list.GetAt(due->index).name;
    } else {
        for (int i = 0; i < m_oneOffs.GetCount(); ++i) {
            if (m_oneOffs.GetAt(i).id == due->oneOffId) {
                name = m_oneOffs.GetAt(i).name;
            }
        }
    }

    // Stop checking first, so that no second warning can open from the
    // warning's own message loop.
    m_host.StopCheckTimer();
    m_warning = true;
    const WarnAnswer answer = m_host.Warn(due->mode);
    m_warning = false;

    if (answer.kind == WarnAnswer::Confirm) {
        // The time-out, or a warning that could not be shown: the action goes
        // ahead, and the program ends once it has been requested.
        if (m_host.ExecuteEndMode(due->mode)) {
            m_host.Close();
            return;
        }
        // It failed and was reported: back to checking.
    }
    m_answered = now;
    StartAfresh();
    if (due->oneOffId != 0) {
        m_oneOffs.Remove(due->oneOffId);
    }
    if (answer.kind == WarnAnswer::Postpone) {
        // To the second, from the moment of the choice.
        m_oneOffs.Add(std::move(name), due->mode,
                      CivilSecondOf(m_clock.Read()) + std::int64_t{answer.minutes} * 60);
    }
    if (due->oneOffId != 0 || answer.kind == WarnAnswer::Postpone) {
        m_host.OneOffsChanged();
    }
    m_host.RestartCheckTimer();
}
