#include "settings/ProfileFile.h"

#include "settings/ProfileFileError.h"
#include "settings/ProfileLine.h"
#include "settings/StdFileOps.h"

#include <cstring>

namespace {

constexpr std::size_t kChunk = 1 << 16; // bytes per read and per write
constexpr char kEof = 0x1A;

} // namespace

CProfileFile::CProfileFile() : m_ownOps(std::make_unique<CStdFileOps>()), m_ops(m_ownOps.get()) {}

CProfileFile::CProfileFile(IFileOps& ops) : m_ops(&ops) {}

CProfileFile::~CProfileFile() = default;

void CProfileFile::AppendLine(std::string line) {
    m_lines.push_back(std::move(line));
    if (m_indexValid) {
        m_index.Append(m_lines, static_cast<int>(m_lines.size()) - 1);
    }
}

int CProfileFile::SectionId(const std::string& section) {
    const CProfileIndex& index = CurrentIndex();
    if (section == m_section) {
        // Only a known id is kept: a later header may name the section.
        if (m_sectionId < 0) {
            m_sectionId = index.SectionId(section);
        }
        return m_sectionId;
    }
    return index.SectionId(section);
}

const CProfileIndex& CProfileFile::CurrentIndex() {
    if (!m_indexValid) {
        m_index.Reset();
        m_sectionId = -1;
        for (std::size_t i = 0; i < m_lines.size(); ++i) {
            m_index.Append(m_lines, static_cast<int>(i));
        }
        m_indexValid = true;
    }
    return m_index;
}

void CProfileFile::Load(const std::string& path) {
    m_path = path;
    const auto reader = m_ops->OpenRead(path);
    if (!reader) {
        return;
    }
    // The index is built once, on the first lookup, sized for all the lines.
    m_indexValid = false;
    const auto buf = std::make_unique_for_overwrite<char[]>(kChunk);
    std::string pending; // a line begun in an earlier chunk
    for (;;) {
        std::size_t got = 0;
        if (!reader->Read(buf.get(), kChunk, got)) {
            throw CProfileFileError("read error in " + path);
        }
        const char* p = buf.get();
        const char* end = p + got;
        const auto* eof = static_cast<const char*>(std::memchr(p, kEof, got));
        if (eof != nullptr) {
            end = eof;
        }
        while (p < end) {
            const auto* lf = static_cast<const char*>(std::memchr(p, '\n', end - p));
            if (lf == nullptr) {
                pending.append(p, end);
                break;
            }
            std::string line;
            if (pending.empty()) {
                line.assign(p, lf);
            } else {
                line = std::move(pending);
                pending.clear();
                line.append(p, lf);
            }
            if (!line.empty() && line.back() == '\r') {
                line.pop_back();
            }
            AppendLine(std::move(line));
            p = lf + 1;
        }
        if (got == 0 || eof != nullptr) {
            break;
        }
    }
    if (!pending.empty()) {
        AppendLine(std::move(pending));
    }
}

void CProfileFile::Save() {
    std::string temp;
    auto writer = m_ops->OpenTemp(m_path, temp);
    if (!writer) {
        return;
    }
    // Any failure before the replace leaves the old file and no temporary.
    auto fail = [&](const char* step) {
        writer.reset();
        m_ops->RemoveTemp(temp);
        throw CProfileFileError(std::string(step) + " failed for " + m_path);
    };
    std::string out;
    out.reserve(kChunk + 64);
    for (const std::string& line : m_lines) {
        out += line;
        out += "\r\n";
        if (out.size() >= kChunk) {
            if (!writer->Write(out.data(), out.size())) {
                fail("write");
            }
            out.clear();
        }
    }
    if (!out.empty() && !writer->Write(out.data(), out.size())) {
        fail("write");
    }
    if (!writer->Flush()) {
        fail("flush");
    }
    if (!writer->Close()) {
        fail("close");
    }
    writer.reset();
    if (!m_ops->Replace(temp, m_path)) {
        // The target cannot be replaced (read-only, in use): left alone.
        m_ops->RemoveTemp(temp);
    }
}

void CProfileFile::Clear() {
    m_lines.clear();
    m_index.Reset();
    m_indexValid = true;
    m_sectionId = -1;
}

void CProfileFile::SetSection(const std::string& section) {
    m_section = section;
    m_sectionId = -1;
}

int CProfileFile::FindKey(const std::string& key) {
    const int id = SectionId(m_section);
    return m_index.FindKey(m_lines, id, key);
}

std::string CProfileFile::GetValueAt(int index) const {
    if (index < 0 || static_cast<std::size_t>(index) >= m_lines.size()) {
        return std::string();
    }
    return std::string(LineValue(m_lines[static_cast<std::size_t>(index)]));
}

std::string CProfileFile::GetString(const std::string& key, const std::string& def) {
    const int i = FindKey(key);
    return i < 0 ? def : GetValueAt(i);
}

std::int32_t CProfileFile::GetInt(const std::string& key, std::int32_t def) {
    const int i = FindKey(key);
    return i < 0 ? def : ParseInt(LineValue(m_lines[static_cast<std::size_t>(i)]));
}

int CProfileFile::FindSectionEnd(const std::string& section) {
    const int id = SectionId(section);
    return m_index.FindSectionEnd(id, static_cast<int>(m_lines.size()));
}

void CProfileFile::InsertLine(int index, const std::string& line) {
    if (index < 0 || static_cast<std::size_t>(index) > m_lines.size()) {
        return;
    }
    if (static_cast<std::size_t>(index) == m_lines.size()) {
        AppendLine(line);
        return;
    }
    m_lines.insert(m_lines.begin() + index, line);
    m_indexValid = false;
}

void CProfileFile::SetString(const std::string& key, const std::string& value) {
    std::string keyLine = key + "=" + value;
    const int i = FindKey(key);
    if (i >= 0) {
        // The index stays true when the line keeps its kind and key.
        if (ParseSectionHeader(keyLine, nullptr) || LineKey(keyLine) != key) {
            m_indexValid = false;
        }
        m_lines[static_cast<std::size_t>(i)] = std::move(keyLine);
        return;
    }
    const int end = FindSectionEnd(m_section);
    if (end >= 0) {
        InsertLine(end, keyLine);
        return;
    }
    AppendLine("[" + m_section + "]");
    AppendLine(std::move(keyLine));
}

void CProfileFile::SetInt(const std::string& key, std::int32_t value) {
    SetString(key, std::to_string(value));
}
