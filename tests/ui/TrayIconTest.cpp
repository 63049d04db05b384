// The main window while the tray icon cannot be added: shown, minimised,
// until a retry puts the icon in place, then hidden. The tray menu's items.
#include "ui/QuillabertonDlg.h"
#include "ui/TrayMenu.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <utility>

namespace {

// Runs a check once the modal loop is going.
class HookedMain : public CQuillabertonDlg {
public:
    using CQuillabertonDlg::CQuillabertonDlg;
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
};

TEST(TrayIcon, ShownMinimisedWhileTheIconFailsHiddenOnceARetryPlacesIt) {
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / "qb-tray-test";
    std::filesystem::create_directories(dir);
    std::filesystem::current_path(dir);
    {
        FILE* f = std::fopen("Quillaberton.dat", "wb");
        ASSERT_NE(f, nullptr);
        std::fputs("[COM]\r\nsize=0\r\ntasktray=1\r\n", f);
        std::fclose(f);
    }
    int adds = 0;
    int deletes = 0;
    bool there = false;    // the shell holds the icon
    bool timesOut = false; // the next add is carried out but reported failed
    HookedMain dlg(nullptr, [&](DWORD message, NOTIFYICONDATAW*) -> BOOL {
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
        {{L"12/9 18:00 シャットダウン", false, false}, 7, true, false},
        {{L"", true, false}, 7, false, true},
        {{L"12/9 18:00 シャットダウン", true, true}, 1, false, false},
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
