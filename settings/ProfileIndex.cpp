#include "settings/ProfileIndex.h"

#include <cstring>

namespace {

constexpr std::uint32_t kInitialKeySlots = 16;
constexpr std::size_t kInitialSectionSlots = 64;

std::uint64_t Mix(std::uint64_t h) {
    h ^= h >> 33;
    h *= 0xFF51AFD7ED558CCDull;
    h ^= h >> 33;
    h *= 0xC4CEB9FE1A85EC53ull;
    h ^= h >> 33;
    return h;
}

std::uint32_t Fragment(std::uint64_t hash) {
    return static_cast<std::uint32_t>(hash >> 32);
}

// LineKey(line) == key, for a key without '=' (no line's key has one),
// without searching the line for its '='.
bool KeyOf(std::string_view line, std::string_view key) {
    if (key.empty()) {
        return LineKey(line).empty();
    }
    return line.size() > key.size() && line[key.size()] == '=' &&
           std::memcmp(line.data(), key.data(), key.size()) == 0;
}

} // namespace

CProfileIndex::CProfileIndex() {
    Reset();
}

void CProfileIndex::Reset() {
    m_sections.clear();
    m_sectionTable.assign(kInitialSectionSlots, SectionSlot{});
    m_slots.clear();
    m_ownNames.clear();
    m_tailSection =
        AddSection(std::string_view(), Hash(std::string_view())); // above the first header
    m_tailFirstBlock = true;
}

std::uint64_t CProfileIndex::Hash(std::string_view text) {
    std::uint64_t h = 0xCBF29CE484222325ull;
    for (const char c : text) {
        h = (h ^ static_cast<unsigned char>(c)) * 0x100000001B3ull;
    }
    return Mix(h);
}

int CProfileIndex::FindSection(std::string_view name, std::uint64_t hash) const {
    const std::uint32_t frag = Fragment(hash);
    const std::size_t mask = m_sectionTable.size() - 1;
    for (std::size_t i = static_cast<std::size_t>(hash) & mask;; i = (i + 1) & mask) {
        const SectionSlot slot = m_sectionTable[i];
        if (slot.id < 0) {
            return -1;
        }
        if (slot.hash == frag && m_sections[static_cast<std::size_t>(slot.id)].name == name) {
            return slot.id;
        }
    }
}

int CProfileIndex::SectionId(std::string_view name, int hint) const {
    if (hint >= 0 && static_cast<std::size_t>(hint) < m_sections.size() &&
        m_sections[static_cast<std::size_t>(hint)].name == name) {
        return hint; // one id per name: the hint is it
    }
    return FindSection(name, Hash(name));
}

int CProfileIndex::AddSection(std::string_view name, std::uint64_t hash) {
    if ((m_sections.size() + 1) * 2 > m_sectionTable.size()) {
        GrowSectionTable();
    }
    const int id = static_cast<int>(m_sections.size());
    Section s;
    s.name = name;
    s.hash = hash;
    m_sections.push_back(s);
    const std::size_t mask = m_sectionTable.size() - 1;
    std::size_t i = static_cast<std::size_t>(hash) & mask;
    while (m_sectionTable[i].id >= 0) {
        i = (i + 1) & mask;
    }
    m_sectionTable[i] = SectionSlot{Fragment(hash), id};
    return id;
}

void CProfileIndex::GrowSectionTable() {
    m_sectionTable.assign(m_sectionTable.size() * 2, SectionSlot{});
    const std::size_t mask = m_sectionTable.size() - 1;
    for (std::size_t id = 0; id < m_sections.size(); ++id) {
        const std::uint64_t hash = m_sections[id].hash;
        std::size_t i = static_cast<std::size_t>(hash) & mask;
        while (m_sectionTable[i].id >= 0) {
            i = (i + 1) & mask;
        }
        m_sectionTable[i] = SectionSlot{Fragment(hash), static_cast<std::int32_t>(id)};
    }
}

void CProfileIndex::Append(const std::vector<ProfileLineRef>& lines, int index) {
    const std::string_view line = lines[static_cast<std::size_t>(index)].Text();
    std::size_t first = 0;
    std::size_t second = 0;
    if (!FindSectionBrackets(line, first, second)) {
        const std::size_t eq = line.find('=');
        InsertKey(lines, m_tailSection,
                  eq == std::string_view::npos ? std::string_view() : line.substr(0, eq), index);
        return;
    }
    // This header ends the block above it.
    if (m_tailFirstBlock) {
        m_sections[static_cast<std::size_t>(m_tailSection)].firstBlockEnd = index;
    }
    // The name is the line without the two brackets: usually one piece of
    // the line ("[COM]"), which the index can view in place.
    const std::string_view head = line.substr(0, first);
    const std::string_view middle = line.substr(first + 1, second - first - 1);
    const std::string_view tail = line.substr(second + 1);
    std::string_view name;
    const int pieces = (head.empty() ? 0 : 1) + (middle.empty() ? 0 : 1) + (tail.empty() ? 0 : 1);
    if (pieces > 1) {
        m_scratch.assign(head);
        m_scratch.append(middle);
        m_scratch.append(tail);
        name = m_scratch;
    } else {
        name = !middle.empty() ? middle : !head.empty() ? head : tail;
    }
    const std::uint64_t hash = Hash(name);
    int id = FindSection(name, hash);
    if (id < 0) {
        if (pieces > 1) {
            name = m_ownNames.emplace_back(name);
        }
        id = AddSection(name, hash);
    }
    Section& s = m_sections[static_cast<std::size_t>(id)];
    // The first block of the empty section is the part above the first
    // header, so a "[]" header never starts one.
    m_tailFirstBlock = id != 0 && s.firstHeader < 0;
    if (m_tailFirstBlock) {
        s.firstHeader = index;
    }
    m_tailSection = id;
}

void CProfileIndex::InsertKey(const std::vector<ProfileLineRef>& lines, int section,
                              std::string_view key, int line) {
    Section& s = m_sections[static_cast<std::size_t>(section)];
    // At most three quarters full: short probe runs in a small table.
    if ((s.used + 1) * 4 > s.slotCount * 3) {
        GrowKeys(s);
    }
    const std::uint32_t h = Fragment(Hash(key));
    const std::uint32_t mask = s.slotCount - 1;
    Slot* slots = m_slots.data() + s.slotBase;
    for (std::uint32_t i = h & mask;; i = (i + 1) & mask) {
        Slot& slot = slots[i];
        if (slot.line < 0) {
            slot = Slot{h, line};
            ++s.used;
            return;
        }
        if (slot.hash == h && KeyOf(lines[static_cast<std::size_t>(slot.line)].Text(), key)) {
            return; // an earlier line already answers
        }
    }
}

void CProfileIndex::GrowKeys(Section& s) {
    // The new table goes at the end of the pool; the old range is left unused.
    const std::size_t oldBase = s.slotBase;
    const std::uint32_t oldCount = s.slotCount;
    const std::uint32_t count = oldCount == 0 ? kInitialKeySlots : oldCount * 2;
    const std::size_t base = m_slots.size();
    if (m_slots.capacity() < base + count) {
        m_slots.reserve(2 * (base + count));
    }
    m_slots.resize(base + count);
    s.slotBase = static_cast<std::uint32_t>(base);
    s.slotCount = count;
    const std::uint32_t mask = count - 1;
    for (std::size_t j = oldBase; j < oldBase + oldCount; ++j) {
        const Slot old = m_slots[j];
        if (old.line < 0) {
            continue;
        }
        std::uint32_t i = old.hash & mask;
        while (m_slots[base + i].line >= 0) {
            i = (i + 1) & mask;
        }
        m_slots[base + i] = old;
    }
}

int CProfileIndex::FindKey(const std::vector<ProfileLineRef>& lines, int id,
                           std::string_view key) const {
    if (id < 0) {
        return -1;
    }
    const Section& s = m_sections[static_cast<std::size_t>(id)];
    if (s.slotCount == 0 || key.find('=') != std::string_view::npos) {
        return -1; // no line's key holds a '='
    }
    const std::uint32_t h = Fragment(Hash(key));
    const std::uint32_t mask = s.slotCount - 1;
    const Slot* slots = m_slots.data() + s.slotBase;
    for (std::uint32_t i = h & mask;; i = (i + 1) & mask) {
        const Slot& slot = slots[i];
        if (slot.line < 0) {
            return -1;
        }
        if (slot.hash == h && KeyOf(lines[static_cast<std::size_t>(slot.line)].Text(), key)) {
            return slot.line;
        }
    }
}

int CProfileIndex::FindSectionEnd(int id, int lineCount) const {
    if (id < 0) {
        return -1;
    }
    const Section& s = m_sections[static_cast<std::size_t>(id)];
    if (id != 0 && s.firstHeader < 0) {
        return -1;
    }
    return s.firstBlockEnd < 0 ? lineCount : s.firstBlockEnd;
}
