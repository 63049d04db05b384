#include "schedule/ScheduleList.h"

void ScheduleList::RemoveAt(int i) {
    m_items.erase(m_items.begin() + i);
}
