// The main window while the tray icon cannot be added: shown, minimised,
// until a retry puts the icon in place, then hidden; restored by the user
// meanwhile, left as the user left it. The retries' span, the tray menu's
// items, and the icon after an end action Windows refused.
#include "platform/EndActionPlatformWin32.h"
#include "tests/schedule/FakeClock.h"
#include "ui/EndActionHost.h"
#include "ui/QuillabertonDlg.h"
#include "ui/TrayMenu.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace {

// The one-copy rule's side of the window, unused here.
class NoInstance final : public IInstanceMark {
public:
    UINT ShowMessage() const override { return 0; }
    void Mark(HWND) override {}
    void Unmark(HWND) override {}
};

// Runs a check once the modal loop is going.
class HookedMain : public CQuillabertonDlg {
public:
    explicit HookedMain(CTrayIcon::Notify notify)
        : CQuillabertonDlg(m_instance, std::move(notify)) {}
    std::function<void(HookedMain&)> onRun;
    static constexpr UINT kRunMessage = WM_APP + 7;

    static const MessageMap* GetThisMessageMap() {
        static constexpr MessageMapEntry entries[] = {
            OnMessage<kRunMessage, &HookedMain::OnRunMessage>(),
        };
        static constexpr MessageMap map{&CQuillabertonDlg::GetThisMessageMap, entries};
        return &map;
    }
    const MessageMap* GetMessageMap() const override { return GetThisMessageMap(); }

protected:
    BOOL OnInitDialog() override {
        const BOOL result = CQuillabertonDlg::OnInitDialog();
        PostMessage(kRunMessage);
        return result;
    }

private:
    LRESULT OnRunMessage(WPARAM, LPARAM) {
        onRun(*this);
        EndDialog(IDCANCEL);
        return 0;
    }
    NoInstance m_instance;
};

// A start in the tray, in a folder of its own.
void StartInTray() {
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / "qb-tray-test";
    std::filesystem::create_directories(dir);
    std::filesystem::current_path(dir);
    FILE* f = std::fopen("Quillaberton.dat", "wb");
    ASSERT_NE(f, nullptr);
    std::fputs("[COM]\r\nsize=0\r\ntasktray=1\r\n", f);
    std::fclose(f);
}

TEST(TrayIcon, ShownMinimisedWhileTheIconFailsHiddenOnceARetryPlacesIt) {
    StartInTray();
    int adds = 0;
    int deletes = 0;
    bool there = false;    // the shell holds the icon
    bool timesOut = false; // the next add is carried out but reported failed
    HookedMain dlg([&](DWORD message, NOTIFYICONDATAW*) -> BOOL {
        adds += message == NIM_ADD;
        deletes += message == NIM_DELETE;
        if (message == NIM_ADD && !there && (adds > 2 || timesOut)) {
            there = true; // fails twice, then succeeds
            return !std::exchange(timesOut, false);
        }
        return message == NIM_DELETE ? std::exchange(there, false) : message == NIM_MODIFY && there;
    });
    bool ran = false;
    dlg.onRun = [&](HookedMain& d) {
        ran = true;
        EXPECT_EQ(adds, 1);
        EXPECT_TRUE(d.IsWindowVisible());
        EXPECT_TRUE(d.IsIconic());
        d.SendMessage(WM_TIMER, CTrayIcon::kRetryTimer);
        EXPECT_EQ(adds, 2);
        EXPECT_TRUE(d.IsWindowVisible());
        d.SendMessage(WM_TIMER, CTrayIcon::kRetryTimer);
        EXPECT_EQ(adds, 3);
        EXPECT_FALSE(d.IsWindowVisible());
        d.SendMessage(WM_TIMER, CTrayIcon::kRetryTimer); // in place: no more tries
        // Explorer restarted: the icon goes back.
        there = false;
        d.SendMessage(::RegisterWindowMessageW(L"TaskbarCreated"));
        EXPECT_EQ(adds, 4);
        EXPECT_FALSE(d.IsWindowVisible());
        // An add that times out in a busy shell but places the icon.
        there = false;
        timesOut = true;
        d.SendMessage(::RegisterWindowMessageW(L"TaskbarCreated"));
        EXPECT_FALSE(d.IsWindowVisible());
    };
    dlg.DoModal();
    EXPECT_TRUE(ran);
    EXPECT_EQ(deletes, 1); // the window's end removes the icon
}

// While the icon is tried, the user restores the window from the taskbar: no
// retry minimises it again, and none hides it. The retries stop at once, and
// without the user they give up after about two minutes.
TEST(TrayIcon, AWindowRestoredDuringTheRetriesStaysAndTheRetriesSpanTwoMinutes) {
    StartInTray();
    int adds = 0;
    bool succeed = false;
    HookedMain dlg([&](DWORD message, NOTIFYICONDATAW*) -> BOOL {
        adds += message == NIM_ADD;
        return message == NIM_DELETE || succeed;
    });
    dlg.onRun = [&](HookedMain& d) {
        ASSERT_TRUE(d.IsIconic());
        d.ShowWindow(SW_RESTORE);
        d.SendMessage(WM_TIMER, CTrayIcon::kRetryTimer); // fails again
        EXPECT_TRUE(d.IsWindowVisible());
        EXPECT_FALSE(d.IsIconic());
        succeed = true;
        const int tried = adds;
        d.SendMessage(WM_TIMER, CTrayIcon::kRetryTimer);
        EXPECT_EQ(adds, tried); // back from the tray: no icon wanted
        EXPECT_TRUE(d.IsWindowVisible());
        EXPECT_FALSE(d.IsIconic());
    };
    dlg.DoModal();

    // Left alone, a failing icon is tried kRetries times more, 2 s apart.
    StartInTray();
    adds = 0;
    succeed = false;
    HookedMain alone([&](DWORD message, NOTIFYICONDATAW*) -> BOOL {
        adds += message == NIM_ADD;
        return message == NIM_DELETE;
    });
    alone.onRun = [&](HookedMain& d) {
        for (int i = 0; i < 100; ++i) {
            d.SendMessage(WM_TIMER, CTrayIcon::kRetryTimer);
        }
        EXPECT_TRUE(d.IsIconic());
    };
    alone.DoModal();
    const int spanMs = (adds - 1) * static_cast<int>(CTrayIcon::kRetryInterval);
    EXPECT_GE(spanMs, 110000);
    EXPECT_LE(spanMs, 130000);
}

// Ends the tray menu from inside its modal loop, noting where it opened.
POINT g_menu{};
void CALLBACK EndTrayMenu(HWND, UINT, UINT_PTR, DWORD) {
    RECT r{};
    if (::GetWindowRect(::FindWindowW(L"#32768", nullptr), &r) && ::EndMenu()) {
        g_menu = {r.left, r.top};
    }
}

// Version 4 after every add: a click, Enter or Space and a double-click bring
// the window back; only WM_CONTEXTMENU opens the menu, at its point. A change
// of scale modifies the icon in place at the new small-icon size.
TEST(TrayIcon, Version4EventsAndTheIconFollowingTheScale) {
    StartInTray();
    std::vector<DWORD> calls;
    std::vector<LONG> widths; // of the icons set by a modify
    HookedMain dlg([&](DWORD message, NOTIFYICONDATAW* nid) -> BOOL {
        calls.push_back(message);
        EXPECT_EQ(nid->cbSize, sizeof(NOTIFYICONDATAW));
        EXPECT_EQ(message == NIM_SETVERSION ? nid->uVersion : 4u, 4u);
        ICONINFO info{};
        BITMAP bm{};
        if (message == NIM_MODIFY && (nid->uFlags & NIF_ICON) && ::GetIconInfo(nid->hIcon, &info)) {
            ::GetObjectW(info.hbmMask, sizeof bm, &bm);
            widths.push_back(bm.bmWidth);
            ::DeleteObject(info.hbmMask);
            ::DeleteObject(info.hbmColor);
        }
        return TRUE;
    });
    dlg.onRun = [&](HookedMain& d) {
        for (UINT event : {NIN_SELECT, WM_LBUTTONUP, WM_RBUTTONUP, WM_CONTEXTMENU, NIN_KEYSELECT,
                           WM_LBUTTONDBLCLK}) {
            d.SendMessage(WM_CLOSE); // to the tray; after a show, added again
            g_menu = {};
            const UINT_PTR timer = ::SetTimer(nullptr, 0, 50, EndTrayMenu);
            d.SendMessage(CTrayPresence::kTrayMessage, MAKEWPARAM(130, 90), MAKELPARAM(event, 0));
            ::KillTimer(nullptr, timer);
            const bool menu = event == WM_CONTEXTMENU;
            EXPECT_EQ(std::pair(g_menu.x, g_menu.y), std::pair(menu ? 130L : 0L, menu ? 90L : 0L));
            EXPECT_EQ(d.IsWindowVisible() != FALSE,
                      event >= NIN_SELECT || event == WM_LBUTTONDBLCLK);
        }
        d.SendMessage(WM_CLOSE);
        EXPECT_EQ(std::count(calls.begin(), calls.end(), NIM_SETVERSION), // one per add
                  std::count(calls.begin(), calls.end(), NIM_ADD));
        calls.clear();
        RECT at;
        d.GetWindowRect(&at);
        d.SendMessage(WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&at));
        d.SendMessage(WM_DPICHANGED, MAKEWPARAM(192, 192), reinterpret_cast<LPARAM>(&at));
        d.SendMessage(WM_SETTINGCHANGE, SPI_SETICONMETRICS); // at the window's scale: 96
        EXPECT_EQ(calls, std::vector<DWORD>(3, NIM_MODIFY)); // in place
        EXPECT_EQ(widths, (std::vector<LONG>{24, 32, 16}));
    };
    dlg.DoModal();
}

// The shell's point for the menu on a screen left of or above the main one
// is negative: read as signed, the menu opens there (through the decoding
// seam: Wine shows no screen left of the main one).
TEST(TrayIcon, MenuPointLeftOfAndAboveTheMainScreenReadSignedThroughTheSeam) {
    const HWND wnd = ::CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                       nullptr, nullptr);
    CTrayIcon icon([](DWORD, NOTIFYICONDATAW*) -> BOOL { return TRUE; });
    icon.Attach(wnd, WM_APP, nullptr);
    ASSERT_TRUE(icon.Show() && icon.IsVersion4());
    const CTrayIcon::Event event =
        icon.Decode(MAKEWPARAM(static_cast<WORD>(-1200), static_cast<WORD>(-40)), WM_CONTEXTMENU);
    EXPECT_EQ(std::pair(event.anchor.x, event.anchor.y), std::pair(-1200L, -40L));
    icon.Remove();
    ::DestroyWindow(wnd);
}

// Items, greyed or not, for what is due and what is pending; only 表示 while
// a dialog is open. The timer commands give back their delay and action.
TEST(TrayMenu, ItemsFollowTheStateAndTimerCommandsDecode) {
    struct Row {
        CTrayMenu::State state;
        int count;
        bool skipEnabled;
        bool cancelEnabled;
    };
    const Row rows[] = {
        {{L"12/9 18:00 シャットダウン", false, false}, 9, true, false},
        {{L"", true, false}, 9, false, true},
        {{L"12/9 18:00 シャットダウン", true, true}, 1, false, false},
        {{L"", false, false, false}, 9, false, false},      // 休止状態 greyed: no hibernation
        {{L"", false, false, true, true}, 10, false, true}, // a condition: 条件を取り消す
    };
    for (const Row& row : rows) {
        const CTrayMenu menu(row.state, 32772);
        EXPECT_EQ(::GetMenuItemCount(menu.Handle()), row.count);
        EXPECT_EQ(::GetMenuDefaultItem(menu.Handle(), FALSE, 0), CTrayMenu::kShow);
        const auto enabled = [&](UINT id) {
            const UINT state = ::GetMenuState(menu.Handle(), id, MF_BYCOMMAND);
            return state != 0xFFFFFFFF && (state & MF_GRAYED) == 0;
        };
        EXPECT_EQ(enabled(CTrayMenu::kSkip), row.skipEnabled);
        EXPECT_EQ(enabled(CTrayMenu::kCancelTimers), row.cancelEnabled);
        if (!row.state.onlyShow) { // 15分後 ▸ 休止状態, and ロック beside it
            EXPECT_EQ(enabled(CTrayMenu::kTimerFirst + 4), row.state.canHibernate);
            EXPECT_TRUE(enabled(CTrayMenu::kTimerFirst + 5));
            EXPECT_TRUE(enabled(CTrayMenu::kHistory));
            EXPECT_TRUE(enabled(CTrayMenu::kWatch));
            EXPECT_EQ(enabled(CTrayMenu::kCancelWatch), row.state.watchArmed);
        }
    }
    wchar_t text[80] = {};
    const CTrayMenu menu(rows[0].state, 32772);
    ::GetMenuStringW(menu.Handle(), CTrayMenu::kSkip, text, 80, MF_BYCOMMAND);
    EXPECT_STREQ(text, L"次回の実行をスキップ（12/9 18:00 シャットダウン）");
    // タイマー ▸ 30分後 ▸ ログオフ
    HMENU delays = ::GetSubMenu(menu.Handle(), 1);
    const UINT logoff30 = ::GetMenuItemID(::GetSubMenu(delays, 1), 3);
    const std::optional<CTrayMenu::Timer> timer = CTrayMenu::TimerOf(logoff30);
    ASSERT_TRUE(timer);
    EXPECT_EQ(timer->minutes, 30);
    EXPECT_EQ(timer->mode, 3);
    EXPECT_FALSE(CTrayMenu::TimerOf(CTrayMenu::kSkip));
}

} // namespace

namespace {

// The real calls but the action itself, which Windows refuses (access
// denied) when `refuse` is set; it is never made.
class RefusingPlatform final : public CEndActionPlatformWin32 {
public:
    bool refuse = true;
    bool canHibernate = true;
    std::int32_t userState = 5; // QUNS_ACCEPTS_NOTIFICATIONS
    bool ExitWindowsEx(std::uint32_t, std::uint32_t) override { return Answer(); }
    bool SetSuspendState(bool, bool, bool) override { return Answer(); }
    bool LockWorkStation() override { return Answer(); }
    bool modernStandby = false;
    bool GetPwrCapabilities(PowerCapabilities* caps) override {
        caps->systemS3 = !modernStandby;
        caps->systemS4 = caps->hiberFilePresent = canHibernate;
        caps->aoAc = modernStandby;
        return true;
    }
    bool QueryUserNotificationState(std::int32_t* state) override {
        *state = userState;
        return true;
    }
    bool SendMessageTimeoutW(PlatformHandle, std::uint32_t, std::uintptr_t, std::intptr_t,
                             std::uint32_t, std::uint32_t, std::uintptr_t*) override {
        return Answer(); // the displays off
    }

private:
    bool Answer() {
        ::SetLastError(refuse ? ERROR_ACCESS_DENIED : ERROR_SUCCESS);
        return !refuse;
    }
};

} // namespace

// An action Windows refuses is told with its reason; the host says it was not
// done, so the program keeps running, and the icon comes back when the
// window was in the tray. A done action leaves the icon removed, but for a
// lock, and a standby or hibernation the user keeps the program running
// after. The user counts as busy only with the option on.
TEST(EndActionHost, ARefusedActionIsToldAndTheIconComesBackToTheTray) {
    const HWND wnd = ::CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                       nullptr, nullptr);
    ASSERT_NE(wnd, nullptr);
    using O = EndActionOutcome;
    struct Row {
        std::int32_t mode;
        SettingsOptions options;
        bool inTray;
        bool refuse;
        bool canHibernate;
        O outcome;
        std::vector<DWORD> calls; // to the shell, after the icon was shown or not
        const wchar_t* told;      // the start of the message, or none
        std::int32_t userState;
        bool busy;
        int displaysOff = 0; // Modern Standby: 1, no sleep follows; 2, one at 2 minutes
    };
    const wchar_t* const noShutdown = L"シャットダウンを実行できませんでした。\n\n";
    const std::vector<DWORD> back = {NIM_DELETE, NIM_ADD}; // the icon removed, then back
    const wchar_t* const noSleep = L"スタンバイを実行できませんでした。\n\n画面を消してから 2 分";
    const Row rows[] = {
        {0, {}, true, true, true, O::Failed, {NIM_DELETE, NIM_ADD}, noShutdown, 2, false},
        {0, {}, false, true, true, O::Failed, {}, noShutdown, 5, false},
        {0, {}, true, false, true, O::ProgramEnds, {NIM_DELETE}, nullptr, 5, false},
        {5, {}, true, false, true, O::ProgramContinues, {NIM_DELETE, NIM_ADD}, nullptr, 5, false},
        {2, {}, true, false, true, O::ProgramEnds, {NIM_DELETE}, nullptr, 5, false},
        {2,
         {1, 1},
         true,
         false,
         true,
         O::ProgramContinues,
         {NIM_DELETE, NIM_ADD},
         nullptr,
         2,
         true},
        {4, {1, 1}, false, false, true, O::ProgramContinues, {}, nullptr, 3, true},
        {4,
         {0, 1},
         true,
         false,
         false,
         O::Failed,
         {NIM_DELETE, NIM_ADD},
         L"休止状態を実行できませんでした。\n\nこの PC は休止状態にできません",
         4,
         true},
        {4, {0, 1}, true, false, true, O::ProgramEnds, {NIM_DELETE}, nullptr, 5, false},
        // Modern Standby: the program ends only at a sleep Windows reports in
        // 2 minutes; else it keeps running and says so, once.
        {2, {}, true, false, true, O::ProgramContinues, back, nullptr, 5, false, 2},
        {2, {}, true, false, true, O::ProgramContinues, back, noSleep, 5, false, 1},
    };
    for (const Row& row : rows) {
        const std::string at = "row " + std::to_string(&row - rows);
        std::vector<DWORD> calls;
        CTrayIcon tray([&](DWORD message, NOTIFYICONDATAW*) -> BOOL {
            if (message != NIM_SETVERSION) {
                calls.push_back(message);
            }
            return TRUE;
        });
        tray.Attach(wnd, WM_APP, nullptr);
        if (row.inTray) {
            tray.Show();
        }
        calls.clear();
        RefusingPlatform platform;
        platform.refuse = row.refuse;
        platform.canHibernate = row.canHibernate;
        platform.userState = row.userState;
        platform.modernStandby = row.displaysOff != 0;
        std::vector<std::wstring> told;
        int saves = 0;
        int closes = 0;
        FakeUptime uptime;
        CEndActionHost host(tray, platform, row.options, uptime,
                            {wnd, [&] { ++saves; }, [&] { ++closes; }, [] {}, [&] { tray.Show(); },
                             [] {}, [&](const std::wstring& text) { told.push_back(text); }});
        EXPECT_EQ(host.UserBusy(), row.busy) << at;
        EXPECT_EQ(host.ExecuteEndMode(row.mode), row.outcome) << at;
        EXPECT_EQ(saves, 1) << at; // before the action, which may end the process
        EXPECT_EQ(calls, row.calls) << at;
        uptime.Pass(CEndActionHost::kSleepWaitMs);
        host.Tick();
        if (row.displaysOff == 2) {
            host.OnSuspend();
        }
        uptime.Pass(1);
        host.Tick();
        host.Tick();
        host.OnSuspend(); // a sleep after the wait is the user's own
        EXPECT_EQ(closes, row.displaysOff == 2 ? 1 : 0) << at;
        ASSERT_EQ(told.size(), row.told != nullptr ? 1u : 0u) << at;
        if (row.told != nullptr) {
            EXPECT_EQ(told[0].rfind(row.told, 0), 0u) << at;
        }
    }
    ::DestroyWindow(wnd);
}
