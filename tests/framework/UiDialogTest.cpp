// The program's own dialogs and resources, with real windows (run on Xvfb).
#include "ProbeDlg.h"

#include "framework/Handle.h"
#include "framework/Text.h"
#include "framework/WinApp.h"
#include "ui/AboutDlg.h"
#include "ui/DetailSettingDlg.h"
#include "ui/EndNoticeDlg.h"
#include "ui/res/resource.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace {

constexpr UINT kRunMessage = WM_APP + 1;

// Runs a hook once the dialog's modal loop is going.
template <typename Base>
class Hooked : public Base {
public:
    using Base::Base;
    std::function<void(Hooked&)> onRun;

    static const MessageMap* GetThisMessageMap() {
        static constexpr MessageMapEntry entries[] = {
            OnMessage<kRunMessage, &Hooked::OnRunMessage>(),
        };
        static constexpr MessageMap map{&Base::GetThisMessageMap, entries};
        return &map;
    }
    const MessageMap* GetMessageMap() const override { return GetThisMessageMap(); }

protected:
    BOOL OnInitDialog() override {
        const BOOL result = Base::OnInitDialog();
        this->PostMessage(kRunMessage);
        return result;
    }

private:
    LRESULT OnRunMessage(WPARAM, LPARAM) {
        if (onRun) {
            auto run = std::move(onRun);
            onRun = nullptr;
            run(*this);
        }
        return 0;
    }
};

std::vector<int> ChildIds(HWND dlg) {
    std::vector<int> ids;
    for (HWND h = ::GetWindow(dlg, GW_CHILD); h != nullptr; h = ::GetWindow(h, GW_HWNDNEXT)) {
        ids.push_back(::GetDlgCtrlID(h));
    }
    return ids;
}

std::wstring ClassOf(HWND h) {
    wchar_t name[64] = {};
    ::GetClassNameW(h, name, 64);
    return name;
}

const std::string kReboot = "\x8D\xC4\x8B\x4E\x93\xAE"; // 再起動

class UiDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        AfxGetApp()->m_pMainWnd = nullptr;
        AfxEnableControlContainer();
    }
};

TEST_F(UiDialogTest, WarningNamesTheModeAndEndsOnlyByTimeoutOrCancel) {
    Hooked<CEndNoticeDlg> dlg;
    dlg.onRun = [](Hooked<CEndNoticeDlg>& d) {
        // Template 134: controls in order, the mode text replaced, the
        // countdown at its full 15 seconds.
        const std::vector<int> ids = {IDCANCEL, -1, -1, IDC_END_MODE, IDC_COUNTDOWN, IDC_POSTPONE};
        EXPECT_EQ(ChildIds(d.m_hWnd), ids);
        wchar_t countdown[32] = {};
        ::GetWindowTextW(d.GetDlgItem(IDC_COUNTDOWN), countdown, 32);
        EXPECT_STREQ(countdown, L"あと 15 秒");
        EXPECT_EQ(d.m_stMode.m_hWnd, d.GetDlgItem(IDC_END_MODE));
        EXPECT_EQ(d.m_stMode.GetWindowText(), kReboot);
        EXPECT_EQ(d.GetDlgItemText(IDCANCEL), "\xB7\xAC\xDD\xBE\xD9"); // ｷｬﾝｾﾙ
        EXPECT_TRUE(d.GetExStyle() & WS_EX_TOPMOST);
        EXPECT_TRUE(d.GetExStyle() & WS_EX_STATICEDGE);
        EXPECT_EQ(d.GetStyle() & WS_CAPTION, static_cast<DWORD>(WS_BORDER)); // no title bar
        // An IDOK command (Enter), a foreign timer and the countdown's own
        // timer change nothing: the modal loop goes on to the next message.
        d.SendMessage(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        d.SendMessage(WM_TIMER, 2, 0);
        d.SendMessage(WM_TIMER, CEndNoticeDlg::kCountdownTimer, 0);
        d.onRun = [](Hooked<CEndNoticeDlg>& again) {
            // The time-out (timer 3) confirms.
            again.SendMessage(WM_TIMER, CEndNoticeDlg::kTimeoutTimer, 0);
        };
        d.PostMessage(kRunMessage);
    };
    EXPECT_EQ(dlg.DoNotice(1), IDOK);
    EXPECT_EQ(dlg.onRun, nullptr) << "ended before the time-out";
    EXPECT_EQ(dlg.m_nMode, 1);
}

TEST_F(UiDialogTest, WarningWithUnknownModeShowsNoNameAndCancels) {
    for (int mode : {6, -1}) {
        Hooked<CEndNoticeDlg> dlg;
        std::string text = "unset";
        dlg.onRun = [&](Hooked<CEndNoticeDlg>& d) {
            text = d.m_stMode.GetWindowText();
            ::SendMessageW(d.GetDlgItem(IDCANCEL), BM_CLICK, 0, 0);
        };
        EXPECT_EQ(dlg.DoNotice(mode), IDCANCEL);
        EXPECT_EQ(text, "");
    }
}

// 延期 opens its menu under the button; each of its four items ends the
// warning with its own delay, chosen by keys as a keyboard user would.
TEST_F(UiDialogTest, WarningPostponesByTheDelayOfEachMenuItem) {
    const int delays[] = {5, 10, 30, 60};
    for (int k = 0; k < 4; ++k) {
        Hooked<CEndNoticeDlg> dlg;
        dlg.onRun = [k](Hooked<CEndNoticeDlg>& d) {
            const HWND button = d.GetDlgItem(IDC_POSTPONE);
            for (int i = 0; i <= k; ++i) {
                ::PostMessageW(button, WM_KEYDOWN, VK_DOWN, 0);
            }
            ::PostMessageW(button, WM_KEYDOWN, VK_RETURN, 0);
            ::SendMessageW(button, BM_CLICK, 0, 0);
        };
        EXPECT_EQ(dlg.DoNotice(0), CEndNoticeDlg::kPostponed) << k;
        EXPECT_EQ(dlg.PostponeMinutes(), delays[k]) << k;
    }
}

TEST_F(UiDialogTest, WarningModeNamesMatchTheEditorsRadioTexts) {
    const char* names[] = {"\x83\x56\x83\x83\x83\x62\x83\x67\x83\x5F\x83\x45\x83\x93",
                           "\x8D\xC4\x8B\x4E\x93\xAE", "\x83\x58\x83\x5E\x83\x93\x83\x6F\x83\x43",
                           "\x83\x8D\x83\x4F\x83\x49\x83\x74"};
    for (int mode = 0; mode < 4; ++mode) {
        Hooked<CEndNoticeDlg> dlg;
        std::string text;
        dlg.onRun = [&](Hooked<CEndNoticeDlg>& d) {
            text = d.m_stMode.GetWindowText();
            d.SendMessage(WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        };
        EXPECT_EQ(dlg.DoNotice(mode), IDCANCEL);
        EXPECT_EQ(text, names[mode]) << mode;
    }
}

TEST_F(UiDialogTest, DetailSettingsReturnsTheBoxOnOkOnly) {
    struct Case {
        int flag;
        bool click;
        int endId;
        int result;
        int flagAfter;
    };
    const Case cases[] = {
        {0, true, IDOK, IDOK, 1},         {1, false, IDOK, IDOK, 1},
        {5, false, IDOK, IDOK, 1},        {1, true, IDOK, IDOK, 0},
        {1, true, IDCANCEL, IDCANCEL, 1}, {0, true, IDCANCEL, IDCANCEL, 0},
    };
    for (const Case& c : cases) {
        Hooked<CDetailSettingDlg> dlg;
        dlg.m_bTaskTray = c.flag;
        bool checkedAtStart = false;
        dlg.onRun = [&](Hooked<CDetailSettingDlg>& d) {
            checkedAtStart = d.m_chkTaskTray.GetCheck() == BST_CHECKED;
            if (c.click) {
                ::SendMessageW(d.m_chkTaskTray.m_hWnd, BM_CLICK, 0, 0);
            }
            ::SendMessageW(d.GetDlgItem(c.endId), BM_CLICK, 0, 0);
        };
        EXPECT_EQ(dlg.DoModal(), c.result) << c.flag << c.click << c.endId;
        EXPECT_EQ(checkedAtStart, c.flag != 0);
        EXPECT_EQ(dlg.m_bTaskTray, c.flagAfter) << c.flag << c.click << c.endId;
    }
}

TEST_F(UiDialogTest, AboutBoxEndsWithOkAndCancel) {
    for (int endId : {IDOK, IDCANCEL}) {
        Hooked<CAboutDlg> dlg;
        std::string caption;
        dlg.onRun = [&](Hooked<CAboutDlg>& d) {
            caption = d.GetWindowText();
            d.SendMessage(WM_COMMAND, MAKEWPARAM(endId, BN_CLICKED), 0);
        };
        EXPECT_EQ(dlg.DoModal(), endId);
        EXPECT_EQ(caption, "\xCA\xDE\xB0\xBC\xDE\xAE\xDD\x8F\xEE\x95\xF1"); // ﾊﾞｰｼﾞｮﾝ情報
    }
}

TEST_F(UiDialogTest, EditorTemplateRadioGroupsEndWhereTheyShould) {
    ProbeDlg dlg(IDD_TIMESETTING_DIALOG);
    int timeMode = 1;
    int endMode = 3;
    dlg.exchange = [&](CDataExchange* pDX) {
        DDX_Radio(pDX, IDC_RADIO_DATE, timeMode);
        DDX_Radio(pDX, IDC_RADIO_SHUTDOWN, endMode);
    };
    dlg.onRun = [&](ProbeDlg& d) {
        auto checked = [&](int id) {
            return ::SendMessageW(d.GetDlgItem(id), BM_GETCHECK, 0, 0) == BST_CHECKED;
        };
        EXPECT_TRUE(checked(IDC_RADIO_WEEK));
        EXPECT_TRUE(checked(IDC_RADIO_LOGOFF));
        EXPECT_FALSE(checked(IDC_RADIO_STANDBY));
        // Six buttons in the end-mode group, 休止状態 and ロック last: index
        // 5 is ロック, 6 clears them all.
        endMode = 5;
        d.UpdateData(FALSE);
        EXPECT_TRUE(checked(IDC_RADIO_LOCK));
        endMode = 6;
        timeMode = 2;
        d.UpdateData(FALSE);
        d.UpdateData(TRUE);
        EXPECT_EQ(endMode, -1);
        EXPECT_EQ(timeMode, -1);
        ::SendMessageW(d.GetDlgItem(IDC_RADIO_STANDBY), BM_CLICK, 0, 0);
        d.UpdateData(TRUE);
        EXPECT_EQ(endMode, 2);
        // The up-down control of the main window needs the common controls.
        d.EndDialog(IDOK);
    };
    EXPECT_EQ(dlg.DoModal(), IDOK);
}

TEST_F(UiDialogTest, MainWindowTemplateCreatesAllControls) {
    ProbeDlg dlg(IDD_QUILLABERTON_DIALOG);
    dlg.onRun = [](ProbeDlg& d) {
        const std::vector<int> ids = {-1,
                                      IDC_CLOCK,
                                      -1,
                                      IDC_NEXT_DUE,
                                      IDC_WATCH_MEASURE,
                                      IDC_SCHEDULE_LIST,
                                      IDC_RULE,
                                      IDC_ADD_ENTRY,
                                      IDC_EDIT_ENTRY,
                                      IDC_DELETE_ENTRY,
                                      IDC_DETAIL_SETTING,
                                      IDC_SPIN};
        EXPECT_EQ(ChildIds(d.m_hWnd), ids);
        EXPECT_EQ(ClassOf(d.GetDlgItem(IDC_SPIN)), L"msctls_updown32");
        const DWORD ex = d.GetExStyle();
        EXPECT_TRUE(ex & WS_EX_APPWINDOW);
        EXPECT_TRUE(ex & WS_EX_CLIENTEDGE);
        EXPECT_NE(::GetMenu(d.m_hWnd), nullptr);
        EXPECT_EQ(d.GetWindowText(), "Quillaberton");
        d.EndDialog(IDOK);
    };
    EXPECT_EQ(dlg.DoModal(), IDOK);
}

TEST(Resources, MenuStringAndIcon) {
    HINSTANCE inst = AfxGetResourceHandle();
    unique_hmenu menu(::LoadMenuW(inst, MAKEINTRESOURCEW(IDR_MENU)));
    ASSERT_TRUE(menu);
    EXPECT_EQ(::GetMenuItemCount(menu.get()), 3);
    auto text = [&](HMENU m, UINT item, UINT flags) {
        wchar_t buffer[64] = {};
        ::GetMenuStringW(m, item, buffer, 64, flags);
        return WideToCp932(buffer);
    };
    HMENU system = ::GetSubMenu(menu.get(), 0);
    EXPECT_EQ(::GetMenuItemCount(system), 4);
    EXPECT_EQ(::GetMenuItemID(system, 0), static_cast<UINT>(ID_STORE_TASKTRAY));
    EXPECT_EQ(::GetMenuItemID(system, 1), static_cast<UINT>(ID_DETAIL_SETTING));
    EXPECT_EQ(::GetMenuItemID(system, 3), static_cast<UINT>(ID_EXIT_PROGRAM));
    EXPECT_EQ(
        text(system, ID_EXIT_PROGRAM, MF_BYCOMMAND),
        "\x83\x76\x83\x8D\x83\x4F\x83\x89\x83\x80\x82\xCC\x8F\x49\x97\xB9"); // プログラムの終了
    HMENU edit = ::GetSubMenu(menu.get(), 1);
    EXPECT_EQ(::GetMenuItemID(edit, 0), static_cast<UINT>(ID_ADD_ENTRY));
    EXPECT_EQ(::GetMenuItemID(edit, 1), static_cast<UINT>(ID_EDIT_ENTRY));
    EXPECT_EQ(::GetMenuItemID(edit, 2), static_cast<UINT>(ID_DELETE_ENTRY));
    EXPECT_EQ(::GetMenuItemID(::GetSubMenu(menu.get(), 2), 0), static_cast<UINT>(ID_HISTORY));
    EXPECT_EQ(::GetMenuItemID(::GetSubMenu(menu.get(), 2), 1), static_cast<UINT>(ID_VERSION_INFO));

    wchar_t about[32] = {};
    EXPECT_GT(::LoadStringW(inst, IDS_ABOUTBOX, about, 32), 0);
    EXPECT_EQ(WideToCp932(about), "\xCA\xDE\xB0\xBC\xDE\xAE\xDD\x8F\xEE\x95\xF1");

    for (int size : {16, 32, 48}) {
        unique_hicon icon(static_cast<HICON>(
            ::LoadImageW(inst, MAKEINTRESOURCEW(IDR_MAINFRAME), IMAGE_ICON, size, size, 0)));
        ASSERT_TRUE(icon) << size;
        ICONINFO info{};
        ASSERT_TRUE(::GetIconInfo(icon.get(), &info));
        BITMAP bm{};
        ::GetObjectW(info.hbmColor, sizeof(bm), &bm);
        EXPECT_EQ(bm.bmWidth, size);
        ::DeleteObject(info.hbmColor);
        ::DeleteObject(info.hbmMask);
    }
}

} // namespace
