#pragma once

#include "settings/FileOps.h"
#include "settings/ProfileIndex.h"
#include "settings/SaveStatus.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// A line-based store for section/key text files in CP932.
//
// The lines are the only data: every lookup answers as a scan of the current
// lines from the top would. To keep loading and saving linear, the answers
// come from an index of the lines: a lookup first takes in the lines appended
// since the last one, and rebuilds the index after any other change.
//
// The lines' bytes stay where Load read them, in one buffer per file; lines
// the store writes go to blocks of its own, each followed by CR LF. A line
// that changes gets new bytes and its old ones are left until Clear. So Save
// writes runs of lines straight from where they are held.
//
// Load and Save raise CProfileFileError when reading or writing an opened
// file fails part way. A file that cannot be opened is skipped by Load, which
// reports it with false; Save reports it with false too.
class CProfileFile {
public:
    // Uses ops for every file access; ops must outlive the store.
    explicit CProfileFile(IFileOps& ops);
    CProfileFile(const CProfileFile&) = delete;
    CProfileFile& operator=(const CProfileFile&) = delete;
    virtual ~CProfileFile();

    // False when the file cannot be opened; GetLoadError gives the reason.
    bool Load(const std::string& path);
    std::uint32_t GetLoadError() const { return m_loadError; }
    // Whether the bytes the last Load read end with a line end (LF).
    bool EndsWithLineEnd() const { return m_endsWithLf; }
    // Whether the store holds any line; splits none.
    bool HasLines() const { return !m_lines.empty() || !m_unsplit.empty(); }
    // Writes the lines to the path of the last Load: into a temporary file
    // that then takes the file's place in one step, or, where the folder
    // refuses new files, into the file itself, putting its old bytes back if
    // that write fails part way. keepAt names a temporary file that holds the
    // only complete copy of the file's contents: it is kept (under the first
    // temporary name) until the file holds the new bytes, then removed; other
    // temporaries are stale.
    // False when the file could not be written; GetSaveError gives the
    // system's reason and GetSaveLeft what is there: OldFile (the file as it
    // was, or still none), NewInTemporary (the file is gone, the new bytes
    // are in GetSaveHeldIn) or Damaged.
    bool Save(const std::string& keepAt = {});
    std::uint32_t GetSaveError() const { return m_saveError; }
    SaveLeft GetSaveLeft() const { return m_saveLeft; }
    const std::string& GetSaveHeldIn() const { return m_saveHeldIn; }
    void Clear();

    void SetSection(const std::string& section);
    int FindKey(std::string_view key);
    // Index 0 to line count - 1; any other index gives the empty text.
    std::string GetValueAt(int index) const;
    std::string GetString(std::string_view key, const std::string& def);
    std::int32_t GetInt(std::string_view key, std::int32_t def);
    int FindSectionEnd(std::string_view section);
    // Index 0 to line count; any other index changes nothing.
    void InsertLine(int index, std::string_view line);
    void SetString(std::string_view key, std::string_view value);
    void SetInt(std::string_view key, std::int32_t value);

    int GetLineCount() const;
    // Index 0 to line count - 1; valid until the next change of the lines.
    std::string_view GetLine(int index) const;
    // A copy of all lines.
    std::vector<std::string> GetLines() const;
    // Calls visit with the text of every line, in order. Lines a Load read
    // and nothing has used yet are visited where they lie, so one pass over
    // a large file costs no memory per line.
    void VisitLines(const std::function<void(std::string_view)>& visit) const;
    const std::string& GetPath() const { return m_path; }

private:
    void AppendLine(ProfileLineRef line);
    // Writes every line with CR LF, then flushes and closes; on a failure
    // runs cleanUp and raises CProfileFileError.
    void WriteTo(IFileOps::Writer& writer, const std::function<void()>& cleanUp);
    // The write in place, for a folder that takes no temporary file.
    bool SaveInPlace(const std::string& keep);
    // After a replace that took the old file away and left the new bytes in
    // temp: no older copy in keep is to be read in their place.
    void KeepNewBytes(const std::string& temp, const std::string& keep);
    // Copies the pieces, one after the other, into the store's own blocks,
    // followed by CR LF; the line is their concatenation.
    ProfileLineRef StoreLine(std::string_view a, std::string_view b = {}, std::string_view c = {});
    // Takes the lines out of bytes read by Load and not yet split.
    void SplitLines() const;
    const CProfileIndex& CurrentIndex();
    int SectionId(std::string_view section);
    int CurrentSectionId();

    IFileOps* m_ops;
    CProfileIndex m_index;
    bool m_indexValid = true;  // false: rebuild the index at the next lookup
    std::size_t m_indexed = 0; // lines the index has taken in
    int m_sectionId = -1;      // index id of m_section; -1 = look it up
    int m_lastSectionId = -1;  // the last id found for m_section: a hint for the next

    // Where the lines' bytes are held: files as read and the store's blocks.
    std::vector<std::unique_ptr<char[]>> m_blocks;
    char* m_free = nullptr; // the unused rest of the last block of the store's own
    std::size_t m_freeSize = 0;
    std::size_t m_nextBlock = 0; // size of the next block of the store's own

    std::string m_path;
    std::uint32_t m_loadError = 0;
    bool m_endsWithLf = false;
    std::uint32_t m_saveError = 0;
    SaveLeft m_saveLeft = SaveLeft::OldFile;
    std::string m_saveHeldIn;
    // The lines; read bytes are split into them on first use.
    mutable std::vector<ProfileLineRef> m_lines;
    mutable std::string_view m_unsplit;
    std::string m_section;
};
