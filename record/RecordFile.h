#pragma once

#include "settings/FileOps.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The record file, beside the settings file.
inline constexpr char kRecordFileName[] = "Quillaberton.log";

// The record of what the program did: one UTF-8 line per event, appended,
// each ending with CR LF; a new file starts with a byte-order mark.
//
// A line that would take the file past the cap first drops the older half of
// it, at a line's start, and the rest goes through a temporary file and the
// one-step replace the settings file uses, so that a crash leaves either the
// old file or the new one, never one cut in a line. Any other line costs one
// open, one write and one close.
//
// A failed write changes nothing but this object's failure, which is told
// once. Switched off, nothing is written and the file is left as it is.
class CRecordFile {
public:
    static constexpr std::uint64_t kCap = 1024 * 1024;

    CRecordFile(std::string path, IFileOps& ops, std::uint64_t cap = kCap);

    // Appends line (without its line end). False when it could not be
    // written (or the record is off).
    bool Append(std::string_view line);

    void SetEnabled(bool enabled) { m_enabled = enabled; }
    bool Enabled() const { return m_enabled; }

    // The system's error number of the first write that failed, if any.
    std::optional<std::uint32_t> Failure() const { return m_failure; }
    // True exactly once after the first failure: the tip tells it then.
    bool TakeFailureToTell();

    // The last `count` lines of the file, oldest first, without the mark and
    // the line ends; empty when the file cannot be read.
    std::vector<std::string> LastLines(std::size_t count) const;

    const std::string& Path() const { return m_path; }

private:
    bool Write(std::string_view line);
    bool DropOlderHalf(std::string_view line, std::uint64_t size);
    bool Fail();

    std::string m_path;
    IFileOps& m_ops;
    std::uint64_t m_cap;
    bool m_enabled = true;
    // The file's size before a write that failed: grown since, it holds a
    // piece of a line, and the next line starts on a line of its own.
    std::optional<std::uint64_t> m_sizeBeforeFailure;
    std::optional<std::uint32_t> m_failure;
    bool m_failureTold = false;
};
