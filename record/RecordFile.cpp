#include "record/RecordFile.h"

#include <algorithm>
#include <utility>

namespace {

constexpr std::string_view kMark = "\xEF\xBB\xBF";
constexpr std::string_view kLineEnd = "\r\n";

// The whole file; nullopt when it cannot be read.
std::optional<std::string> ReadAll(IFileOps& ops, const std::string& path) {
    auto reader = ops.OpenRead(path);
    if (!reader) {
        return std::nullopt;
    }
    std::string bytes;
    bytes.reserve(reader->SizeHint());
    char buf[64 * 1024];
    for (;;) {
        std::size_t got = 0;
        if (!reader->Read(buf, sizeof buf, got)) {
            return std::nullopt;
        }
        if (got == 0) {
            return bytes;
        }
        bytes.append(buf, got);
    }
}

} // namespace

CRecordFile::CRecordFile(std::string path, IFileOps& ops, std::uint64_t cap)
    : m_path(std::move(path)), m_ops(ops), m_cap(cap) {}

bool CRecordFile::Append(std::string_view line) {
    if (!m_enabled) {
        return false;
    }
    return Write(line) || Fail();
}

bool CRecordFile::Write(std::string_view line) {
    std::uint64_t size = 0;
    auto writer = m_ops.OpenAppend(m_path, size);
    if (!writer) {
        return false;
    }
    const bool torn =
        size > 0 && std::exchange(m_sizeBeforeFailure, std::nullopt).value_or(size) != size;
    const std::uint64_t adds =
        (size == 0 ? kMark.size() : 0) + (torn ? kLineEnd.size() : 0) + line.size() + 2;
    if (size > 0 && size + adds > m_cap) {
        writer.reset(); // the replace needs the file closed
        return DropOlderHalf(line, size);
    }
    // One write, so that a line is never split between two writes.
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(adds));
    bytes.append(size == 0 ? kMark : std::string_view{});
    bytes.append(torn ? kLineEnd : std::string_view{});
    bytes.append(line);
    bytes.append(kLineEnd);
    if (!writer->Write(bytes.data(), bytes.size())) {
        m_sizeBeforeFailure = size;
        return false;
    }
    return writer->Close();
}

bool CRecordFile::DropOlderHalf(std::string_view line, std::uint64_t size) {
    std::optional<std::string> old = ReadAll(m_ops, m_path);
    if (!old) {
        return false;
    }
    // The newer half (at most half the cap), from the first line that starts
    // in it; a file of one long line keeps nothing of it.
    const std::uint64_t keep = std::min<std::uint64_t>(size, m_cap) / 2;
    std::string_view kept(*old);
    if (kept.starts_with(kMark)) {
        kept.remove_prefix(kMark.size());
    }
    if (kept.size() > keep) {
        const std::size_t from = kept.size() - static_cast<std::size_t>(keep);
        const std::size_t lineEnd = kept.find('\n', from - 1);
        kept = lineEnd == std::string_view::npos ? std::string_view{} : kept.substr(lineEnd + 1);
    }
    std::string bytes;
    bytes.reserve(kMark.size() + kept.size() + line.size() + 4);
    bytes.append(kMark).append(kept);
    if (!kept.empty() && !kept.ends_with('\n')) {
        bytes.append(kLineEnd); // a piece of a line a failed write left
    }
    bytes.append(line).append(kLineEnd);

    const std::string temp = TempPathFor(m_path);
    m_ops.RemoveTemp(temp); // a stale one from a crash
    auto writer = m_ops.OpenTemp(m_path, temp);
    if (!writer) {
        return false;
    }
    const bool written =
        writer->Write(bytes.data(), bytes.size()) && writer->Flush() && writer->Close();
    writer.reset();
    const IFileOps::ReplaceResult replaced =
        written ? m_ops.Replace(temp, m_path) : IFileOps::ReplaceResult::Failed;
    if (replaced == IFileOps::ReplaceResult::Replaced) {
        return true;
    }
    const std::uint32_t error = m_ops.LastError();
    if (replaced != IFileOps::ReplaceResult::FailedMoved) {
        m_ops.RemoveTemp(temp); // the old file is there as it was
    }
    m_failure = m_failure.value_or(error);
    return false;
}

bool CRecordFile::Fail() {
    m_failure = m_failure.value_or(m_ops.LastError());
    return false;
}

bool CRecordFile::TakeFailureToTell() {
    return m_failure && !std::exchange(m_failureTold, true);
}

std::vector<std::string> CRecordFile::LastLines(std::size_t count) const {
    std::vector<std::string> lines;
    const std::optional<std::string> bytes = ReadAll(m_ops, m_path);
    if (!bytes || count == 0) {
        return lines;
    }
    std::string_view rest(*bytes);
    if (rest.starts_with(kMark)) {
        rest.remove_prefix(kMark.size());
    }
    // From the end backwards, so that a long file costs only its last lines.
    while (!rest.empty() && lines.size() < count) {
        std::string_view body = rest.ends_with('\n') ? rest.substr(0, rest.size() - 1) : rest;
        const std::size_t start = body.rfind('\n');
        const std::string_view line =
            start == std::string_view::npos ? body : body.substr(start + 1);
        rest = body.substr(0, start == std::string_view::npos ? 0 : start + 1);
        lines.emplace_back(line.ends_with('\r') ? line.substr(0, line.size() - 1) : line);
    }
    std::reverse(lines.begin(), lines.end());
    return lines;
}
