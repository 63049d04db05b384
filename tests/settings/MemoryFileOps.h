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

    std::unique_ptr<Reader> OpenRead(const std::string& path) override {
        const auto it = files.find(path);
        if (it == files.end()) {
            return nullptr;
        }
        return std::make_unique<MemReader>(it->second, readChunk, failReadAfter,
                                           sizeHint == std::string::npos ? it->second.size()
                                                                         : sizeHint);
    }

    std::unique_ptr<Writer> OpenTemp(const std::string& target, std::string& tempPath) override {
        if (target.empty()) {
            return nullptr;
        }
        tempPath = target + ".tmp";
        files[tempPath].clear();
        return std::make_unique<MemWriter>(files[tempPath]);
    }

    bool Replace(const std::string& temp, const std::string& target) override {
        const auto it = files.find(temp);
        if (it == files.end()) {
            return false;
        }
        files[target] = std::move(it->second);
        files.erase(temp);
        return true;
    }

    bool RemoveTemp(const std::string& temp) override { return files.erase(temp) == 1; }

    std::unique_ptr<Writer> OpenInPlace(const std::string& target) override {
        if (target.empty()) {
            return nullptr;
        }
        files[target].clear();
        return std::make_unique<MemWriter>(files[target]);
    }

    std::uint32_t LastError() const override { return 0; }

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
        explicit MemWriter(std::string& out) : m_out(out) {}
        bool Write(const char* data, std::size_t size) override {
            m_out.append(data, size);
            return true;
        }
        bool Flush() override { return true; }
        bool Close() override { return true; }

    private:
        std::string& m_out;
    };
};
