#include "ui/NextDuePresenter.h"

namespace {

bool SameOccurrence(const std::optional<DueTime>& a, const std::optional<DueTime>& b) {
    return a.has_value() == b.has_value() &&
           (!a || (a->time == b->time && a->index == b->index && a->oneOffId == b->oneOffId));
}

} // namespace

void CNextDuePresenter::Invalidate() {
    m_finder.Invalidate();
    Update(true);
}

void CNextDuePresenter::Refresh() {
    Update(false);
}

void CNextDuePresenter::Update(bool force) {
    m_clock.Read();
    const std::optional<DueTime> waiting = m_cycle.Waiting();
    const std::optional<DueTime>& due = waiting ? waiting : m_finder.Upcoming(m_clock.Time());
    if (!force && SameOccurrence(due, m_due) && waiting.has_value() == m_waiting) {
        return;
    }
    m_due = due;
    m_waiting = waiting.has_value();
    m_text = DescribeNextDue(m_due, m_list, m_cycle.OneOffs(), m_maxNameChars, m_waiting);
    m_show(m_text);
}
