#pragma once

#include "settings/FileOps.h"

// The real file operations: binary file descriptors (read shared, written
// without sharing on Windows), a temporary file beside the target, fsync
// before the replace,
// rename (POSIX) or ReplaceFileW (Windows, in the framework's qb_win32_file
// library) for the replace.
class CStdFileOps : public IFileOps {
public:
    std::unique_ptr<Reader> OpenRead(const std::string& path) override;
    // A create refused with access denied while stat finds nothing at the
    // name is the folder's refusal (CreateFailure::FolderRefuses).
    std::unique_ptr<Writer> OpenTemp(const std::string& target,
                                     const std::string& tempPath) override;
    CreateFailure LastCreateFailure() const override;
    ReplaceResult Replace(const std::string& temp, const std::string& target) override;
    bool RemoveTemp(const std::string& temp) override;
    std::unique_ptr<Writer> OpenInPlace(const std::string& target) override;
    // Shares reading, so that a viewer may hold the file open meanwhile.
    std::unique_ptr<Writer> OpenAppend(const std::string& path, std::uint64_t& size) override;
    std::uint32_t LastError() const override;
    bool IsMissing(std::uint32_t error) const override;
    bool IsBusy(std::uint32_t error) const override;
    void Pause(unsigned milliseconds) override;

private:
    std::uint32_t m_lastError = 0;
    CreateFailure m_createFailure = CreateFailure::Other;
};
