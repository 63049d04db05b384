#include "ui/ListBoxMirror.h"

#include <algorithm>
#include <cstddef>

namespace {
// Turns redrawing off while it lives, and repaints the box afterwards.
class RedrawOff {
public:
    explicit RedrawOff(CListBox& box) : m_box(box) { m_box.SendMessage(WM_SETREDRAW, FALSE); }
    RedrawOff(const RedrawOff&) = delete;
    RedrawOff& operator=(const RedrawOff&) = delete;
    ~RedrawOff() {
        m_box.SendMessage(WM_SETREDRAW, TRUE);
        ::InvalidateRect(m_box, nullptr, TRUE);
    }

private:
    CListBox& m_box;
};
} // namespace

void CListBoxMirror::Update(CListBox& box, std::vector<std::string> lines) {
    const std::size_t newCount = lines.size();
    if (static_cast<std::size_t>(std::max(box.GetCount(), 0)) != m_shown.size()) {
        m_shown.clear(); // the box was changed behind our back: start over
        box.ResetContent();
    }
    // The lines that stay: a common head and a common tail.
    std::size_t head = 0;
    const std::size_t most = std::min(m_shown.size(), newCount);
    while (head < most && m_shown[head] == lines[head]) {
        ++head;
    }
    std::size_t tail = 0;
    while (tail < most - head && m_shown[m_shown.size() - 1 - tail] == lines[newCount - 1 - tail]) {
        ++tail;
    }
    const std::size_t removed = m_shown.size() - head - tail;
    const std::size_t added = newCount - head - tail;
    if (removed == 0 && added == 0) {
        m_shown = std::move(lines);
        return;
    }
    const RedrawOff quiet(box);
    if (removed + added > newCount / 2 + 1) {
        // Mostly new: fill afresh, with room for every line reserved.
        box.ResetContent();
        std::size_t bytes = 0;
        for (const std::string& line : lines) {
            bytes += (line.size() + 1) * sizeof(wchar_t);
        }
        box.SendMessage(LB_INITSTORAGE, newCount, static_cast<LPARAM>(bytes));
        for (const std::string& line : lines) {
            box.AddString(line);
        }
    } else {
        for (std::size_t i = 0; i < removed; ++i) {
            box.DeleteString(static_cast<int>(head));
        }
        for (std::size_t i = 0; i < added; ++i) {
            box.InsertString(static_cast<int>(head + i), lines[head + i]);
        }
    }
    m_shown = std::move(lines);
}
