#pragma once

#include <cstdint>
#include <string>
#include <vector>

// One occurrence due once at a wall-clock second: a postponed one, with the
// name of the entry it came from (it no longer depends on that entry), or a
// quick timer, which has no name.
struct OneOff {
    std::uint64_t id = 0;
    std::string name; // CP932 bytes, as the entry's name
    std::int32_t sd_mode = 0;
    std::int64_t second = 0; // civil second (CivilTime.h) at which it falls due
    bool timer = false;      // a quick timer
};

// The postponed occurrences and quick timers of this run, in the order they were made. Kept in
// memory only: they are never saved, and a restart drops them.
class COneOffList {
public:
    // Returns the new occurrence's id (never 0).
    std::uint64_t Add(std::string name, std::int32_t mode, std::int64_t second, bool timer = false);
    void Remove(std::uint64_t id);
    void Clear() { m_items.clear(); }
    // Drops every occurrence due before `second`: it has come, or it was
    // passed over, and cannot come again.
    void DropBefore(std::int64_t second);

    int GetCount() const { return static_cast<int>(m_items.size()); }
    const OneOff& GetAt(int i) const { return m_items[static_cast<std::size_t>(i)]; }
    bool IsEmpty() const { return m_items.empty(); }

private:
    std::vector<OneOff> m_items;
    std::uint64_t m_lastId = 0;
};
