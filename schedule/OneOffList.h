#pragma once

#include <cstdint>
#include <string>
#include <vector>

// One occurrence due once, a set real time after it was made: a postponed
// one, with the name of the entry it came from (it no longer depends on that
// entry), or a quick timer, which has no name.
struct OneOff {
    std::uint64_t id = 0;
    std::string name; // CP932 bytes, as the entry's name
    std::int32_t sd_mode = 0;
    std::int64_t dueMs = 0; // IUptime::ElapsedMs at which it falls due
    std::int64_t time = 0;  // its due time as shown: seconds since 1970-01-01 00:00:00 UTC
    bool timer = false;     // a quick timer
    bool waiting = false;   // it has fallen due and waits for the user (CCheckCycle::Waiting)
    bool condition = false; // a condition was met: its warning comes at once
};

// The postponed occurrences and quick timers of this run, in the order they
// were made. Each is kept until it is warned about or cancelled, or its time
// comes while the machine sleeps. Kept in memory only: they are never saved,
// and a restart drops them.
class COneOffList {
public:
    // Returns the new occurrence's id (never 0).
    std::uint64_t Add(std::string name, std::int32_t mode, std::int64_t dueMs, std::int64_t time,
                      bool timer = false, bool condition = false);
    // False when there was no such one.
    bool Remove(std::uint64_t id);
    void Clear() { m_items.clear(); }
    // Drops every one due after `fromMs` up to `toMs`: its time came while the
    // machine slept. True when any went.
    bool DropDueIn(std::int64_t fromMs, std::int64_t toMs);
    // The wall clock was set: each due time is worked out again from the real
    // time left. True when any changed.
    bool Retime(std::int64_t nowMs, std::int64_t nowTime);
    // Marks the one that waits for the user; none when `id` is 0.
    void SetWaiting(std::uint64_t id);

    // The first to fall due by its time (the first made on a tie), whether it
    // has come or not; nullptr when none can. sd_mode -1 never falls due, and
    // the one that waits is no longer to come.
    const OneOff* Next() const;
    // The first, as Next orders them, that is due at `nowMs` and `nowTime`.
    const OneOff* FirstDue(std::int64_t nowMs, std::int64_t nowTime) const;
    const OneOff* Find(std::uint64_t id) const;

    int GetCount() const { return static_cast<int>(m_items.size()); }
    const OneOff& GetAt(int i) const { return m_items[static_cast<std::size_t>(i)]; }
    bool IsEmpty() const { return m_items.empty(); }

private:
    template <class Pred>
    const OneOff* Earliest(Pred pred) const;

    std::vector<OneOff> m_items;
    std::uint64_t m_lastId = 0;
};
