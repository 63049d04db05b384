// The real one-step replace (ReplaceFileW) under Wine: the replaced file keeps
// what the user set on it; a target that can be neither replaced nor written
// keeps its bytes, the save reports Windows' own reason, and no temporary
// file stays behind.

#include "framework/Win32FileReplace.h"
#include "settings/SettingsFile.h"

#include "FileBytes.h"
#include "TempDir.h"

#include <gtest/gtest.h>

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
        if (inPlace) { // a folder where the temporary file would go
            std::filesystem::create_directories(path + ".tmp/x");
        }
        const std::wstring wide = std::filesystem::path(path).wstring();
        ASSERT_TRUE(::SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_HIDDEN));
        EXPECT_TRUE(SaveSettings(OneEntry(), 0, path).saved) << inPlace;
        const DWORD attributes = ::GetFileAttributesW(wide.c_str());
        ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES);
        EXPECT_TRUE(attributes & FILE_ATTRIBUTE_HIDDEN) << inPlace;
        EXPECT_NE(ReadBytes(path), kOld);
        EXPECT_EQ(dir.Names().size(), inPlace ? 2u : 1u);
    }
}

TEST(Win32ReplaceTest, TargetOpenWithoutSharingStays) {
    TempDir dir;
    const std::string path = dir.Path("Quillaberton.dat");
    ASSERT_TRUE(WriteBytes(path, kOld));
    const int fd = _sopen(path.c_str(), _O_RDONLY | _O_BINARY, _SH_DENYRW);
    ASSERT_GE(fd, 0);
    const SaveStatus status = SaveSettings(OneEntry(), 0, path);
    EXPECT_FALSE(status.saved);
    EXPECT_EQ(status.error, 32u); // ERROR_SHARING_VIOLATION
    // Without sharing, the settings are not read from a file held open either.
    ScheduleList list;
    std::int32_t tray = 1;
    LoadSettings(list, tray, path);
    EXPECT_EQ(list.GetCount(), 0);
    _close(fd);
    EXPECT_EQ(ReadBytes(path), kOld);
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

} // namespace
