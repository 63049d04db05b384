#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// Answers the profile store's two scans without scanning: the first key line
// of (section, key), and where the first block of a section ends. It is built
// by appending the lines in order, and keeps only line numbers; keys are read
// back from the lines themselves, which must not change under it except by
// appends or by replacing a key line with one of the same key.
class CProfileIndex {
public:
    CProfileIndex();

    // Forgets everything: the index of a store without lines.
    void Reset();

    // Takes in lines[index]; every line before it has been taken in.
    void Append(const std::vector<std::string>& lines, int index);

    // The id of a section name, -1 when no line names it; valid until the
    // next Reset.
    int SectionId(std::string_view name) const;

    int FindKey(const std::vector<std::string>& lines, int section, std::string_view key) const;

    int FindSectionEnd(int section, int lineCount) const;

private:
    struct TransparentHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view s) const {
            return std::hash<std::string_view>{}(s);
        }
    };
    struct Slot {
        std::uint64_t hash = 0;
        std::int32_t line = -1; // -1: empty slot
    };
    // Each section has its own open-addressing table of keys, so that the
    // lookups of one section stay in a few cache lines.
    struct Section {
        int firstHeader = -1;    // -1: no header names it (the empty section has none)
        int firstBlockEnd = -1;  // -1: the first block runs to the end
        std::vector<Slot> slots; // size a power of two, or empty
        std::size_t used = 0;
    };

    int AddSection(std::string name);
    static std::uint64_t KeyHash(std::string_view key);
    static void Grow(Section& s);
    void InsertKey(const std::vector<std::string>& lines, int section, std::string_view key,
                   int line);

    std::unordered_map<std::string, int, TransparentHash, std::equal_to<>> m_sectionIds;
    std::vector<Section> m_sections;
    int m_tailSection = 0;        // section of the last line
    bool m_tailFirstBlock = true; // the last line is in its section's first block
    std::string m_scratch;
};
