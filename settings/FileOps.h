#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

// The file operations the profile store needs, behind one interface so that
// tests can put faults into every step of loading and saving.
//
// Saving goes: RemoveTemp (stale temporaries), OpenTemp, Write (any number of
// times), Flush, Close, Replace; after a failure the temporary file is
// removed with RemoveTemp, unless the replace has already taken the old file
// away. Only when the folder refuses new files does the save write the
// target itself: OpenInPlace, Write, Flush, Close.
//
// Reading shares the file with other programs; writing is exclusive where the
// platform allows it, so no other program reads or writes it half way through.
class IFileOps {
public:
    enum class ReplaceResult {
        Replaced,
        Failed,     // target is as it was; temp still exists
        FailedMoved // the old target is gone and temp holds the only copy: keep it
    };

    // Why OpenTemp made no file.
    enum class CreateFailure {
        NameTaken,     // something is at the name: a file another program holds, a
                       // folder, a name pending deletion
        FolderRefuses, // the name is free, but the folder refused a new file (access denied)
        Other,         // anything else: a full disk, a quota, a read-only target
    };

    // An open file being read. Read returns false on a read error; at the end
    // of the file it returns true with got == 0.
    class Reader {
    public:
        virtual ~Reader() = default;
        virtual bool Read(char* buf, std::size_t size, std::size_t& got) = 0;
        // The file's size when it is known, else 0: only a hint for sizing
        // the buffer, so that a file can be read in one go.
        virtual std::size_t SizeHint() const { return 0; }
    };

    // An open file being written. Each step returns false on error.
    // Flush must bring the bytes to the device (fsync), not just to the OS.
    class Writer {
    public:
        virtual ~Writer() = default;
        virtual bool Write(const char* data, std::size_t size) = 0;
        virtual bool Flush() = 0;
        virtual bool Close() = 0;
    };

    virtual ~IFileOps() = default;

    // Opens an existing file for reading; nullptr when it cannot be opened,
    // with the reason in LastError.
    virtual std::unique_ptr<Reader> OpenRead(const std::string& path) = 0;

    // Creates tempPath, a name beside target that must be free, for a save of
    // target to write. A target that is a folder or read-only is refused
    // before anything is made. nullptr when nothing was made; LastError and
    // LastCreateFailure say why.
    virtual std::unique_ptr<Writer> OpenTemp(const std::string& target,
                                             const std::string& tempPath) = 0;
    virtual CreateFailure LastCreateFailure() const = 0;

    // Puts temp in the place of target in one step.
    virtual ReplaceResult Replace(const std::string& temp, const std::string& target) = 0;

    virtual bool RemoveTemp(const std::string& temp) = 0;

    // Opens target for writing, created when missing and cut to zero length;
    // nullptr when it cannot be opened, and target is then untouched.
    virtual std::unique_ptr<Writer> OpenInPlace(const std::string& target) = 0;

    // Opens path for appending, created when missing, and sets size to its
    // length before the first write; nullptr when it cannot be opened, and
    // path is then untouched. Each write goes to the end of the file.
    virtual std::unique_ptr<Writer> OpenAppend(const std::string& path, std::uint64_t& size) = 0;

    // The system's error number of the last step that failed (a Win32 error
    // code on Windows, errno elsewhere); 0 when the system gave none.
    virtual std::uint32_t LastError() const = 0;

    // Whether an error of OpenRead means there is no such file.
    virtual bool IsMissing(std::uint32_t error) const = 0;
    // Whether an error means another program holds the file for a moment
    // (a sharing or lock violation), so that trying again may succeed.
    virtual bool IsBusy(std::uint32_t error) const = 0;
    // Waits before another try.
    virtual void Pause(unsigned milliseconds) = 0;
};

// The temporary file a save writes first, beside the target. A crash can
// leave it behind; the next load may recover the settings from it.
inline std::string TempPathFor(const std::string& target) {
    return target + ".tmp";
}

// The second temporary name: a save writes under it while the first one
// holds the only complete copy (the target missing or empty; such a copy
// under this name is moved to the first beforehand) or cannot be removed. A
// load reads it before the first.
inline std::string SecondTempPathFor(const std::string& target) {
    return target + ".tmp2";
}
