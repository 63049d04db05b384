// The real one-step replace (ReplaceFileW) under Wine, through the program's
// own relative file name: the replaced file keeps what the user set on it; a
// target that can be neither replaced nor written keeps its bytes, the save
// reports Windows' own reason, and no temporary file stays behind. Reads
// share the file with other programs.

#include "platform/Win32FileReplace.h"
#include "platform/DiskSettings.h"
#include "platform/StdFileOps.h"
#include "settings/SettingsFile.h"

#include "FaultFileOps.h"
#include "FileBytes.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <thread>

#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <sys/stat.h>

namespace {

const std::string kOld = "old\r\n";

ScheduleList OneEntry() {
    ScheduleList l;
    l.AddTail(CScheduleItem());
    return l;
}

TEST(Win32ReplaceTest, ReadOnlyTargetStaysAndNoTemporaryRemains) {
    TempDir dir;
    const std::string path = dir.Path("Quillaberton.dat");
    ASSERT_TRUE(WriteBytes(path, kOld));
    ASSERT_EQ(_chmod(path.c_str(), _S_IREAD), 0);
    const SaveStatus status = SaveSettings(OneEntry(), 0, path);
    EXPECT_FALSE(status.saved);
    EXPECT_EQ(status.error, 5u); // ERROR_ACCESS_DENIED
    EXPECT_EQ(ReadBytes(path), kOld);
    EXPECT_EQ(dir.Names(), std::set<std::string>{"Quillaberton.dat"});
    _chmod(path.c_str(), _S_IREAD | _S_IWRITE);
}

TEST(Win32ReplaceTest, HiddenTargetStaysHiddenReplacedOrWrittenInPlace) {
    for (const bool inPlace : {false, true}) {
        TempDir dir;
        const std::string path = dir.Path("Quillaberton.dat");
        ASSERT_TRUE(WriteBytes(path, kOld));
        FaultFileOps ops; // in place: the folder refuses new files
        ops.faultOn = inPlace ? 1 : 0;
        ops.faultStep = FileStep::OpenTemp;
        ops.faultTimes = 2;
        ops.tempFault = IFileOps::CreateFailure::FolderRefuses;
        const std::wstring wide = std::filesystem::path(path).wstring();
        ASSERT_TRUE(::SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_HIDDEN));
        EXPECT_TRUE(SaveSettings(OneEntry(), 0, path, ops).saved) << inPlace;
        const DWORD attributes = ::GetFileAttributesW(wide.c_str());
        ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES);
        EXPECT_TRUE(attributes & FILE_ATTRIBUTE_HIDDEN) << inPlace;
        EXPECT_NE(ReadBytes(path), kOld);
        EXPECT_EQ(ops.Count(FileStep::OpenInPlace), inPlace ? 1 : 0);
        EXPECT_EQ(dir.Names().size(), 1u);
    }
}

// A temporary file another program holds, or one pending deletion, stays
// where it is: the save goes through the second name, not in place.
TEST(Win32ReplaceTest, HeldTemporaryGivesTheSecondName) {
    for (const bool pending : {false, true}) {
        TempDir dir;
        ASSERT_TRUE(WriteBytes(dir.Path(kSettingsFileName), kOld));
        ASSERT_TRUE(WriteBytes(dir.Path("Quillaberton.dat.tmp"), "held"));
        const std::wstring temp = std::filesystem::path(dir.Path("Quillaberton.dat.tmp")).wstring();
        HANDLE h = ::CreateFileW(temp.c_str(), GENERIC_READ | DELETE,
                                 pending ? FILE_SHARE_READ | FILE_SHARE_DELETE : 0, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        ASSERT_TRUE(!pending || ::DeleteFileW(temp.c_str()));
        const std::filesystem::path cwd = std::filesystem::current_path();
        std::filesystem::current_path(dir.Path(""));
        FaultFileOps ops;
        const SaveStatus status = SaveSettings(OneEntry(), 0, kSettingsFileName, ops);
        std::filesystem::current_path(cwd);
        ::CloseHandle(h);
        EXPECT_TRUE(status.saved) << pending;
        EXPECT_EQ(ops.Count(FileStep::OpenInPlace), 0) << pending;
        EXPECT_NE(ReadBytes(dir.Path(kSettingsFileName)), kOld);
        EXPECT_EQ(dir.Names().size(), pending ? 1u : 2u) << pending; // no .tmp2 left
    }
}

// The file's identity: a replace gives the name another file, a write in
// place keeps it.
std::uint64_t FileId(const std::string& path) {
    const std::wstring wide = std::filesystem::path(path).wstring();
    HANDLE h =
        ::CreateFileW(wide.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    BY_HANDLE_FILE_INFORMATION info{};
    const bool ok = h != INVALID_HANDLE_VALUE && ::GetFileInformationByHandle(h, &info);
    if (h != INVALID_HANDLE_VALUE) {
        ::CloseHandle(h);
    }
    return ok ? (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow : 0;
}

TEST(Win32ReplaceTest, SaveByTheProgramsOwnRelativeNameReplacesTheFile) {
    TempDir dir;
    ASSERT_TRUE(WriteBytes(dir.Path(kSettingsFileName), kOld));
    const std::uint64_t before = FileId(dir.Path(kSettingsFileName));
    ASSERT_NE(before, 0u);
    const std::filesystem::path cwd = std::filesystem::current_path();
    std::filesystem::current_path(dir.Path(""));
    const SaveStatus status = SaveSettings(OneEntry(), 0); // "Quillaberton.dat"
    std::filesystem::current_path(cwd);
    EXPECT_TRUE(status.saved);
    EXPECT_NE(FileId(dir.Path(kSettingsFileName)), before);
    EXPECT_EQ(dir.Names(), std::set<std::string>{"Quillaberton.dat"});
}

// Another program holds the file: without sharing for a moment (tried again
// until it lets go), sharing reads (read at once), or for good (reported,
// neither read as empty nor written).
TEST(Win32ReplaceTest, HeldFileIsReadWhenItCanBeAndNeverTakenForAnEmptyOne) {
    TempDir dir;
    const std::string path = dir.Path("Quillaberton.dat");
    ASSERT_TRUE(SaveSettings(OneEntry(), 1, path).saved);
    const std::string saved = ReadBytes(path);
    const std::wstring wide = std::filesystem::path(path).wstring();
    struct Case {
        DWORD share;
        int holdMs; // -1: for the whole load
        LoadStatus::File expected;
    };
    for (const Case c : {Case{0, 300, LoadStatus::File::Read},
                         Case{FILE_SHARE_READ | FILE_SHARE_WRITE, -1, LoadStatus::File::Read},
                         Case{0, -1, LoadStatus::File::Unreadable}}) {
        HANDLE h = ::CreateFileW(wide.c_str(), GENERIC_READ, c.share, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        std::thread release;
        if (c.holdMs >= 0) {
            release = std::thread([h, ms = c.holdMs] {
                ::Sleep(static_cast<DWORD>(ms));
                ::CloseHandle(h);
            });
        }
        ScheduleList list;
        std::int32_t tray = 0;
        const LoadStatus status = LoadSettings(list, tray, path);
        if (release.joinable()) {
            release.join();
        } else {
            ::CloseHandle(h);
        }
        EXPECT_EQ(status.file, c.expected) << c.share << " " << c.holdMs;
        const bool read = c.expected == LoadStatus::File::Read;
        EXPECT_EQ(status.error, read ? 0u : 32u); // ERROR_SHARING_VIOLATION
        EXPECT_EQ(list.GetCount(), read ? 1 : 0);
        EXPECT_EQ(ReadBytes(path), saved);
    }
    // A save while it is held without sharing fails and says why.
    const int fd = _sopen(path.c_str(), _O_RDONLY | _O_BINARY, _SH_DENYRW);
    ASSERT_GE(fd, 0);
    const SaveStatus status = SaveSettings(ScheduleList(), 0, path);
    _close(fd);
    EXPECT_FALSE(status.saved);
    EXPECT_EQ(status.error, 32u);
    EXPECT_EQ(ReadBytes(path), saved);
    EXPECT_EQ(dir.Names(), std::set<std::string>{"Quillaberton.dat"});
}

TEST(Win32ReplaceTest, ReplaceTakesCp932Paths) {
    TempDir dir;
    // "ゾーン.dat" and "設定.tmp": CP932 bytes, trail bytes 0x5D and 0x5B included.
    const std::wstring wideTarget =
        std::filesystem::path(dir.Path("")).wstring() + L"\u30be\u30fc\u30f3.dat";
    const std::wstring wideSource =
        std::filesystem::path(dir.Path("")).wstring() + L"\u8a2d\u5b9a.tmp";
    const std::string base = dir.Path("");
    const std::string target = base + "\x83\x5D\x81\x5B\x83\x93.dat";
    const std::string source = base + "\x90\xDD\x92\xE8.tmp";
    for (const auto& [wpath, bytes] :
         {std::pair{wideTarget, "old"}, std::pair{wideSource, "new"}}) {
        std::FILE* f = _wfopen(wpath.c_str(), L"wb");
        ASSERT_NE(f, nullptr);
        std::fputs(bytes, f);
        std::fclose(f);
    }
    ASSERT_TRUE(Win32ReplaceFile(source, target));
    std::FILE* f = _wfopen(wideTarget.c_str(), L"rb");
    ASSERT_NE(f, nullptr);
    char buf[8] = {};
    std::fread(buf, 1, sizeof buf - 1, f);
    std::fclose(f);
    EXPECT_STREQ(buf, "new");
    EXPECT_EQ(dir.Names().size(), 1u);
    EXPECT_FALSE(Win32ReplaceFile(source, target)); // the source is gone now
    EXPECT_FALSE(Win32ReplaceFile("", target));
}

TEST(Win32ReplaceTest, DataFilesAreReachableByTheirLinuxPath) {
    bool ok = false;
    EXPECT_FALSE(ReadBytes(DataFile("two_entries.dat"), &ok).empty());
    EXPECT_TRUE(ok);
}

// Each failure of the replace as its caller hears it, through a seam for
// ReplaceFileW and MoveFileExW. After ERROR_UNABLE_TO_MOVE_REPLACEMENT(_2)
// the old file is gone: the move completes the replace, and should it fail,
// the temporary file is the only copy (moved). Any other failure leaves the
// old file; some are served by the move.
std::uint32_t g_replaceError = 0;
std::uint32_t g_moveError = 0;
int g_moves = 0;

TEST(Win32ReplaceTest, EachFailureOfTheReplaceThroughTheSeam) {
    struct Row {
        std::uint32_t replaceError;
        std::uint32_t moveError;
        int moves;
        std::uint32_t error; // 0: replaced
        bool moved;
    };
    const Row rows[] = {
        {1176, 0, 1, 0, false}, {1176, 5, 1, 5, true}, {1177, 0, 1, 0, false},
        {1177, 5, 1, 5, true},  {2, 5, 1, 5, false},   {50, 0, 1, 0, false},
        {32, 0, 0, 32, false},
    };
    const Win32ReplaceCalls calls{
        [](const wchar_t*, const wchar_t*) { return g_replaceError; },
        [](const wchar_t*, const wchar_t*) { return ++g_moves, g_moveError; }};
    for (const Row& row : rows) {
        TempDir dir;
        ASSERT_TRUE(WriteBytes(dir.Path("Quillaberton.dat"), kOld));
        ASSERT_TRUE(WriteBytes(dir.Path("Quillaberton.dat.tmp"), "new"));
        g_replaceError = row.replaceError;
        g_moveError = row.moveError;
        g_moves = 0;
        std::uint32_t error = 0;
        bool moved = false;
        EXPECT_EQ(Win32ReplaceFile(dir.Path("Quillaberton.dat.tmp"), dir.Path("Quillaberton.dat"),
                                   &error, &moved, calls),
                  row.error == 0)
            << row.replaceError << " " << row.moveError;
        EXPECT_EQ(error, row.error) << row.replaceError << " " << row.moveError;
        EXPECT_EQ(moved, row.moved) << row.replaceError << " " << row.moveError;
        EXPECT_EQ(g_moves, row.moves) << row.replaceError << " " << row.moveError;
    }
}

} // namespace
