// The warning dialog, run by the test host the way the check cycle runs it
// (no parent), and worked from outside as a user would.
#include "tests/e2e/HostSession.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

namespace qb::e2e {
namespace {

constexpr int kEndModeId = 1034;
constexpr int kCountdownId = 1041;
constexpr const wchar_t* kNoticeCaption = L"";

// Centre of a rectangle, and how far apart two centres are at most.
POINT Centre(const RECT& r) {
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}
long Distance(POINT a, POINT b) {
    return std::max(std::labs(a.x - b.x), std::labs(a.y - b.y));
}

// Mean brightness (0 black .. 1 white) of this test's screenshot `name`,
// as written next to it by the screenshot script; -1 when there is none.
double ScreenshotBrightness(const std::wstring& name) {
    const wchar_t* shots = ::_wgetenv(L"QB_E2E_SHOTS");
    const testing::TestInfo* info = testing::UnitTest::GetInstance()->current_test_info();
    if (shots == nullptr || info == nullptr) {
        return -1;
    }
    const std::string test = std::string(info->test_suite_name()) + "." + info->name();
    const std::wstring unixPath =
        std::wstring(shots) + L"/" + std::wstring(test.begin(), test.end()) + L"-" + name + L".txt";
    std::ifstream in(std::filesystem::path(Driver::FromUnixPath(unixPath)));
    std::string line;
    if (!std::getline(in, line) || line.rfind("mean=", 0) != 0) {
        return -1;
    }
    return std::stod(line.substr(5));
}

struct Notice {
    explicit Notice(const std::wstring& args) : host(L"notice " + args) {
        if (host.Started()) {
            dialog = host.WaitForDialog(kNoticeCaption);
        }
    }
    HostSession host;
    HWND dialog = nullptr;
};

// Every result ends the host; its exit code and its report must agree.
void ExpectResult(const HostSession& host, DWORD expected) {
    const std::optional<DWORD> code = host.WaitForExit();
    ASSERT_TRUE(code.has_value()) << "the host did not end";
    EXPECT_EQ(*code, expected);
    EXPECT_EQ(host.Result()["result"], static_cast<long>(expected));
}

TEST(EndNotice, ShowsEachEndModeByItsExactName) {
    const wchar_t* const names[] = {L"シャットダウン", L"再起動", L"スタンバイ", L"ログオフ"};
    for (int mode = 0; mode < 4; ++mode) {
        SCOPED_TRACE(mode);
        Notice notice(std::to_wstring(mode));
        ASSERT_NE(notice.dialog, nullptr);
        const HWND text = Driver::Control(notice.dialog, kEndModeId);
        EXPECT_EQ(Driver::WindowText(text), names[mode]);
        EXPECT_EQ(Driver::ReadText(text), names[mode]);
        Driver::Click(Driver::Control(notice.dialog, IDCANCEL));
        ExpectResult(notice.host, IDCANCEL);
    }
}

TEST(EndNotice, UnknownEndModesShowAnEmptyTextAndStillTimeOutWithOk) {
    for (const wchar_t* mode : {L"6", L"-1", L"2147483647"}) {
        SCOPED_TRACE(mode);
        Notice notice(mode);
        ASSERT_NE(notice.dialog, nullptr);
        EXPECT_EQ(Driver::WindowText(Driver::Control(notice.dialog, kEndModeId)), L"");
        // The time-out's own timer message: the dialog works as usual.
        ::PostMessageW(notice.dialog, WM_TIMER, 3, 0);
        ExpectResult(notice.host, IDOK);
    }
}

TEST(EndNotice, ShowsItsTextsInJapaneseAsAThinBorderedTopmostPopup) {
    Notice notice(L"0 --owner=hidden");
    ASSERT_NE(notice.dialog, nullptr);

    const std::vector<ControlInfo> controls = Driver::Controls(notice.dialog);
    ASSERT_EQ(controls.size(), 6u);
    EXPECT_EQ(controls[0].id, IDCANCEL);
    EXPECT_EQ(Driver::WindowText(controls[0].hwnd), L"ｷｬﾝｾﾙ");
    EXPECT_EQ(controls[1].id, -1);
    EXPECT_EQ(Driver::WindowText(controls[1].hwnd), L"終了モード ：");
    EXPECT_EQ(controls[2].id, -1);
    EXPECT_EQ(Driver::WindowText(controls[2].hwnd), L"まもなく以下を実行します");
    EXPECT_EQ(controls[3].id, kEndModeId);
    EXPECT_EQ(Driver::WindowText(controls[3].hwnd), L"シャットダウン");
    EXPECT_EQ(controls[4].id, kCountdownId);
    EXPECT_EQ(Driver::WindowText(controls[4].hwnd).rfind(L"あと ", 0), 0u);
    EXPECT_EQ(controls[5].id, 1042);
    EXPECT_EQ(Driver::WindowText(controls[5].hwnd), L"延期");
    for (const ControlInfo& c : controls) {
        EXPECT_TRUE(c.visible) << c.id;
    }

    EXPECT_EQ(Driver::WindowText(notice.dialog), L"");
    const DWORD style = Driver::Style(notice.dialog);
    EXPECT_TRUE(style & WS_POPUP);
    EXPECT_TRUE(style & WS_BORDER);
    EXPECT_FALSE((style & WS_CAPTION) == WS_CAPTION);
    EXPECT_FALSE(style & WS_SYSMENU);
    EXPECT_TRUE(Driver::ExStyle(notice.dialog) & WS_EX_TOPMOST);
    // The focus starts on the first button.
    EXPECT_EQ(Driver::FocusOf(notice.dialog), Driver::Control(notice.dialog, IDCANCEL));

    notice.host.driver().WaitForIdle();
    EXPECT_TRUE(notice.host.driver().Screenshot(L"notice", notice.dialog));
    Driver::PressKey(notice.dialog, VK_ESCAPE);
    ExpectResult(notice.host, IDCANCEL);
}

TEST(EndNotice, CancelButtonAndEscapeEndItWithCancelAtOnce) {
    {
        Notice notice(L"1");
        ASSERT_NE(notice.dialog, nullptr);
        Driver::Click(Driver::Control(notice.dialog, IDCANCEL));
        ExpectResult(notice.host, IDCANCEL);
        EXPECT_LT(notice.host.Result()["elapsed_ms"], 10000);
    }
    {
        Notice notice(L"3");
        ASSERT_NE(notice.dialog, nullptr);
        Driver::PressKey(notice.dialog, VK_ESCAPE);
        ExpectResult(notice.host, IDCANCEL);
        EXPECT_LT(notice.host.Result()["elapsed_ms"], 10000);
    }
}

TEST(EndNotice, EnterOkCommandsAndOtherTimersLeaveItOpen) {
    Notice notice(L"2");
    ASSERT_NE(notice.dialog, nullptr);
    Driver::PressKey(notice.dialog, VK_RETURN);
    Driver::PostCommand(notice.dialog, IDOK);
    for (WPARAM id : {1, 2, 4}) {
        ::PostMessageW(notice.dialog, WM_TIMER, id, 0);
    }
    notice.host.driver().WaitForIdle();
    std::this_thread::sleep_for(300ms);
    EXPECT_TRUE(Driver::IsVisible(notice.dialog));
    EXPECT_TRUE(notice.host.driver().IsRunning());
    EXPECT_TRUE(notice.host.Result().empty());

    Driver::PressKey(notice.dialog, VK_ESCAPE);
    ExpectResult(notice.host, IDCANCEL);
}

TEST(EndNotice, DisablesItsOwnerWhileOpenAndCentresOverIt) {
    Notice notice(L"0 --owner=visible --linger");
    ASSERT_NE(notice.dialog, nullptr);
    const HWND main = notice.host.MainWindow();
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(Driver::Owner(notice.dialog), main);
    EXPECT_FALSE(Driver::IsEnabled(main));
    EXPECT_LE(Distance(Centre(Driver::Rect(notice.dialog)), Centre(Driver::Rect(main))), 2);
    notice.host.driver().WaitForIdle();
    notice.host.driver().Screenshot(L"over-owner");

    Driver::Click(Driver::Control(notice.dialog, IDCANCEL));
    ASSERT_TRUE(Driver::WaitForWindowGone(notice.dialog));
    ASSERT_TRUE(Driver::WaitUntil([&] { return !notice.host.Result().empty(); }));
    EXPECT_EQ(notice.host.Result()["owner_enabled"], 1);
    EXPECT_TRUE(Driver::IsEnabled(main));
    Driver::PostClose(main);
    ExpectResult(notice.host, IDCANCEL);
}

// The warning must be seen: drawn, not a black box, when it opens over a
// visible window (the picture of the light grey dialog is mostly bright).
TEST(EndNotice, IsDrawnOverAVisibleOwner) {
    Notice notice(L"0 --owner=visible");
    ASSERT_NE(notice.dialog, nullptr);
    notice.host.driver().WaitForIdle();
    ASSERT_TRUE(notice.host.driver().Screenshot(L"dialog-over-owner", notice.dialog));
    EXPECT_GT(ScreenshotBrightness(L"dialog-over-owner"), 0.6);

    Driver::PressKey(notice.dialog, VK_ESCAPE);
    ExpectResult(notice.host, IDCANCEL);
}

TEST(EndNotice, WithTheOwnerHiddenItIsCentredOnTheWorkAreaInFront) {
    Notice notice(L"3 --owner=hidden");
    ASSERT_NE(notice.dialog, nullptr);
    const HWND main = notice.host.MainWindow();
    ASSERT_NE(main, nullptr);
    EXPECT_FALSE(Driver::IsVisible(main));
    EXPECT_EQ(Driver::Owner(notice.dialog), main);
    EXPECT_FALSE(Driver::IsEnabled(main));
    EXPECT_LE(Distance(Centre(Driver::Rect(notice.dialog)), Centre(Driver::WorkArea())), 2);
    EXPECT_TRUE(Driver::ExStyle(notice.dialog) & WS_EX_TOPMOST);
    // DS_SETFOREGROUND: brought to the front as it opens.
    EXPECT_TRUE(Driver::WaitUntil([&] { return Driver::Foreground() == notice.dialog; }, 3s));

    Driver::PressKey(notice.dialog, VK_ESCAPE);
    ExpectResult(notice.host, IDCANCEL);
}

TEST(EndNotice, RunsWithoutAnyMainWindow) {
    Notice notice(L"1 --owner=none");
    ASSERT_NE(notice.dialog, nullptr);
    EXPECT_EQ(Driver::Owner(notice.dialog), nullptr);
    EXPECT_LE(Distance(Centre(Driver::Rect(notice.dialog)), Centre(Driver::WorkArea())), 2);
    EXPECT_EQ(Driver::WindowText(Driver::Control(notice.dialog, kEndModeId)), L"再起動");
    Driver::Click(Driver::Control(notice.dialog, IDCANCEL));
    ExpectResult(notice.host, IDCANCEL);
}

// The one slow test: the real 15-second time-out, with a second warning
// cancelled just before its own time-out ends, both running at once.
TEST(EndNoticeTimeout, ClosesWithOkAfter15SecondsUnlessCancelled) {
    using Clock = std::chrono::steady_clock;
    // The one to cancel starts first, so that it is cancelled well before
    // the other one runs out.
    Notice cancelled(L"2 --owner=none");
    ASSERT_NE(cancelled.dialog, nullptr);
    const Clock::time_point cancelledShown = Clock::now();
    Notice waited(L"0 --owner=hidden --linger");
    ASSERT_NE(waited.dialog, nullptr);
    const Clock::time_point waitedShown = Clock::now();
    const HWND main = waited.host.MainWindow();

    // Enter and IDOK neither end the countdown nor restart it.
    Driver::PressKey(waited.dialog, VK_RETURN);
    Driver::PostCommand(waited.dialog, IDOK);

    // Cancelled three seconds before it would have run out: IDCANCEL, and no
    // IDOK follows.
    std::this_thread::sleep_until(cancelledShown + 12s);
    ASSERT_TRUE(Driver::IsVisible(cancelled.dialog));
    Driver::PressKey(cancelled.dialog, VK_ESCAPE);
    ExpectResult(cancelled.host, IDCANCEL);
    EXPECT_GE(cancelled.host.Result()["elapsed_ms"], 11000);

    ASSERT_TRUE(Driver::IsVisible(waited.dialog)) << "closed before 15 s";
    EXPECT_FALSE(Driver::IsEnabled(main));
    ASSERT_TRUE(Driver::WaitForWindowGone(waited.dialog, 10s));
    const auto seen = std::chrono::duration_cast<Millis>(Clock::now() - waitedShown);
    // About 15 s from the start of the countdown; the margins only absorb a
    // slow machine, they are not a performance limit.
    EXPECT_GE(seen.count(), 14000);
    EXPECT_LE(seen.count(), 18000);
    ASSERT_TRUE(Driver::WaitUntil([&] { return !waited.host.Result().empty(); }));
    const auto result = waited.host.Result();
    EXPECT_EQ(result.at("result"), IDOK);
    EXPECT_GE(result.at("elapsed_ms"), 14900);
    EXPECT_LE(result.at("elapsed_ms"), 18000);
    EXPECT_EQ(result.at("owner_enabled"), 1);
    Driver::PostClose(main);
    ExpectResult(waited.host, IDOK);
}

} // namespace
} // namespace qb::e2e
