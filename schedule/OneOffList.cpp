#include "schedule/OneOffList.h"

#include <algorithm>
#include <utility>

namespace {

// Due once its real time has passed, or at the check in the second its due
// time shows, which comes up to a second earlier: to the second, as the
// next-due line shows it.
bool IsDue(const OneOff& o, std::int64_t nowMs, std::int64_t nowTime) {
    return nowMs >= o.dueMs || (nowTime >= o.time && o.dueMs - nowMs < 1000);
}

// Whole seconds, rounded up, of a count of milliseconds of either sign.
std::int64_t CeilSeconds(std::int64_t ms) {
    return ms >= 0 ? (ms + 999) / 1000 : -(-ms / 1000);
}

} // namespace

std::uint64_t COneOffList::Add(std::string name, std::int32_t mode, std::int64_t dueMs,
                               std::int64_t time, bool timer, bool condition) {
    m_items.push_back({++m_lastId, std::move(name), mode, dueMs, time, timer, false, condition});
    return m_lastId;
}

bool COneOffList::Remove(std::uint64_t id) {
    return std::erase_if(m_items, [id](const OneOff& o) { return o.id == id; }) != 0;
}

bool COneOffList::DropDueIn(std::int64_t fromMs, std::int64_t toMs) {
    return std::erase_if(m_items,
                         [=](const OneOff& o) { return o.dueMs > fromMs && o.dueMs <= toMs; }) != 0;
}

bool COneOffList::Retime(std::int64_t nowMs, std::int64_t nowTime) {
    bool changed = false;
    for (OneOff& o : m_items) {
        const std::int64_t time = nowTime + CeilSeconds(o.dueMs - nowMs);
        changed = changed || time != o.time;
        o.time = time;
    }
    return changed;
}

void COneOffList::SetWaiting(std::uint64_t id) {
    for (OneOff& o : m_items) {
        o.waiting = id != 0 && o.id == id;
    }
}

template <class Pred>
const OneOff* COneOffList::Earliest(Pred pred) const {
    const OneOff* best = nullptr;
    for (const OneOff& o : m_items) {
        if (o.sd_mode != -1 && !o.waiting && pred(o) && (best == nullptr || o.time < best->time)) {
            best = &o;
        }
    }
    return best;
}

const OneOff* COneOffList::Next() const {
    return Earliest([](const OneOff&) { return true; });
}

const OneOff* COneOffList::FirstDue(std::int64_t nowMs, std::int64_t nowTime) const {
    return Earliest([=](const OneOff& o) { return IsDue(o, nowMs, nowTime); });
}

const OneOff* COneOffList::Find(std::uint64_t id) const {
    const auto it =
        std::find_if(m_items.begin(), m_items.end(), [id](const OneOff& o) { return o.id == id; });
    return it == m_items.end() ? nullptr : &*it;
}
