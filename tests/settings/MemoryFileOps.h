#pragma once

// File operations on an in-memory map of path to bytes, with an optional read
// error after a given number of bytes.

#include "settings/FileOps.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <string>

class MemoryFileOps : public IFileOps {
public:
    std::map<std::string, std::string> files;
    std::size_t readChunk = 1 << 20; // most bytes handed out per read
    std::size_t failReadAfter = std::string::npos;
    // The size readers report: npos for the true size, else this value (0 is
    // "unknown"; others can be wrong, as for a file that changes).
    std::size_t sizeHint = std::string::npos;

    std::uint32_t busyOpens = 0;                    // opens that fail as held by another program
    std::size_t failWriteAfter = std::string::npos; // bytes written in all before a write fails
    int pauses = 0;
    int saves = 0;                 // files opened for writing
    std::uint32_t createError = 0; // while set, OpenTemp fails with this error

    std::unique_ptr<Reader> OpenRead(const std::string& path) override {
        if (busyOpens > 0) {
            --busyOpens;
            m_error = kBusy;
            return nullptr;
        }
        const auto it = files.find(path);
        if (it == files.end()) {
            m_error = kMissing;
            return nullptr;
        }
        return std::make_unique<MemReader>(it->second, readChunk, failReadAfter,
                                           sizeHint == std::string::npos ? it->second.size()
                                                                         : sizeHint);
    }

    std::unique_ptr<Writer> OpenTemp(const std::string& target,
                                     const std::string& tempPath) override {
        m_error = target.empty() ? kMissing : files.contains(tempPath) ? kExists : createError;
        m_createFailure =
            files.contains(tempPath) ? CreateFailure::NameTaken : CreateFailure::Other;
        if (m_error != 0) {
            return nullptr;
        }
        ++saves;
        return std::make_unique<MemWriter>(files[tempPath], *this);
    }
    CreateFailure LastCreateFailure() const override { return m_createFailure; }

    ReplaceResult Replace(const std::string& temp, const std::string& target) override {
        const auto it = files.find(temp);
        if (it == files.end()) {
            m_error = kMissing;
            return ReplaceResult::Failed;
        }
        files[target] = std::move(it->second);
        files.erase(temp);
        return ReplaceResult::Replaced;
    }

    bool RemoveTemp(const std::string& temp) override {
        m_error = kMissing;
        return files.erase(temp) == 1;
    }

    std::unique_ptr<Writer> OpenInPlace(const std::string& target) override {
        if (target.empty()) {
            return nullptr;
        }
        ++saves;
        files[target].clear();
        return std::make_unique<MemWriter>(files[target], *this);
    }

    // While set, OpenAppend fails with this error.
    std::uint32_t appendError = 0;

    std::unique_ptr<Writer> OpenAppend(const std::string& path, std::uint64_t& size) override {
        size = 0;
        m_error = path.empty() ? kMissing : appendError;
        if (m_error != 0) {
            return nullptr;
        }
        size = files[path].size();
        return std::make_unique<MemWriter>(files[path], *this);
    }

    std::uint32_t LastError() const override { return m_error; }
    bool IsMissing(std::uint32_t error) const override { return error == kMissing; }
    bool IsBusy(std::uint32_t error) const override { return error == kBusy; }
    void Pause(unsigned) override { ++pauses; }

    static constexpr std::uint32_t kMissing = 2;
    static constexpr std::uint32_t kBusy = 32;
    static constexpr std::uint32_t kFull = 112;
    static constexpr std::uint32_t kExists = 80;

private:
    class MemReader : public Reader {
    public:
        MemReader(const std::string& bytes, std::size_t chunk, std::size_t failAfter,
                  std::size_t hint)
            : m_bytes(bytes), m_chunk(chunk), m_failAfter(failAfter), m_hint(hint) {}
        std::size_t SizeHint() const override { return m_hint; }
        bool Read(char* buf, std::size_t size, std::size_t& got) override {
            if (m_pos >= m_failAfter) {
                return false;
            }
            got = std::min({size, m_chunk, m_bytes.size() - m_pos, m_failAfter - m_pos});
            if (got > 0) {
                std::memcpy(buf, m_bytes.data() + m_pos, got);
            }
            m_pos += got;
            return true;
        }

    private:
        const std::string& m_bytes;
        std::size_t m_chunk;
        std::size_t m_failAfter;
        std::size_t m_hint;
        std::size_t m_pos = 0;
    };

    class MemWriter : public Writer {
    public:
        MemWriter(std::string& out, MemoryFileOps& ops) : m_out(out), m_ops(ops) {}
        bool Write(const char* data, std::size_t size) override {
            // A full device takes what fits, then fails.
            const std::size_t room =
                m_ops.failWriteAfter - std::min(m_ops.failWriteAfter, m_ops.m_written);
            m_out.append(data, std::min(size, room));
            m_ops.m_written += std::min(size, room);
            if (size > room) {
                m_ops.m_error = kFull;
                return false;
            }
            return true;
        }
        bool Flush() override { return true; }
        bool Close() override { return true; }

    private:
        std::string& m_out;
        MemoryFileOps& m_ops;
    };

    std::uint32_t m_error = 0;
    CreateFailure m_createFailure = CreateFailure::Other;
    std::size_t m_written = 0;
};
