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
    const CArmedWatch* watch = m_watch ? m_watch() : nullptr;
    const std::wstring mark = watch != nullptr ? watch->NextDueMark() : L"";
    const std::wstring tipLine = watch != nullptr ? L"\n" + watch->TipLine() : L"";
    const std::wstring measure = watch != nullptr ? watch->MeasureLine() : L"";
    if (!force && SameOccurrence(due, m_due) && waiting.has_value() == m_waiting &&
        mark == m_mark && tipLine == m_tipLine && measure == m_text.measure) {
        return;
    }
    m_due = due;
    m_waiting = waiting.has_value();
    m_mark = mark;
    m_tipLine = tipLine;
    m_text = DescribeNextDue(m_due, m_list, m_cycle.OneOffs(), m_maxNameChars, m_waiting);
    m_text.line += mark;
    m_text.tip += tipLine;
    m_text.measure = measure;
    m_show(m_text);
}
