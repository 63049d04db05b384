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

    int FindKey(const std::vector<std::string>& lines, std::string_view section,
                std::string_view key) const;

    int FindSectionEnd(std::string_view section, int lineCount) const;

private:
    struct TransparentHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view s) const {
            return std::hash<std::string_view>{}(s);
        }
    };
    struct Section {
        int firstHeader = -1;   // -1: no header names it (the empty section has none)
        int firstBlockEnd = -1; // -1: the first block runs to the end
    };
    struct Slot {
        std::uint32_t hash = 0;
        std::int32_t section = 0;
        std::int32_t line = -1; // -1: empty slot
    };

    int SectionId(std::string_view name) const;
    int AddSection(std::string name);
    static std::uint64_t KeyHash(int section, std::string_view key);
    void InsertKey(const std::vector<std::string>& lines, int section, std::string_view key,
                   int line);
    void Grow(const std::vector<std::string>& lines);

    std::unordered_map<std::string, int, TransparentHash, std::equal_to<>> m_sectionIds;
    std::vector<Section> m_sections;
    std::vector<Slot> m_slots; // open addressing, size a power of two
    std::size_t m_used = 0;
    int m_tailSection = 0;        // section of the last line
    bool m_tailFirstBlock = true; // the last line is in its section's first block
    std::string m_scratch;
};
