#pragma once

#include "settings/ProfileLine.h"

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

// Answers the profile store's two scans without scanning: the first key line
// of (section, key), and where the first block of a section ends. It is built
// by appending the lines in order, and keeps only line numbers and views of
// the lines' bytes; those bytes must stay in place until the next Reset, and
// the lines must not change under it except by appends or by replacing a key
// line with one of the same key.
class CProfileIndex {
public:
    CProfileIndex();

    // Forgets everything: the index of a store without lines.
    void Reset();

    // Takes in lines[index]; every line before it has been taken in.
    void Append(const std::vector<ProfileLineRef>& lines, int index);

    // The id of a section name, -1 when no line names it; valid until the
    // next Reset. Ids count up in the order the headers first appear, and
    // hint, when it is the id, saves the search (callers that go through
    // the sections in file order pass the id after the last one).
    int SectionId(std::string_view name, int hint = -1) const;

    int FindKey(const std::vector<ProfileLineRef>& lines, int section, std::string_view key) const;

    int FindSectionEnd(int section, int lineCount) const;

private:
    // A key slot: part of the key's hash and the line, -1 when empty.
    struct Slot {
        std::uint32_t hash = 0;
        std::int32_t line = -1;
    };
    // Each section has its own small open-addressing table of keys, a range
    // of the shared slot pool, so that the lookups of one section stay in a
    // few cache lines and no section needs an allocation of its own.
    struct Section {
        std::string_view name;
        std::uint64_t hash = 0;
        int firstHeader = -1;   // -1: no header names it (the empty section has none)
        int firstBlockEnd = -1; // -1: the first block runs to the end
        std::uint32_t slotBase = 0;
        std::uint32_t slotCount = 0; // a power of two, or 0
        std::uint32_t used = 0;
    };

    static std::uint64_t Hash(std::string_view text);
    int FindSection(std::string_view name, std::uint64_t hash) const;
    int AddSection(std::string_view name, std::uint64_t hash);
    void GrowSectionTable();
    void GrowKeys(Section& s);
    void InsertKey(const std::vector<ProfileLineRef>& lines, int section, std::string_view key,
                   int line);

    std::vector<Section> m_sections;
    // A place in the table of section names: part of the name's hash and
    // the section id, -1 when empty.
    struct SectionSlot {
        std::uint32_t hash = 0;
        std::int32_t id = -1;
    };
    std::vector<SectionSlot> m_sectionTable;
    std::vector<Slot> m_slots;
    std::deque<std::string> m_ownNames; // names that are not one piece of their header line
    int m_tailSection = 0;              // section of the last line
    bool m_tailFirstBlock = true;       // the last line is in its section's first block
    std::string m_scratch;
};
