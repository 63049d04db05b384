// The About box: opens over the main window and closes with OK or Esc.
#include "tests/e2e/HostSession.h"

#include <gtest/gtest.h>

namespace qb::e2e {
namespace {

constexpr const wchar_t* kCaption = L"ﾊﾞｰｼﾞｮﾝ情報";

void ExpectExit(const HostSession& host, DWORD expected) {
    EXPECT_EQ(host.WaitForExit(), std::optional<DWORD>(expected));
    EXPECT_EQ(host.Result()["result"], static_cast<long>(expected));
}

TEST(About, OpensOverItsDisabledOwnerAndClosesWithOk) {
    HostSession host(L"about --owner=visible --linger");
    const HWND dialog = host.WaitForDialog(kCaption);
    ASSERT_NE(dialog, nullptr);
    const HWND main = host.MainWindow();
    EXPECT_EQ(Driver::Owner(dialog), main);
    EXPECT_FALSE(Driver::IsEnabled(main));
    EXPECT_EQ(Driver::WindowText(Driver::Control(dialog, IDOK)), L"OK");
    host.driver().WaitForIdle();
    EXPECT_TRUE(host.driver().Screenshot(L"about", dialog));

    Driver::Click(Driver::Control(dialog, IDOK));
    ASSERT_TRUE(Driver::WaitForWindowGone(dialog));
    ASSERT_TRUE(Driver::WaitUntil([&] { return !host.Result().empty(); }));
    EXPECT_TRUE(Driver::IsEnabled(main));
    Driver::PostClose(main);
    ExpectExit(host, IDOK);
}

TEST(About, EnterClosesWithOkEscapeAndCloseBoxWithCancel) {
    {
        HostSession host(L"about");
        const HWND dialog = host.WaitForDialog(kCaption);
        ASSERT_NE(dialog, nullptr);
        Driver::PressKey(dialog, VK_RETURN);
        ExpectExit(host, IDOK);
    }
    {
        HostSession host(L"about");
        const HWND dialog = host.WaitForDialog(kCaption);
        ASSERT_NE(dialog, nullptr);
        Driver::PressKey(dialog, VK_ESCAPE);
        ExpectExit(host, IDCANCEL);
    }
    {
        HostSession host(L"about --owner=hidden");
        const HWND dialog = host.WaitForDialog(kCaption);
        ASSERT_NE(dialog, nullptr);
        ::PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
        ExpectExit(host, IDCANCEL);
    }
}

} // namespace
} // namespace qb::e2e
