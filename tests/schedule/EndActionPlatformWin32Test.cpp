// The real privilege calls and power-capability query; they succeed under
// Wine. The end actions themselves are never called here.
#include "schedule/EndActionExecutor.h"
#include "platform/EndActionPlatformWin32.h"
#include "platform/SuspendResumeNotification.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstddef>
#include <string>

TEST(EndActionPlatformWin32, EnablesTheShutdownPrivilege) {
    CEndActionPlatformWin32 platform;
    CEndActionExecutor executor(platform);
    EXPECT_TRUE(executor.EnablePrivilege("SeShutdownPrivilege", true));
    EXPECT_FALSE(executor.EnablePrivilege("SeNoSuchPrivilegeName", true));
}

// A stand-in powrprof.dll lies beside this test, and Wine is set to take
// powrprof from there first, as Windows does for any DLL that is not a
// KnownDLL. The power calls must load the system's all the same.
TEST(EndActionPlatformWin32, PowrprofComesFromTheSystemFolderOnly) {
    wchar_t exe[MAX_PATH];
    const DWORD n = ::GetModuleFileNameW(nullptr, exe, MAX_PATH);
    ASSERT_TRUE(n > 0 && n < MAX_PATH);
    std::wstring marker(exe, n);
    marker = marker.substr(0, marker.find_last_of(L'\\') + 1) + L"powrprof.dll.loaded";
    ::DeleteFileW(marker.c_str());

    CEndActionPlatformWin32 platform;
    PowerCapabilities caps;
    EXPECT_TRUE(platform.GetPwrCapabilities(&caps));
    EXPECT_EQ(::GetFileAttributesW(marker.c_str()), INVALID_FILE_ATTRIBUTES);

    // The check can fail: a load by plain name takes the stand-in.
    HMODULE planted = ::LoadLibraryW(L"powrprof.dll");
    ASSERT_NE(planted, nullptr);
    ::FreeLibrary(planted);
    EXPECT_NE(::GetFileAttributesW(marker.c_str()), INVALID_FILE_ATTRIBUTES);
    ::DeleteFileW(marker.c_str());
}

// Each capability from its own byte of the record Windows fills: Modern
// Standby (AoAc) from offset 0x14, next to bytes that mean other things.
TEST(EndActionPlatformWin32, PowerCapabilitiesAreReadFromTheirOwnFields) {
    struct Row {
        std::size_t offset; // the one byte set
        PowerCapabilities want;
    };
    const Row rows[] = {
        {offsetof(SYSTEM_POWER_CAPABILITIES, SystemS1), {true, false, false, false}},
        {offsetof(SYSTEM_POWER_CAPABILITIES, SystemS2), {false, true, false, false}},
        {offsetof(SYSTEM_POWER_CAPABILITIES, SystemS3), {false, false, true, false}},
        {0x13, {}}, // WakeAlarmPresent
        {0x14, {false, false, false, true}},
        {0x15, {}}, // DiskSpinDown
        {offsetof(SYSTEM_POWER_CAPABILITIES, SystemS4), {.systemS4 = true}},
        {offsetof(SYSTEM_POWER_CAPABILITIES, HiberFilePresent), {.hiberFilePresent = true}},
    };
    for (const Row& row : rows) {
        SYSTEM_POWER_CAPABILITIES caps{};
        reinterpret_cast<unsigned char*>(&caps)[row.offset] = 1;
        const PowerCapabilities got = PowerCapabilitiesOf(caps);
        EXPECT_EQ(got.systemS1, row.want.systemS1) << row.offset;
        EXPECT_EQ(got.systemS2, row.want.systemS2) << row.offset;
        EXPECT_EQ(got.systemS3, row.want.systemS3) << row.offset;
        EXPECT_EQ(got.aoAc, row.want.aoAc) << row.offset;
        EXPECT_EQ(got.systemS4, row.want.systemS4) << row.offset;
        EXPECT_EQ(got.hiberFilePresent, row.want.hiberFilePresent) << row.offset;
    }
}

// Wine's user32 has RegisterSuspendResumeNotification, as Windows 8 and
// later have: the registration finds it and gets a handle.
TEST(SuspendResumeNotification, RegistersUnderWine) {
    const HWND wnd = ::CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                       nullptr, nullptr);
    ASSERT_NE(wnd, nullptr);
    EXPECT_TRUE(CSuspendResumeNotification(wnd).IsRegistered());
    ::DestroyWindow(wnd);
}
