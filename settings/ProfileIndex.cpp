#include "settings/ProfileIndex.h"

#include "settings/ProfileLine.h"

namespace {

constexpr std::size_t kInitialSlots = 64;

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
    m_slots.assign(kInitialSlots, Slot{});
    m_used = 0;
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

std::uint64_t CProfileIndex::KeyHash(int section, std::string_view key) {
    std::uint64_t h = 0xCBF29CE484222325ull ^ static_cast<std::uint64_t>(section);
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
    if ((m_used + 1) * 2 > m_slots.size()) {
        Grow(lines);
    }
    const std::uint64_t h = KeyHash(section, key);
    const auto h32 = static_cast<std::uint32_t>(h);
    const std::size_t mask = m_slots.size() - 1;
    for (std::size_t i = static_cast<std::size_t>(h >> 32) & mask;; i = (i + 1) & mask) {
        Slot& slot = m_slots[i];
        if (slot.line < 0) {
            slot = Slot{h32, section, line};
            ++m_used;
            return;
        }
        if (slot.hash == h32 && slot.section == section &&
            LineKey(lines[static_cast<std::size_t>(slot.line)]) == key) {
            return; // an earlier line already answers
        }
    }
}

void CProfileIndex::Grow(const std::vector<std::string>& lines) {
    std::vector<Slot> old(m_slots.size() * 2);
    old.swap(m_slots);
    const std::size_t mask = m_slots.size() - 1;
    for (const Slot& s : old) {
        if (s.line < 0) {
            continue;
        }
        const std::uint64_t h =
            KeyHash(s.section, LineKey(lines[static_cast<std::size_t>(s.line)]));
        std::size_t i = static_cast<std::size_t>(h >> 32) & mask;
        while (m_slots[i].line >= 0) {
            i = (i + 1) & mask;
        }
        m_slots[i] = s;
    }
}

int CProfileIndex::FindKey(const std::vector<std::string>& lines, std::string_view section,
                           std::string_view key) const {
    const int id = SectionId(section);
    if (id < 0) {
        return -1;
    }
    const std::uint64_t h = KeyHash(id, key);
    const auto h32 = static_cast<std::uint32_t>(h);
    const std::size_t mask = m_slots.size() - 1;
    for (std::size_t i = static_cast<std::size_t>(h >> 32) & mask;; i = (i + 1) & mask) {
        const Slot& slot = m_slots[i];
        if (slot.line < 0) {
            return -1;
        }
        if (slot.hash == h32 && slot.section == id &&
            LineKey(lines[static_cast<std::size_t>(slot.line)]) == key) {
            return slot.line;
        }
    }
}

int CProfileIndex::FindSectionEnd(std::string_view section, int lineCount) const {
    const int id = SectionId(section);
    if (id < 0) {
        return -1;
    }
    const Section& s = m_sections[static_cast<std::size_t>(id)];
    if (id != 0 && s.firstHeader < 0) {
        return -1;
    }
    return s.firstBlockEnd < 0 ? lineCount : s.firstBlockEnd;
}
