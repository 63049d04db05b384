#include "settings/ProfileFile.h"

#include "settings/ProfileFileError.h"
#include "settings/ProfileLine.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <functional>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace {

constexpr std::size_t kFirstRead = 1 << 16;    // buffer for a file of unknown size
constexpr std::size_t kWriteChunk = 1 << 20;   // most bytes per write
constexpr std::size_t kFirstBlock = 1 << 12;   // the store's first block for new lines
constexpr std::size_t kLargestBlock = 1 << 22; // blocks double up to this size
constexpr char kEof = 0x1A;
constexpr char kCrLf[] = "\r\n";

// True when a CR stands before every LF of the bytes: then, ending with LF,
// they are already their lines with CR LF after each, as a save writes them.
bool EveryLfAfterCr(std::string_view bytes) {
    const char* p = bytes.data();
    const std::size_t n = bytes.size();
    if (n > 0 && p[0] == '\n') {
        return false;
    }
    std::size_t i = 0; // pairs (i, i + 1) from here on are still to check
#ifdef __SSE2__
    const __m128i lf = _mm_set1_epi8('\n');
    const __m128i cr = _mm_set1_epi8('\r');
    for (; i + 17 <= n; i += 16) {
        const __m128i cur = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        const __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i + 1));
        const int lfs = _mm_movemask_epi8(_mm_cmpeq_epi8(next, lf));
        const int crs = _mm_movemask_epi8(_mm_cmpeq_epi8(cur, cr));
        if ((lfs & ~crs) != 0) {
            return false;
        }
    }
#endif
    for (; i + 1 < n; ++i) {
        if (p[i + 1] == '\n' && p[i] != '\r') {
            return false;
        }
    }
    return true;
}

// Calls line(data, size, crlf) for each line of read bytes: a line ends at LF,
// a CR directly before the LF belongs to the line end, and a last line needs
// no LF.
template <class F>
void ForEachLine(std::string_view bytes, F&& line) {
    const char* p = bytes.data();
    const char* const end = p + bytes.size();
    while (p < end) {
        const auto* lf = static_cast<const char*>(std::memchr(p, '\n', end - p));
        if (lf == nullptr) {
            line(p, static_cast<std::size_t>(end - p), false);
            return;
        }
        const bool crlf = lf > p && lf[-1] == '\r';
        line(p, static_cast<std::size_t>(lf - p) - (crlf ? 1 : 0), crlf);
        p = lf + 1;
    }
}

// Writes the lines through a writer: runs of lines that lie one after the
// other with CR LF in the store's memory go out in place, other lines are
// copied with CR LF into a buffer first.
class LineWriter {
public:
    explicit LineWriter(IFileOps::Writer& writer) : m_writer(writer) {}

    bool Put(const ProfileLineRef& line) {
        if (line.CrLf()) {
            if (!FlushCopy()) {
                return false;
            }
            if (m_runEnd != line.data) {
                if (!FlushRun()) {
                    return false;
                }
                m_runBegin = line.data;
            }
            m_runEnd = line.data + line.Size() + 2;
            return true;
        }
        if (!FlushRun()) {
            return false;
        }
        m_copy.append(line.data, line.Size());
        m_copy += kCrLf;
        return m_copy.size() < kWriteChunk || FlushCopy();
    }

    // Bytes that are whole lines, each with CR LF, in place.
    bool PutBytes(std::string_view bytes) {
        if (!FlushCopy() || !FlushRun()) {
            return false;
        }
        m_runBegin = bytes.data();
        m_runEnd = bytes.data() + bytes.size();
        return true;
    }

    // Read bytes as their lines, each followed by CR LF: in place when they
    // already are just that, else line by line, with the line ends made
    // whole. Needs no memory per line, whatever the number of lines.
    bool PutRead(std::string_view bytes) {
        if (bytes.empty()) {
            return true;
        }
        if (bytes.back() == '\n' && EveryLfAfterCr(bytes)) {
            return PutBytes(bytes);
        }
        if (!FlushRun()) {
            return false;
        }
        bool ok = true;
        ForEachLine(bytes, [&](const char* data, std::size_t size, bool) {
            if (!ok) {
                return;
            }
            if (size >= kWriteChunk) { // a long line goes out from where it is
                ok = FlushCopy() && m_writer.Write(data, size);
                size = 0;
            }
            m_copy.append(data, size);
            m_copy += kCrLf;
            ok = ok && (m_copy.size() < kWriteChunk || FlushCopy());
        });
        return ok;
    }

    bool Finish() { return FlushRun() && FlushCopy(); }

private:
    bool FlushRun() {
        const char* p = m_runBegin;
        while (p != m_runEnd) {
            const std::size_t n = std::min<std::size_t>(m_runEnd - p, kWriteChunk);
            if (!m_writer.Write(p, n)) {
                return false;
            }
            p += n;
        }
        m_runBegin = m_runEnd = nullptr;
        return true;
    }

    bool FlushCopy() {
        if (m_copy.empty()) {
            return true;
        }
        const bool ok = m_writer.Write(m_copy.data(), m_copy.size());
        m_copy.clear();
        return ok;
    }

    IFileOps::Writer& m_writer;
    const char* m_runBegin = nullptr;
    const char* m_runEnd = nullptr;
    std::string m_copy;
};

} // namespace

CProfileFile::CProfileFile(IFileOps& ops) : m_ops(&ops) {}

CProfileFile::~CProfileFile() = default;

void CProfileFile::AppendLine(ProfileLineRef line) {
    // The index takes the line in at the next lookup.
    m_lines.push_back(line);
}

ProfileLineRef CProfileFile::StoreLine(std::string_view a, std::string_view b, std::string_view c) {
    const std::size_t size = a.size() + b.size() + c.size();
    if (m_freeSize < size + 2) {
        m_nextBlock = std::clamp(m_nextBlock * 2, kFirstBlock, kLargestBlock);
        const std::size_t blockSize = std::max(m_nextBlock, size + 2);
        m_blocks.push_back(std::make_unique_for_overwrite<char[]>(blockSize));
        m_free = m_blocks.back().get();
        m_freeSize = blockSize;
    }
    char* p = m_free;
    for (const std::string_view piece : {a, b, c}) {
        if (!piece.empty()) {
            std::memcpy(p, piece.data(), piece.size());
            p += piece.size();
        }
    }
    p[0] = '\r';
    p[1] = '\n';
    const ProfileLineRef line{m_free, size, true};
    m_free += size + 2;
    m_freeSize -= size + 2;
    return line;
}

int CProfileFile::SectionId(std::string_view section) {
    if (section == m_section) {
        return CurrentSectionId();
    }
    return CurrentIndex().SectionId(section);
}

int CProfileFile::CurrentSectionId() {
    const CProfileIndex& index = CurrentIndex();
    // Only a known id is kept: a later header may name the section.
    if (m_sectionId < 0) {
        m_sectionId = index.SectionId(m_section, m_lastSectionId + 1);
        if (m_sectionId >= 0) {
            m_lastSectionId = m_sectionId;
        }
    }
    return m_sectionId;
}

const CProfileIndex& CProfileFile::CurrentIndex() {
    SplitLines();
    if (!m_indexValid) {
        m_index.Reset();
        m_indexed = 0;
        m_sectionId = -1;
        m_lastSectionId = -1;
        m_indexValid = true;
    }
    // Lines appended since the last lookup.
    for (; m_indexed < m_lines.size(); ++m_indexed) {
        m_index.Append(m_lines, static_cast<int>(m_indexed));
    }
    return m_index;
}

bool CProfileFile::Load(const std::string& path) {
    m_path = path;
    m_loadError = 0;
    m_endsWithLf = false;
    const auto reader = m_ops->OpenRead(path);
    if (!reader) {
        m_loadError = m_ops->LastError();
        return false;
    }
    SplitLines(); // the lines of an earlier Load come first
    // The whole file in one buffer, read in one go when its size is known.
    std::size_t capacity = std::max(reader->SizeHint() + 1, kFirstRead);
    auto buf = std::make_unique_for_overwrite<char[]>(capacity);
    std::size_t size = 0;
    bool failed = false;
    for (;;) {
        if (size == capacity) {
            auto bigger = std::make_unique_for_overwrite<char[]>(capacity * 2);
            std::memcpy(bigger.get(), buf.get(), size);
            buf = std::move(bigger);
            capacity *= 2;
        }
        std::size_t got = 0;
        if (!reader->Read(buf.get() + size, capacity - size, got)) {
            failed = true;
            break;
        }
        if (got == 0) {
            break;
        }
        const auto* eof = static_cast<const char*>(std::memchr(buf.get() + size, kEof, got));
        if (eof != nullptr) {
            size = static_cast<std::size_t>(eof - buf.get());
            break;
        }
        size += got;
    }
    if (failed) {
        // Only whole lines were read: the line the error cut is dropped.
        while (size > 0 && buf[size - 1] != '\n') {
            --size;
        }
    }
    m_endsWithLf = size > 0 && buf[size - 1] == '\n';
    if (size > 0) {
        // Split into lines on first use: a Load that is cleared before any
        // use of its lines costs no more than the reading.
        m_unsplit = std::string_view(buf.get(), size);
        m_blocks.push_back(std::move(buf));
    }
    if (failed) {
        m_loadError = m_ops->LastError();
        throw CProfileFileError("read error in " + path, m_loadError);
    }
    return true;
}

void CProfileFile::SplitLines() const {
    if (m_unsplit.empty()) {
        return;
    }
    const std::string_view bytes = m_unsplit;
    m_unsplit = {};
    m_lines.reserve(m_lines.size() + bytes.size() / 16 + 1);
    ForEachLine(bytes, [this](const char* data, std::size_t size, bool crlf) {
        m_lines.push_back({data, size, crlf});
    });
}

void CProfileFile::VisitLines(const std::function<void(std::string_view)>& visit) const {
    for (const ProfileLineRef& line : m_lines) {
        visit(line.Text());
    }
    ForEachLine(m_unsplit, [&](const char* data, std::size_t size, bool) { visit({data, size}); });
}

bool CProfileFile::Save(const std::string& keepAt) {
    m_saveError = 0;
    m_saveLeft = SaveLeft::OldFile;
    m_saveHeldIn.clear();
    if (m_path.empty()) {
        return false; // never loaded: no file to write
    }
    const std::string names[] = {TempPathFor(m_path), SecondTempPathFor(m_path)};
    std::string keep = keepAt;
    for (const std::string& name : names) {
        if (name != keep) {
            m_ops->RemoveTemp(name); // left by a crash, or older than keep
        }
    }
    // Beside a kept copy the new bytes take the second name, which a load
    // reads first: a kept copy under it moves to the first. Else a save cut
    // short would leave the older copy where a load looks first.
    if (keep == names[1]) {
        if (m_ops->Replace(keep, names[0]) != IFileOps::ReplaceResult::Replaced) {
            m_saveError = m_ops->LastError();
            return false;
        }
        keep = names[0];
    }
    std::string temp;
    std::unique_ptr<IFileOps::Writer> writer;
    bool refused = true; // the folder refused every name tried
    for (const std::string& name : names) {
        if (name == keep) {
            continue;
        }
        writer = m_ops->OpenTemp(m_path, name);
        if (writer) {
            temp = name;
            m_saveError = 0;
            break;
        }
        m_saveError = m_ops->LastError();
        const IFileOps::CreateFailure why = m_ops->LastCreateFailure();
        if (why == IFileOps::CreateFailure::Other) {
            return false;
        }
        refused = refused && why == IFileOps::CreateFailure::FolderRefuses;
    }
    if (!writer) {
        // Only a folder where the user may change files but not create them
        // gets the file itself written: a crash then would cut it.
        if (!refused) {
            return false;
        }
        m_saveError = 0;
        return SaveInPlace(keep);
    }
    // A failure before the replace leaves the old file and no new temporary.
    WriteTo(*writer, [&] {
        writer.reset();
        m_ops->RemoveTemp(temp);
    });
    writer.reset();
    switch (m_ops->Replace(temp, m_path)) {
    case IFileOps::ReplaceResult::Replaced:
        if (!keep.empty()) {
            m_ops->RemoveTemp(keep); // the file holds newer bytes now
        }
        return true;
    case IFileOps::ReplaceResult::FailedMoved:
        m_saveError = m_ops->LastError();
        KeepNewBytes(temp, keep);
        return false;
    case IFileOps::ReplaceResult::Failed:
        break;
    }
    m_saveError = m_ops->LastError();
    m_ops->RemoveTemp(temp);
    return false;
}

void CProfileFile::KeepNewBytes(const std::string& temp, const std::string& keep) {
    m_saveLeft = SaveLeft::NewInTemporary;
    m_saveHeldIn = temp;
    if (keep.empty()) {
        return;
    }
    // The new bytes take keep's name, or keep goes: temp is complete.
    switch (m_ops->Replace(temp, keep)) {
    case IFileOps::ReplaceResult::Replaced:
        m_saveHeldIn = keep;
        break;
    case IFileOps::ReplaceResult::FailedMoved:
        break; // keep is gone, temp stays
    case IFileOps::ReplaceResult::Failed:
        m_ops->RemoveTemp(keep);
        break;
    }
}

namespace {

enum class ReadAll { Read, Missing, Failed };

// The whole file into bytes.
ReadAll ReadWholeFile(IFileOps& ops, const std::string& path, std::string& bytes) {
    bytes.clear();
    const auto reader = ops.OpenRead(path);
    if (!reader) {
        return ops.IsMissing(ops.LastError()) ? ReadAll::Missing : ReadAll::Failed;
    }
    bytes.resize(std::max<std::size_t>(reader->SizeHint(), kFirstRead));
    std::size_t size = 0;
    for (;;) {
        if (size == bytes.size()) {
            bytes.resize(bytes.size() * 2);
        }
        std::size_t got = 0;
        if (!reader->Read(bytes.data() + size, bytes.size() - size, got)) {
            return ReadAll::Failed;
        }
        if (got == 0) {
            break;
        }
        size += got;
    }
    bytes.resize(size);
    return ReadAll::Read;
}

} // namespace

bool CProfileFile::SaveInPlace(const std::string& keep) {
    // The old bytes, to put back should the write stop part way; a file that
    // exists but cannot be read is not written over.
    std::string old;
    const ReadAll before = ReadWholeFile(*m_ops, m_path, old);
    if (before == ReadAll::Failed) {
        m_saveError = m_ops->LastError();
        return false;
    }
    auto writer = m_ops->OpenInPlace(m_path);
    if (!writer) {
        m_saveError = m_ops->LastError();
        return false;
    }
    try {
        WriteTo(*writer, [&] { writer.reset(); });
    } catch (const CProfileFileError& e) {
        bool restored = false;
        if (before == ReadAll::Missing) {
            restored = m_ops->RemoveTemp(m_path); // there was no file
        } else if (auto undo = m_ops->OpenInPlace(m_path)) {
            restored = undo->Write(old.data(), old.size()) && undo->Flush() && undo->Close();
        }
        throw CProfileFileError(e.what(), e.SystemError(),
                                restored ? SaveLeft::OldFile : SaveLeft::Damaged);
    }
    if (!keep.empty()) {
        m_ops->RemoveTemp(keep);
    }
    return true;
}

void CProfileFile::WriteTo(IFileOps::Writer& writer, const std::function<void()>& cleanUp) {
    auto fail = [&](const char* step) {
        const std::uint32_t error = m_ops->LastError();
        cleanUp();
        throw CProfileFileError(std::string(step) + " failed for " + m_path, error);
    };
    LineWriter out(writer);
    for (const ProfileLineRef& line : m_lines) {
        if (!out.Put(line)) {
            fail("write");
        }
    }
    // Read bytes not yet split come after every held line.
    if (!out.PutRead(m_unsplit)) {
        fail("write");
    }
    if (!out.Finish()) {
        fail("write");
    }
    if (!writer.Flush()) {
        fail("flush");
    }
    if (!writer.Close()) {
        fail("close");
    }
}

void CProfileFile::Clear() {
    m_unsplit = {};
    m_lines.clear();
    m_lines.shrink_to_fit();
    m_blocks.clear();
    m_free = nullptr;
    m_freeSize = 0;
    m_nextBlock = 0;
    m_index.Reset();
    m_indexValid = true;
    m_indexed = 0;
    m_sectionId = -1;
    m_lastSectionId = -1;
}

void CProfileFile::SetSection(const std::string& section) {
    m_section = section;
    m_sectionId = -1;
}

int CProfileFile::FindKey(std::string_view key) {
    const int id = CurrentSectionId();
    return m_index.FindKey(m_lines, id, key);
}

int CProfileFile::GetLineCount() const {
    SplitLines();
    return static_cast<int>(m_lines.size());
}

std::string_view CProfileFile::GetLine(int index) const {
    SplitLines();
    if (index < 0 || static_cast<std::size_t>(index) >= m_lines.size()) {
        return {};
    }
    return m_lines[static_cast<std::size_t>(index)].Text();
}

std::vector<std::string> CProfileFile::GetLines() const {
    SplitLines();
    std::vector<std::string> out;
    out.reserve(m_lines.size());
    for (const ProfileLineRef& line : m_lines) {
        out.emplace_back(line.Text());
    }
    return out;
}

std::string CProfileFile::GetValueAt(int index) const {
    return std::string(LineValue(GetLine(index)));
}

std::string CProfileFile::GetString(std::string_view key, const std::string& def) {
    const int i = FindKey(key);
    return i < 0 ? def : GetValueAt(i);
}

std::int32_t CProfileFile::GetInt(std::string_view key, std::int32_t def) {
    const int i = FindKey(key);
    return i < 0 ? def : ParseInt(LineValue(GetLine(i)));
}

int CProfileFile::FindSectionEnd(std::string_view section) {
    const int id = SectionId(section);
    return m_index.FindSectionEnd(id, static_cast<int>(m_lines.size()));
}

void CProfileFile::InsertLine(int index, std::string_view line) {
    SplitLines();
    if (index < 0 || static_cast<std::size_t>(index) > m_lines.size()) {
        return;
    }
    const ProfileLineRef stored = StoreLine(line);
    if (static_cast<std::size_t>(index) == m_lines.size()) {
        AppendLine(stored);
        return;
    }
    m_lines.insert(m_lines.begin() + index, stored);
    m_indexValid = false;
}

void CProfileFile::SetString(std::string_view key, std::string_view value) {
    const int id = CurrentSectionId();
    const int i = m_index.FindKey(m_lines, id, key);
    if (i >= 0) {
        const ProfileLineRef keyLine = StoreLine(key, "=", value);
        // The index stays true when the line keeps its kind and key.
        if (ParseSectionHeader(keyLine.Text(), nullptr) || LineKey(keyLine.Text()) != key) {
            m_indexValid = false;
        }
        m_lines[static_cast<std::size_t>(i)] = keyLine;
        return;
    }
    const int end = m_index.FindSectionEnd(id, static_cast<int>(m_lines.size()));
    if (end >= 0) {
        const ProfileLineRef keyLine = StoreLine(key, "=", value);
        if (static_cast<std::size_t>(end) == m_lines.size()) {
            AppendLine(keyLine);
        } else {
            m_lines.insert(m_lines.begin() + end, keyLine);
            m_indexValid = false;
        }
        return;
    }
    AppendLine(StoreLine("[", m_section, "]"));
    AppendLine(StoreLine(key, "=", value));
}

void CProfileFile::SetInt(std::string_view key, std::int32_t value) {
    char buf[16];
    const auto res = std::to_chars(buf, buf + sizeof buf, value);
    SetString(key, std::string_view(buf, static_cast<std::size_t>(res.ptr - buf)));
}
