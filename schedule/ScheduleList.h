#pragma once

#include "schedule/ScheduleItem.h"

#include <utility>
#include <vector>

// The ordered list of entries, held by value. Its order is at once the
// display order, the check order and the save order.
class ScheduleList {
public:
    int GetCount() const { return static_cast<int>(m_items.size()); }
    const CScheduleItem& GetAt(int i) const { return m_items[static_cast<std::size_t>(i)]; }
    void AddTail(const CScheduleItem& item) { m_items.push_back(item); }
    void AddTail(CScheduleItem&& item) { m_items.push_back(std::move(item)); }
    void SetAt(int i, const CScheduleItem& item) { m_items[static_cast<std::size_t>(i)] = item; }
    void RemoveAt(int i);
    void RemoveAll() { m_items.clear(); }

private:
    std::vector<CScheduleItem> m_items;
};
