#pragma once

#include "schedule/ScheduleItem.h"

#include <cstdint>
#include <vector>

// Occurrences of entries that the user chose to skip: each covers one civil
// second (CivilTime.h) of one entry, known by all of its fields, so that an
// entry changed since no longer matches. Kept in memory only.
class CSkipList {
public:
    void Add(const CScheduleItem& item, std::int64_t second);
    bool Covers(const CScheduleItem& item, std::int64_t second) const;
    // Drops every skip before `second`: its occurrence has passed.
    void DropBefore(std::int64_t second);
    bool IsEmpty() const { return m_items.empty(); }

private:
    struct Skip {
        CScheduleItem item;
        std::int64_t second = 0;
    };
    std::vector<Skip> m_items;
};
