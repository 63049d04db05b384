#include "ui/ScheduleListView.h"

#include "framework/Text.h"
#include "schedule/CivilTime.h"
#include "schedule/RuleText.h"

#include <algorithm>
#include <string>
#include <vector>

void CScheduleListView::Refresh() {
    std::vector<std::string> lines;
    lines.reserve(static_cast<std::size_t>(m_list.GetCount()));
    for (int i = 0; i < m_list.GetCount(); ++i) {
        lines.emplace_back(Cp932Prefix(m_list.GetAt(i).name, kShownNameChars));
    }
    const int sel = m_box.GetCurSel();
    // Only the lines that changed: a long list no longer freezes the window.
    m_mirror.Update(m_box, std::move(lines));
    m_box.SetCurSel(std::min(std::max(sel, 0), m_box.GetCount() - 1));
    UpdateRule();
}

void CScheduleListView::UpdateRule() {
    const int sel = m_box.GetCurSel();
    std::wstring text;
    if (sel >= 0 && sel < m_list.GetCount()) {
        text = Utf8ToWide(RuleText(m_list.GetAt(sel), CivilSecondOf(m_clock.Read())));
    }
    ::SetWindowTextW(m_rule, text.c_str());
}

void CScheduleListView::Done(std::optional<Change> change) {
    Refresh();
    m_done(change);
}

void CScheduleListView::Add() {
    CScheduleItem item; // a new entry: the defaults
    const bool added = m_edit(item);
    if (!added) {
        return Done(std::nullopt);
    }
    m_list.AddTail(item);
    Done(Change{CEventRecord::Change::Added, item.name});
}

void CScheduleListView::Edit() {
    const int sel = m_box.GetCurSel();
    CScheduleItem item;
    const bool edited = sel >= 0 && sel < m_list.GetCount() && m_edit(item = m_list.GetAt(sel));
    if (!edited) {
        return Done(std::nullopt);
    }
    m_list.SetAt(sel, item);
    Done(Change{CEventRecord::Change::Edited, item.name});
}

void CScheduleListView::Delete() {
    const int sel = m_box.GetCurSel();
    if (sel < 0 || sel >= m_list.GetCount()) {
        return Done(std::nullopt);
    }
    Change change{CEventRecord::Change::Deleted, m_list.GetAt(sel).name};
    m_list.RemoveAt(sel);
    Done(std::move(change));
}

void CScheduleListView::Move(int delta) {
    const int sel = m_box.GetCurSel();
    const int last = std::min(m_box.GetCount(), m_list.GetCount()) - 1;
    // The upper of the two entries that trade places; their contents trade,
    // names included.
    const int upper = delta == -1 && sel > 0 && sel <= last  ? sel - 1
                      : delta == 1 && sel >= 0 && sel < last ? sel
                                                             : -1;
    if (upper < 0) {
        return Done(std::nullopt);
    }
    Change change{CEventRecord::Change::Moved, m_list.GetAt(sel).name};
    const CScheduleItem first = m_list.GetAt(upper);
    m_list.SetAt(upper, m_list.GetAt(upper + 1));
    m_list.SetAt(upper + 1, first);
    m_box.SetCurSel(sel + delta);
    Done(std::move(change));
}
