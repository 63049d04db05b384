#pragma once

#include "settings/FileOps.h"
#include "settings/ProfileIndex.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// A line-based store for section/key text files in CP932.
//
// The lines are the only data: every lookup answers as a scan of the current
// lines from the top would. To keep loading and saving linear, the answers
// come from an index of the lines, kept current while lines are appended and
// rebuilt on the next lookup after any other change.
//
// Load and Save raise CProfileFileError when reading or writing an opened
// file fails part way; a file that cannot be opened is silently skipped.
class CProfileFile {
public:
    CProfileFile();
    // Uses ops for every file access; ops must outlive the store.
    explicit CProfileFile(IFileOps& ops);
    CProfileFile(const CProfileFile&) = delete;
    CProfileFile& operator=(const CProfileFile&) = delete;
    virtual ~CProfileFile();

    void Load(const std::string& path);
    void Save();
    void Clear();

    void SetSection(const std::string& section);
    int FindKey(const std::string& key);
    // Index 0 to line count - 1; any other index gives the empty text.
    std::string GetValueAt(int index) const;
    std::string GetString(const std::string& key, const std::string& def);
    std::int32_t GetInt(const std::string& key, std::int32_t def);
    int FindSectionEnd(const std::string& section);
    // Index 0 to line count; any other index changes nothing.
    void InsertLine(int index, const std::string& line);
    void SetString(const std::string& key, const std::string& value);
    void SetInt(const std::string& key, std::int32_t value);

    const std::vector<std::string>& GetLines() const { return m_lines; }
    const std::string& GetPath() const { return m_path; }

private:
    void AppendLine(std::string line);
    const CProfileIndex& CurrentIndex();
    int SectionId(const std::string& section);

    std::unique_ptr<IFileOps> m_ownOps;
    IFileOps* m_ops;
    CProfileIndex m_index;
    bool m_indexValid = true;
    int m_sectionId = -1; // index id of m_section; -1 = look it up

    std::string m_path;
    std::vector<std::string> m_lines;
    std::string m_section;
};
