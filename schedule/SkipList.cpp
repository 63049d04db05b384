#include "schedule/SkipList.h"

#include <utility>

namespace {

bool SameEntry(const CScheduleItem& a, const CScheduleItem& b) {
    return a.name == b.name && a.time_mode == b.time_mode && a.year == b.year &&
           a.month == b.month && a.day == b.day && a.week == b.week && a.hour == b.hour &&
           a.minute == b.minute && a.second == b.second && a.sd_mode == b.sd_mode &&
           a.wake == b.wake;
}

} // namespace

void CSkipList::Add(const CScheduleItem& item, std::int64_t second) {
    if (!Covers(item, second)) {
        m_items.push_back({item, second});
    }
}

bool CSkipList::Covers(const CScheduleItem& item, std::int64_t second) const {
    for (const Skip& s : m_items) {
        if (s.second == second && SameEntry(s.item, item)) {
            return true;
        }
    }
    return false;
}

void CSkipList::DropBefore(std::int64_t second) {
    std::erase_if(m_items, [second](const Skip& s) { return s.second < second; });
}
