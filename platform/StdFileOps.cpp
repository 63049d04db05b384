#include "platform/StdFileOps.h"

#include <cerrno>
#include <chrono>
#include <climits>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>

#ifdef _WIN32
#include "platform/Win32FileReplace.h"
#include <io.h>
#include <share.h>
#include <stdlib.h>
#else
#include <unistd.h>
#endif

namespace {

#ifdef _WIN32
constexpr int kReadFlags = _O_RDONLY | _O_BINARY;
constexpr int kTempFlags = _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY;
// Cut to zero length after the open: opening with truncation (CREATE_ALWAYS)
// is refused for a hidden or system file.
constexpr int kInPlaceFlags = _O_WRONLY | _O_CREAT | _O_BINARY;
constexpr int kTempMode = _S_IREAD | _S_IWRITE;
constexpr int kAppendFlags = _O_WRONLY | _O_CREAT | _O_APPEND | _O_BINARY;
using IoSize = unsigned int;
constexpr std::size_t kMaxIo = INT_MAX;
// The runtime keeps the Win32 code of its last failed system call; a call
// that fails without one (a short write on a full disk) leaves it as it was,
// so it is cleared before each call and errno serves where it stays 0.
void ClearErrors() {
    _doserrno = 0;
    errno = 0;
}
// A write is exclusive: no other program reads or writes the file meanwhile,
// and one that holds it open makes the open fail. A read shares the file with
// everyone (a backup tool or an indexer that holds it must not hide it).
int OpenFd(const std::string& path, int flags, int mode = 0) {
    ClearErrors();
    const bool write = (flags & (_O_WRONLY | _O_RDWR)) != 0;
    return _sopen(path.c_str(), flags, write ? _SH_DENYRW : _SH_DENYNO, mode);
}
// An append lets others read meanwhile (a viewer showing the record), never write.
int OpenAppendFd(const std::string& path) {
    ClearErrors();
    return _sopen(path.c_str(), kAppendFlags, _SH_DENYWR, kTempMode);
}
constexpr std::uint32_t kAccessDenied = 5; // ERROR_ACCESS_DENIED
constexpr std::uint32_t kDiskFull = 112;   // ERROR_DISK_FULL
constexpr std::uint32_t kNotFound = 2;     // ERROR_FILE_NOT_FOUND
constexpr std::uint32_t kPathNotFound = 3; // ERROR_PATH_NOT_FOUND
constexpr std::uint32_t kSharing = 32;     // ERROR_SHARING_VIOLATION
constexpr std::uint32_t kLock = 33;        // ERROR_LOCK_VIOLATION
constexpr std::uint32_t kBadHandle = 6;    // ERROR_INVALID_HANDLE
std::uint32_t SystemError() {
    if (_doserrno != 0) {
        return static_cast<std::uint32_t>(_doserrno);
    }
    switch (errno) {
    case ENOSPC:
        return kDiskFull;
    case EACCES:
        return kAccessDenied;
    case ENOENT:
        return kNotFound;
    case EBADF:
        return kBadHandle;
    default:
        return 0;
    }
}
int ReadFd(int fd, char* buf, IoSize n) {
    ClearErrors();
    return _read(fd, buf, n);
}
int WriteFd(int fd, const char* buf, IoSize n) {
    ClearErrors();
    return _write(fd, buf, n);
}
int SyncFd(int fd) {
    ClearErrors();
    return _commit(fd);
}
int CloseFd(int fd) {
    ClearErrors();
    return _close(fd);
}
int TruncateFd(int fd) {
    ClearErrors();
    return _chsize(fd, 0);
}
int Unlink(const std::string& path) {
    return _unlink(path.c_str());
}
bool Writable(const std::string& path) {
    return _access(path.c_str(), 2) == 0;
}
using StatBuf = struct _stat64;
int StatPath(const std::string& path, StatBuf& st) {
    return _stat64(path.c_str(), &st);
}
int StatFd(int fd, StatBuf& st) {
    return _fstat64(fd, &st);
}
bool IsDir(const StatBuf& st) {
    return (st.st_mode & _S_IFMT) == _S_IFDIR;
}
#else
constexpr int kReadFlags = O_RDONLY | O_CLOEXEC;
constexpr int kTempFlags = O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC;
constexpr int kInPlaceFlags = O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC;
constexpr int kTempMode = 0666;
constexpr int kAppendFlags = O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC;
constexpr std::uint32_t kAccessDenied = EACCES;
constexpr std::uint32_t kNotFound = ENOENT;
using IoSize = std::size_t;
constexpr std::size_t kMaxIo = SSIZE_MAX;
int OpenFd(const std::string& path, int flags, int mode = 0) {
    int fd;
    do {
        fd = ::open(path.c_str(), flags, mode);
    } while (fd < 0 && errno == EINTR);
    return fd;
}
std::uint32_t SystemError() {
    return static_cast<std::uint32_t>(errno);
}
int OpenAppendFd(const std::string& path) {
    return OpenFd(path, kAppendFlags, kTempMode);
}
constexpr std::uint32_t kDiskFull = ENOSPC;
ssize_t ReadFd(int fd, char* buf, IoSize n) {
    return ::read(fd, buf, n);
}
ssize_t WriteFd(int fd, const char* buf, IoSize n) {
    return ::write(fd, buf, n);
}
int SyncFd(int fd) {
    return ::fsync(fd);
}
int CloseFd(int fd) {
    return ::close(fd);
}
int TruncateFd(int) {
    return 0; // opened with O_TRUNC
}
int Unlink(const std::string& path) {
    return ::unlink(path.c_str());
}
bool Writable(const std::string& path) {
    return ::access(path.c_str(), W_OK) == 0;
}
using StatBuf = struct stat;
int StatPath(const std::string& path, StatBuf& st) {
    return ::stat(path.c_str(), &st);
}
int StatFd(int fd, StatBuf& st) {
    return ::fstat(fd, &st);
}
bool IsDir(const StatBuf& st) {
    return S_ISDIR(st.st_mode);
}

// Makes a finished rename durable; best effort, the rename itself has
// already taken place.
void SyncParentDir(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    const std::string dir = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    const int fd = OpenFd(dir, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}
#endif

// Why no new file could be made under name: something is there, or the
// folder refused access to a free name, or another reason.
IFileOps::CreateFailure CreateFailureOf(const std::string& name, std::uint32_t error) {
    StatBuf st;
    errno = 0;
    if (StatPath(name, st) == 0 || errno != ENOENT) {
        return IFileOps::CreateFailure::NameTaken; // or pending deletion
    }
    return error == kAccessDenied ? IFileOps::CreateFailure::FolderRefuses
                                  : IFileOps::CreateFailure::Other;
}

class FdReader : public IFileOps::Reader {
public:
    FdReader(int fd, std::size_t size, std::uint32_t& error)
        : m_fd(fd), m_size(size), m_error(error) {}
    ~FdReader() override { CloseFd(m_fd); }
    FdReader(const FdReader&) = delete;
    FdReader& operator=(const FdReader&) = delete;

    bool Read(char* buf, std::size_t size, std::size_t& got) override {
        got = 0;
        for (;;) {
            const auto n = ReadFd(m_fd, buf, static_cast<IoSize>(size < kMaxIo ? size : kMaxIo));
            if (n >= 0) {
                got = static_cast<std::size_t>(n);
                return true;
            }
            if (errno != EINTR) {
                m_error = SystemError();
                return false;
            }
        }
    }

    std::size_t SizeHint() const override { return m_size; }

private:
    int m_fd;
    std::size_t m_size;
    std::uint32_t& m_error;
};

class FdWriter : public IFileOps::Writer {
public:
    FdWriter(int fd, std::uint32_t& error) : m_fd(fd), m_error(error) {}
    ~FdWriter() override {
        if (m_fd >= 0) {
            CloseFd(m_fd);
        }
    }
    FdWriter(const FdWriter&) = delete;
    FdWriter& operator=(const FdWriter&) = delete;

    bool Write(const char* data, std::size_t size) override {
        while (size > 0) {
            const auto n = WriteFd(m_fd, data, static_cast<IoSize>(size < kMaxIo ? size : kMaxIo));
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n < 0) {
                return Failed();
            }
            if (n == 0) { // no progress: the device is full
                m_error = kDiskFull;
                return false;
            }
            data += n;
            size -= static_cast<std::size_t>(n);
        }
        return true;
    }

    bool Flush() override { return SyncFd(m_fd) == 0 || Failed(); }

    bool Close() override {
        const int fd = m_fd;
        m_fd = -1;
        return CloseFd(fd) == 0 || Failed();
    }

private:
    bool Failed() {
        m_error = SystemError();
        return false;
    }

    int m_fd;
    std::uint32_t& m_error;
};

// Reads what the open `fd` is. A folder opens on POSIX but is no file to
// read or append to: it is closed and refused, as Windows refuses it.
bool StatFile(int fd, StatBuf& st, std::uint32_t& lastError) {
    if (StatFd(fd, st) != 0 || IsDir(st)) {
        lastError = kAccessDenied;
        CloseFd(fd);
        return false;
    }
    return true;
}

} // namespace

std::unique_ptr<IFileOps::Reader> CStdFileOps::OpenRead(const std::string& path) {
    const int fd = OpenFd(path, kReadFlags);
    if (fd < 0) {
        m_lastError = SystemError();
        return nullptr;
    }
    StatBuf st;
    if (!StatFile(fd, st, m_lastError)) {
        return nullptr;
    }
    const std::size_t size = st.st_size > 0 ? static_cast<std::size_t>(st.st_size) : 0;
    return std::make_unique<FdReader>(fd, size, m_lastError);
}

std::unique_ptr<IFileOps::Writer> CStdFileOps::OpenTemp(const std::string& target,
                                                        const std::string& tempPath) {
    m_createFailure = CreateFailure::Other;
    if (target.empty() || tempPath.empty()) {
        m_lastError = kNotFound;
        return nullptr;
    }
    StatBuf st;
    const bool exists = StatPath(target, st) == 0;
    // Refuse early what the replace would refuse, so nothing is written.
    if (exists && (IsDir(st) || !Writable(target))) {
        m_lastError = kAccessDenied;
        return nullptr;
    }
    // O_EXCL never follows a link planted under the name.
    const int fd = OpenFd(tempPath, kTempFlags, kTempMode);
    if (fd < 0) {
        m_lastError = SystemError();
        m_createFailure = CreateFailureOf(tempPath, m_lastError);
        return nullptr;
    }
#ifndef _WIN32
    if (exists) {
        ::fchmod(fd, st.st_mode & 07777);
    }
#endif
    return std::make_unique<FdWriter>(fd, m_lastError);
}

IFileOps::CreateFailure CStdFileOps::LastCreateFailure() const {
    return m_createFailure;
}

IFileOps::ReplaceResult CStdFileOps::Replace(const std::string& temp, const std::string& target) {
#ifdef _WIN32
    bool moved = false;
    if (Win32ReplaceFile(temp, target, &m_lastError, &moved)) {
        return ReplaceResult::Replaced;
    }
    return moved ? ReplaceResult::FailedMoved : ReplaceResult::Failed;
#else
    if (::rename(temp.c_str(), target.c_str()) != 0) {
        m_lastError = SystemError();
        return ReplaceResult::Failed;
    }
    SyncParentDir(target);
    return ReplaceResult::Replaced;
#endif
}

bool CStdFileOps::RemoveTemp(const std::string& temp) {
    return Unlink(temp) == 0;
}

std::unique_ptr<IFileOps::Writer> CStdFileOps::OpenInPlace(const std::string& target) {
    if (target.empty()) {
        return nullptr;
    }
    // A file the user made read-only is never written, also where the open
    // itself would not refuse it (Wine run as root).
    StatBuf st;
    if (StatPath(target, st) == 0 && (IsDir(st) || !Writable(target))) {
        m_lastError = kAccessDenied;
        return nullptr;
    }
    const int fd = OpenFd(target, kInPlaceFlags, kTempMode);
    if (fd < 0) {
        m_lastError = SystemError();
        return nullptr;
    }
    if (TruncateFd(fd) != 0) {
        m_lastError = SystemError();
        CloseFd(fd);
        return nullptr;
    }
    return std::make_unique<FdWriter>(fd, m_lastError);
}

std::unique_ptr<IFileOps::Writer> CStdFileOps::OpenAppend(const std::string& path,
                                                          std::uint64_t& size) {
    size = 0;
    if (path.empty()) {
        m_lastError = kNotFound;
        return nullptr;
    }
    const int fd = OpenAppendFd(path);
    if (fd < 0) {
        m_lastError = SystemError();
        return nullptr;
    }
    StatBuf st;
    if (!StatFile(fd, st, m_lastError)) {
        return nullptr;
    }
    size = st.st_size > 0 ? static_cast<std::uint64_t>(st.st_size) : 0;
    return std::make_unique<FdWriter>(fd, m_lastError);
}

std::uint32_t CStdFileOps::LastError() const {
    return m_lastError;
}

bool CStdFileOps::IsMissing(std::uint32_t error) const {
#ifdef _WIN32
    return error == kNotFound || error == kPathNotFound;
#else
    return error == ENOENT || error == ENOTDIR;
#endif
}

bool CStdFileOps::IsBusy(std::uint32_t error) const {
#ifdef _WIN32
    return error == kSharing || error == kLock;
#else
    return error == EAGAIN || error == EWOULDBLOCK; // a mandatory lock
#endif
}

void CStdFileOps::Pause(unsigned milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}
