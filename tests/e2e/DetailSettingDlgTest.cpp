// The detail-settings dialog: the start-in-tray check box, OK and Cancel.
#include "tests/e2e/HostSession.h"

#include <gtest/gtest.h>

namespace qb::e2e {
namespace {

constexpr int kTaskTrayId = 1036;
constexpr const wchar_t* kCaption = L"詳細設定";

struct Detail {
    explicit Detail(int flag, const std::wstring& more = {})
        : host(L"detail " + std::to_wstring(flag) + (more.empty() ? L"" : L" " + more)) {
        if (host.Started()) {
            dialog = host.WaitForDialog(kCaption);
            box = Driver::Control(dialog, kTaskTrayId);
        }
    }
    // Ends the dialog and returns the host's report: result and flag.
    std::map<std::string, long> Finish(DWORD expectedResult) {
        const std::optional<DWORD> code = host.WaitForExit();
        EXPECT_EQ(code, std::optional<DWORD>(expectedResult));
        auto result = host.Result();
        EXPECT_EQ(result["result"], static_cast<long>(expectedResult));
        return result;
    }
    HostSession host;
    HWND dialog = nullptr;
    HWND box = nullptr;
};

TEST(DetailSetting, ShowsItsCaptionAndTextsInJapanese) {
    Detail detail(0);
    ASSERT_NE(detail.dialog, nullptr);
    EXPECT_EQ(Driver::WindowText(detail.dialog), L"詳細設定");
    EXPECT_EQ(Driver::WindowText(Driver::Control(detail.dialog, IDOK)), L"OK");
    EXPECT_EQ(Driver::WindowText(Driver::Control(detail.dialog, IDCANCEL)), L"ｷｬﾝｾﾙ");
    EXPECT_EQ(Driver::WindowText(detail.box), L"起動時、タスクトレイに格納する");
    detail.host.driver().WaitForIdle();
    EXPECT_TRUE(detail.host.driver().Screenshot(L"detail", detail.dialog));
    Driver::Click(Driver::Control(detail.dialog, IDCANCEL));
    detail.Finish(IDCANCEL);
}

TEST(DetailSetting, BoxShowsTheFlagAndCancelKeepsItWhateverWasClicked) {
    struct Case {
        int flag;
        bool checked;
        bool click;
        bool escape;
    };
    // Any non-zero flag shows as ticked; the caller's value comes back as it was.
    for (const Case c :
         {Case{0, false, true, false}, Case{1, true, true, true}, Case{5, true, true, false},
          Case{-1, true, false, true}, Case{0, false, false, true}}) {
        SCOPED_TRACE(c.flag);
        Detail detail(c.flag);
        ASSERT_NE(detail.dialog, nullptr);
        EXPECT_EQ(Driver::IsChecked(detail.box), c.checked);
        if (c.click) {
            Driver::Click(detail.box);
            EXPECT_TRUE(
                Driver::WaitUntil([&] { return Driver::IsChecked(detail.box) != c.checked; }));
        }
        if (c.escape) {
            Driver::PressKey(detail.dialog, VK_ESCAPE);
        } else {
            Driver::Click(Driver::Control(detail.dialog, IDCANCEL));
        }
        EXPECT_EQ(detail.Finish(IDCANCEL)["flag"], c.flag);
    }
}

TEST(DetailSetting, OkGivesTheBoxStateAsZeroOrOne) {
    struct Case {
        int flag;
        bool click;
        bool enter;
        long expected;
    };
    for (const Case c :
         {Case{0, true, false, 1}, Case{1, true, false, 0}, Case{5, false, false, 1},
          Case{5, true, true, 0}, Case{-1, false, true, 1}, Case{0, false, true, 0}}) {
        SCOPED_TRACE(c.flag);
        Detail detail(c.flag);
        ASSERT_NE(detail.dialog, nullptr);
        if (c.click) {
            const bool before = Driver::IsChecked(detail.box);
            Driver::Click(detail.box);
            EXPECT_TRUE(Driver::WaitUntil([&] { return Driver::IsChecked(detail.box) != before; }));
        }
        if (c.enter) {
            Driver::PressKey(detail.dialog, VK_RETURN);
        } else {
            Driver::Click(Driver::Control(detail.dialog, IDOK));
        }
        EXPECT_EQ(detail.Finish(IDOK)["flag"], c.expected);
    }
}

TEST(DetailSetting, CloseBoxCancels) {
    Detail detail(1);
    ASSERT_NE(detail.dialog, nullptr);
    Driver::Click(detail.box);
    ::PostMessageW(detail.dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(detail.Finish(IDCANCEL)["flag"], 1);
}

TEST(DetailSetting, DisablesItsOwnerWhileOpen) {
    Detail detail(0, L"--owner=visible --linger");
    ASSERT_NE(detail.dialog, nullptr);
    const HWND main = detail.host.MainWindow();
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(Driver::Owner(detail.dialog), main);
    EXPECT_FALSE(Driver::IsEnabled(main));
    Driver::Click(Driver::Control(detail.dialog, IDOK));
    ASSERT_TRUE(Driver::WaitForWindowGone(detail.dialog));
    ASSERT_TRUE(Driver::WaitUntil([&] { return !detail.host.Result().empty(); }));
    EXPECT_TRUE(Driver::IsEnabled(main));
    Driver::PostClose(main);
    EXPECT_EQ(detail.Finish(IDOK)["owner_enabled"], 1);
}

} // namespace
} // namespace qb::e2e
