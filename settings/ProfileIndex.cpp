#include "settings/ProfileIndex.h"

#include "settings/ProfileLine.h"

namespace {

constexpr std::size_t kInitialSlots = 16;

std::uint64_t Mix(std::uint64_t h) {
    h ^= h >> 33;
    h *= 0xFF51AFD7ED558CCDull;
    h ^= h >> 33;
    h *= 0xC4CEB9FE1A85EC53ull;
    h ^= h >> 33;
    return h;
}

} // namespace

CProfileIndex::CProfileIndex() {
    Reset();
}

void CProfileIndex::Reset() {
    m_sectionIds.clear();
    m_sections.clear();
    m_tailSection = AddSection(std::string()); // lines above the first header
    m_tailFirstBlock = true;
}

int CProfileIndex::SectionId(std::string_view name) const {
    const auto it = m_sectionIds.find(name);
    return it == m_sectionIds.end() ? -1 : it->second;
}

int CProfileIndex::AddSection(std::string name) {
    const int id = static_cast<int>(m_sections.size());
    m_sectionIds.emplace(std::move(name), id);
    m_sections.emplace_back();
    return id;
}

std::uint64_t CProfileIndex::KeyHash(std::string_view key) {
    std::uint64_t h = 0xCBF29CE484222325ull;
    for (const char c : key) {
        h = (h ^ static_cast<unsigned char>(c)) * 0x100000001B3ull;
    }
    return Mix(h);
}

void CProfileIndex::Append(const std::vector<std::string>& lines, int index) {
    const std::string& line = lines[static_cast<std::size_t>(index)];
    if (ParseSectionHeader(line, &m_scratch)) {
        // This header ends the block above it.
        if (m_tailFirstBlock) {
            m_sections[static_cast<std::size_t>(m_tailSection)].firstBlockEnd = index;
        }
        int id = SectionId(m_scratch);
        if (id < 0) {
            id = AddSection(m_scratch);
        }
        Section& s = m_sections[static_cast<std::size_t>(id)];
        // The first block of the empty section is the part above the first
        // header, so a "[]" header never starts one.
        m_tailFirstBlock = id != 0 && s.firstHeader < 0;
        if (m_tailFirstBlock) {
            s.firstHeader = index;
        }
        m_tailSection = id;
        return;
    }
    InsertKey(lines, m_tailSection, LineKey(line), index);
}

void CProfileIndex::InsertKey(const std::vector<std::string>& lines, int section,
                              std::string_view key, int line) {
    Section& s = m_sections[static_cast<std::size_t>(section)];
    if ((s.used + 1) * 2 > s.slots.size()) {
        Grow(s);
    }
    const std::uint64_t h = KeyHash(key);
    const std::size_t mask = s.slots.size() - 1;
    for (std::size_t i = static_cast<std::size_t>(h) & mask;; i = (i + 1) & mask) {
        Slot& slot = s.slots[i];
        if (slot.line < 0) {
            slot = Slot{h, line};
            ++s.used;
            return;
        }
        if (slot.hash == h && LineKey(lines[static_cast<std::size_t>(slot.line)]) == key) {
            return; // an earlier line already answers
        }
    }
}

void CProfileIndex::Grow(Section& s) {
    std::vector<Slot> old(s.slots.empty() ? kInitialSlots : s.slots.size() * 2);
    old.swap(s.slots);
    const std::size_t mask = s.slots.size() - 1;
    for (const Slot& slot : old) {
        if (slot.line < 0) {
            continue;
        }
        std::size_t i = static_cast<std::size_t>(slot.hash) & mask;
        while (s.slots[i].line >= 0) {
            i = (i + 1) & mask;
        }
        s.slots[i] = slot;
    }
}

int CProfileIndex::FindKey(const std::vector<std::string>& lines, int id,
                           std::string_view key) const {
    if (id < 0) {
        return -1;
    }
    const Section& s = m_sections[static_cast<std::size_t>(id)];
    if (s.slots.empty()) {
        return -1;
    }
    const std::uint64_t h = KeyHash(key);
    const std::size_t mask = s.slots.size() - 1;
    for (std::size_t i = static_cast<std::size_t>(h) & mask;; i = (i + 1) & mask) {
        const Slot& slot = s.slots[i];
        if (slot.line < 0) {
            return -1;
        }
        if (slot.hash == h && LineKey(lines[static_cast<std::size_t>(slot.line)]) == key) {
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
