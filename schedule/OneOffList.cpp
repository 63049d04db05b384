#include "schedule/OneOffList.h"

#include <algorithm>
#include <utility>

std::uint64_t COneOffList::Add(std::string name, std::int32_t mode, std::int64_t second,
                               bool timer) {
    m_items.push_back({++m_lastId, std::move(name), mode, second, timer});
    return m_lastId;
}

void COneOffList::Remove(std::uint64_t id) {
    std::erase_if(m_items, [id](const OneOff& o) { return o.id == id; });
}

void COneOffList::DropBefore(std::int64_t second) {
    std::erase_if(m_items, [second](const OneOff& o) { return o.second < second; });
}
