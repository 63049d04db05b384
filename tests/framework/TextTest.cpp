#include "framework/Handle.h"
#include "framework/Text.h"
#include "framework/WinApp.h"

#include <gtest/gtest.h>

namespace {

// CP932 bytes of a few texts of the program.
const std::string kCancelHalfWidth = "\xB7\xAC\xDD\xBE\xD9";         // ｷｬﾝｾﾙ
const std::string kZone = "\x83\x5D\x81\x5B\x83\x93";                // ゾーン
const std::string kTimeSetting = "\x8E\x9E\x8D\x8F\x90\xDD\x92\xE8"; // 時刻設定
const std::string kSoftBackslash = "\x83\x5C";                       // ソ (second byte 0x5C)

TEST(Cp932Text, JapaneseRoundTripsThroughUtf16) {
    EXPECT_EQ(Cp932ToWide(kCancelHalfWidth), L"\uFF77\uFF6C\uFF9D\uFF7E\uFF99");
    EXPECT_EQ(Cp932ToWide(kZone), L"\u30BE\u30FC\u30F3");
    EXPECT_EQ(Cp932ToWide(kTimeSetting), L"\u6642\u523B\u8A2D\u5B9A");
    for (const std::string& s : {kCancelHalfWidth, kZone, kTimeSetting, kSoftBackslash,
                                 std::string("Quillaberton 1.0"), std::string()}) {
        EXPECT_EQ(WideToCp932(Cp932ToWide(s)), s);
        const auto exact = WideToCp932Exact(Cp932ToWide(s));
        ASSERT_TRUE(exact.has_value());
        EXPECT_EQ(*exact, s);
    }
}

TEST(Cp932Text, CharactersOutsideCp932AreDetected) {
    // An emoji, a character outside the BMP that CP932 lacks (𠮷), and a
    // Latin letter that best-fit mapping would turn into 'a'.
    for (const std::wstring& w :
         {std::wstring(L"\U0001F600"), std::wstring(L"\U00020BB7\u91CE\u5BB6"),
          std::wstring(L"\u00E0"), std::wstring(L"abc\u00E9")}) {
        EXPECT_FALSE(WideToCp932Exact(w).has_value()) << w.size();
        const std::string lossy = WideToCp932(w);
        EXPECT_NE(lossy.find('?'), std::string::npos);
    }
    // The representable rest of a lossy text survives; the emoji's two
    // UTF-16 units become "??".
    EXPECT_EQ(WideToCp932(L"\u30BE\u30FC\u30F3\U0001F600"), kZone + "??");
    EXPECT_EQ(WideToCp932(L"a\u00E0"), "a?");
}

TEST(Cp932Text, EmbeddedNulKeepsLength) {
    const std::string withNul("a\0b", 3);
    EXPECT_EQ(Cp932ToWide(withNul).size(), 3u);
    EXPECT_EQ(WideToCp932(Cp932ToWide(withNul)), withNul);
}

TEST(Cp932Text, PrefixCountsCharactersAndNeverCutsOneInTwo) {
    const std::string zone = "\x83\x5D\x81\x5B\x83\x93"; // ゾーン
    EXPECT_EQ(Cp932Prefix(zone, 2), zone.substr(0, 4));
    EXPECT_EQ(Cp932Prefix("ab" + zone, 3), "ab" + zone.substr(0, 2));
    EXPECT_EQ(Cp932Prefix(zone, 99), zone);
    EXPECT_EQ(Cp932Prefix("a\x83", 2), "a\x83");   // a lead byte at the end stands alone
    EXPECT_EQ(Cp932Prefix("\xA0\xDF", 1), "\xA0"); // half-width katakana are one byte
}

TEST(ExeName, DerivedFromModulePath) {
    EXPECT_EQ(CWinApp::ExeNameFromModulePath(L"D:\\Apps\\Clock.exe"), L"Clock");
    EXPECT_EQ(CWinApp::ExeNameFromModulePath(L"C:/tools/Quillaberton.exe"), L"Quillaberton");
    EXPECT_EQ(CWinApp::ExeNameFromModulePath(L"C:Quill.EXE"), L"Quill");
    // Only the last dot is cut.
    EXPECT_EQ(CWinApp::ExeNameFromModulePath(L"C:\\x\\my.app.exe"), L"my.app");
    // A path without a dot is kept whole, then cut at the separator.
    EXPECT_EQ(CWinApp::ExeNameFromModulePath(L"C:\\bin\\prog"), L"prog");
    // The cut happens on the whole path: a dot in a folder name wins when
    // the file has none.
    EXPECT_EQ(CWinApp::ExeNameFromModulePath(L"C:\\my.dir\\prog"), L"my");
    EXPECT_EQ(CWinApp::ExeNameFromModulePath(L"\u6642\u8A08.exe"), L"\u6642\u8A08");
}

int g_closed = 0; // counts closes of the fake handles below

struct CountingTraits {
    using type = int;
    static constexpr int invalid() noexcept { return 0; }
    static void close(int) noexcept { ++g_closed; }
};

TEST(UniqueAny, ClosesExactlyOnceAndMovesOwnership) {
    g_closed = 0;
    {
        unique_any_t<CountingTraits> a(5);
        unique_any_t<CountingTraits> b(std::move(a));
        EXPECT_FALSE(a.is_valid());
        EXPECT_EQ(b.get(), 5);
        unique_any_t<CountingTraits> c(7);
        c = std::move(b); // closes 7
        EXPECT_EQ(g_closed, 1);
        EXPECT_EQ(c.get(), 5);
        unique_any_t<CountingTraits> d(9);
        EXPECT_EQ(d.release(), 9);
        EXPECT_EQ(g_closed, 1);
    }
    EXPECT_EQ(g_closed, 2); // 5 closed by c; 9 was released

    // A real kernel handle.
    unique_handle event(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    ASSERT_TRUE(event);
    HANDLE raw = event.get();
    event.reset();
    EXPECT_FALSE(event);
    DWORD flags = 0;
    EXPECT_FALSE(::GetHandleInformation(raw, &flags));
}

} // namespace
