// The entry editor with real windows (run on Xvfb): what it shows for an
// entry, the limits applied when a field loses the focus, what OK stores,
// the names it refuses, 休止状態 and the wake box with their notes; 条件で実行.
#include "framework/Text.h"
#include "framework/WinApp.h"
#include "ui/TimeSettingDlg.h"
#include "ui/WatchDlg.h"
#include "ui/res/resource.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <tuple>
#include <vector>

CWinApp theApp;

namespace {

// Runs a hook once the modal loop is going; a safety timer ends a run that a
// failed test left open.
class HookedEditor : public CTimeSettingDlg {
public:
    std::function<void(HookedEditor&)> onRun;

    static constexpr UINT kRunMessage = WM_APP + 1;
    static constexpr UINT_PTR kSafetyTimer = 999;
    static constexpr int kSafetyResult = -99;

    static const MessageMap* GetThisMessageMap() {
        static constexpr MessageMapEntry entries[] = {
            OnMessage<kRunMessage, &HookedEditor::OnRunMessage>(),
            OnMessage<WM_TIMER, &HookedEditor::OnTimer>(),
        };
        static constexpr MessageMap map{&CTimeSettingDlg::GetThisMessageMap, entries};
        return &map;
    }
    const MessageMap* GetMessageMap() const override { return GetThisMessageMap(); }

    HWND Item(int id) const { return GetDlgItem(id); }
    std::string Text(int id) const { return GetDlgItemText(id); }
    bool Checked(int id) const {
        return ::SendMessageW(GetDlgItem(id), BM_GETCHECK, 0, 0) == BST_CHECKED;
    }
    bool Enabled(int id) const { return ::IsWindowEnabled(GetDlgItem(id)) != FALSE; }
    void Command(int id) { SendMessage(WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }

protected:
    BOOL OnInitDialog() override {
        const BOOL result = CTimeSettingDlg::OnInitDialog();
        SetTimer(kSafetyTimer, 20000);
        PostMessage(kRunMessage);
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
    void OnTimer(UINT_PTR id) {
        if (id == kSafetyTimer) {
            EndDialog(kSafetyResult);
        }
    }
};

const std::string kDefaultName = "\x8E\x9E\x8D\x8F\x90\xDD\x92\xE8"; // 時刻設定
const std::string kLogoff = "\x83\x8D\x83\x4F\x83\x49\x83\x74";      // ログオフ

const int kWeekdayBoxes[] = {IDC_CHECK_SUNDAY,    IDC_CHECK_MONDAY,   IDC_CHECK_TUESDAY,
                             IDC_CHECK_WEDNESDAY, IDC_CHECK_THURSDAY, IDC_CHECK_FRIDAY,
                             IDC_CHECK_SATURDAY};
const int kDateEdits[] = {IDC_YEAR, IDC_MONTH, IDC_DAY};

void ExpectSameItem(const CScheduleItem& a, const CScheduleItem& b) {
    EXPECT_EQ(a.name, b.name);
    EXPECT_EQ(a.time_mode, b.time_mode);
    EXPECT_EQ(a.year, b.year);
    EXPECT_EQ(a.month, b.month);
    EXPECT_EQ(a.day, b.day);
    EXPECT_EQ(a.week, b.week);
    EXPECT_EQ(a.hour, b.hour);
    EXPECT_EQ(a.minute, b.minute);
    EXPECT_EQ(a.second, b.second);
    EXPECT_EQ(a.sd_mode, b.sd_mode);
}

// Gives an edit the focus and takes it away again, as Tab or a click would.
void EnterAndLeave(HookedEditor& d, int id) {
    ::SetFocus(d.Item(id));
    ::SetFocus(d.Item(IDC_NAME));
}

class TimeSettingDlgTest : public ::testing::Test {
protected:
    void SetUp() override { AfxGetApp()->m_pMainWnd = nullptr; }
};

TEST_F(TimeSettingDlgTest, NewEntryOpensWithDefaultsAndCancelKeepsIt) {
    HookedEditor dlg;
    dlg.onRun = [](HookedEditor& d) {
        EXPECT_EQ(d.GetWindowText(), kDefaultName); // caption 時刻設定
        EXPECT_EQ(d.Text(IDC_NAME), kDefaultName);
        EXPECT_TRUE(d.Checked(IDC_RADIO_DATE));
        EXPECT_FALSE(d.Checked(IDC_RADIO_WEEK));
        for (int id : kDateEdits) {
            EXPECT_EQ(d.Text(id), "*") << id;
            EXPECT_TRUE(d.Enabled(id)) << id;
        }
        for (int id : {IDC_HOUR, IDC_MINUTE, IDC_SECOND}) {
            EXPECT_EQ(d.Text(id), "0") << id;
        }
        for (int id : kWeekdayBoxes) {
            EXPECT_FALSE(d.Checked(id)) << id;
            EXPECT_FALSE(d.Enabled(id)) << id;
        }
        EXPECT_TRUE(d.Checked(IDC_RADIO_SHUTDOWN));
        EXPECT_EQ(::GetFocus(), d.Item(IDC_NAME));

        // Changes, including a limited field, are all dropped by Cancel.
        d.SetDlgItemText(IDC_NAME, "x");
        d.SetDlgItemText(IDC_HOUR, "30");
        EnterAndLeave(d, IDC_HOUR);
        ::SendMessageW(d.Item(IDC_RADIO_WEEK), BM_CLICK, 0, 0);
        ::SendMessageW(d.Item(IDCANCEL), BM_CLICK, 0, 0);
    };
    EXPECT_EQ(dlg.EditItem(CScheduleItem()), IDCANCEL);
    ExpectSameItem(dlg.GetItem(), CScheduleItem());
}

TEST_F(TimeSettingDlgTest, LeavingAFieldLimitsItAndRewritesIt) {
    struct Case {
        int id;
        const char* typed;
        const char* after;
    };
    const Case cases[] = {
        {IDC_YEAR, "1999", "2000"},
        {IDC_YEAR, "99999", "99999"},
        {IDC_YEAR, "*", "*"},
        {IDC_YEAR, "", "2000"},
        {IDC_YEAR, "0", "2000"},
        {IDC_YEAR, " *", "2000"},
        {IDC_YEAR, "2030abc", "2030"},
        {IDC_MONTH, "13", "12"},
        {IDC_MONTH, "0", "1"},
        {IDC_MONTH, "", "1"},
        {IDC_MONTH, "*", "*"},
        {IDC_MONTH, "007", "7"},
        {IDC_DAY, "32", "31"},
        {IDC_DAY, "-5", "1"},
        {IDC_DAY, "*", "*"},
        {IDC_HOUR, "24", "23"},
        {IDC_HOUR, "-1", "0"},
        {IDC_HOUR, "*", "0"},
        {IDC_HOUR, "007", "7"},
        {IDC_MINUTE, "60", "59"},
        {IDC_MINUTE, "x", "0"},
        {IDC_SECOND, "60", "59"},
        {IDC_SECOND, "59", "59"},
        {IDC_HOUR, "99999999999", "23"},
        {IDC_HOUR, "-99999999999", "0"},
    };
    HookedEditor dlg;
    dlg.onRun = [&](HookedEditor& d) {
        for (const Case& c : cases) {
            d.SetDlgItemText(c.id, c.typed);
            EnterAndLeave(d, c.id);
            EXPECT_EQ(d.Text(c.id), c.after) << c.id << " '" << c.typed << "'";
        }
        // Limits apply to the field that lost the focus, not to the others.
        d.SetDlgItemText(IDC_MINUTE, "75");
        EnterAndLeave(d, IDC_HOUR);
        EXPECT_EQ(d.Text(IDC_MINUTE), "75");
        d.Command(IDCANCEL);
    };
    EXPECT_EQ(dlg.EditItem(CScheduleItem()), IDCANCEL);
}

TEST_F(TimeSettingDlgTest, OkStoresEveryFieldAsTypedWithoutLimits) {
    HookedEditor dlg;
    dlg.onRun = [](HookedEditor& d) {
        // Texts set without the focus passing through the fields.
        d.SetDlgItemText(IDC_NAME, "");
        d.SetDlgItemText(IDC_YEAR, "1999");
        d.SetDlgItemText(IDC_MONTH, "0");
        d.SetDlgItemText(IDC_DAY, "*");
        d.SetDlgItemText(IDC_HOUR, "25");
        d.SetDlgItemText(IDC_MINUTE, "*");
        d.SetDlgItemText(IDC_SECOND, "-3");
        ::SendMessageW(d.Item(IDC_RADIO_WEEK), BM_CLICK, 0, 0);
        // Weekday mode: boxes on, date edits off but keeping their texts.
        EXPECT_FALSE(d.Enabled(IDC_YEAR));
        EXPECT_TRUE(d.Enabled(IDC_CHECK_SUNDAY));
        EXPECT_EQ(d.Text(IDC_YEAR), "1999");
        ::SendMessageW(d.Item(IDC_CHECK_SUNDAY), BM_CLICK, 0, 0);
        ::SendMessageW(d.Item(IDC_CHECK_SATURDAY), BM_CLICK, 0, 0);
        ::SendMessageW(d.Item(IDC_RADIO_STANDBY), BM_CLICK, 0, 0);
        d.Command(IDOK);
    };
    EXPECT_EQ(dlg.EditItem(CScheduleItem()), IDOK);
    const CScheduleItem item = dlg.GetItem();
    EXPECT_EQ(item.name, "");
    EXPECT_EQ(item.time_mode, 1);
    EXPECT_EQ(item.year, 1999);
    EXPECT_EQ(item.month, 0);
    EXPECT_EQ(item.day, 0);
    EXPECT_EQ(item.week, 65);
    EXPECT_EQ(item.hour, 25);
    EXPECT_EQ(item.minute, 0);
    EXPECT_EQ(item.second, -3);
    EXPECT_EQ(item.sd_mode, 2);
}

TEST_F(TimeSettingDlgTest, EnterInAFieldStoresItUnlimitedTabLimitsIt) {
    for (const bool tab : {false, true}) {
        HookedEditor dlg;
        dlg.onRun = [&](HookedEditor& d) {
            ::SetFocus(d.Item(IDC_HOUR));
            d.SetDlgItemText(IDC_HOUR, "30");
            // Through the modal loop, as typed keys would go.
            if (tab) {
                ::PostMessageW(d.Item(IDC_HOUR), WM_KEYDOWN, VK_TAB, 0);
            }
            ::PostMessageW(d.Item(IDC_HOUR), WM_KEYDOWN, VK_RETURN, 0);
        };
        EXPECT_EQ(dlg.EditItem(CScheduleItem()), IDOK) << tab;
        EXPECT_EQ(dlg.GetItem().hour, tab ? 23 : 30) << tab;
    }
}

TEST_F(TimeSettingDlgTest, WeekdayEntryKeepsItsDateAndAllSevenDays) {
    CScheduleItem entry;
    entry.name = kLogoff;
    entry.time_mode = 1;
    entry.year = 2030;
    entry.month = 5;
    entry.day = 6;
    entry.week = 127 | 128; // bit 7 is not shown and is dropped at OK
    entry.hour = 18;
    entry.minute = 5;
    entry.second = 9;
    entry.sd_mode = 3;
    HookedEditor dlg;
    dlg.onRun = [](HookedEditor& d) {
        EXPECT_EQ(d.Text(IDC_NAME), kLogoff);
        EXPECT_TRUE(d.Checked(IDC_RADIO_WEEK));
        EXPECT_FALSE(d.Checked(IDC_RADIO_DATE));
        EXPECT_EQ(d.Text(IDC_YEAR), "2030");
        EXPECT_EQ(d.Text(IDC_MONTH), "5");
        EXPECT_EQ(d.Text(IDC_DAY), "6");
        for (int id : kDateEdits) {
            EXPECT_FALSE(d.Enabled(id)) << id;
        }
        for (int id : kWeekdayBoxes) {
            EXPECT_TRUE(d.Checked(id)) << id;
            EXPECT_TRUE(d.Enabled(id)) << id;
        }
        EXPECT_EQ(d.Text(IDC_HOUR), "18");
        EXPECT_TRUE(d.Checked(IDC_RADIO_LOGOFF));
        // Back to date mode and OK: the mask is kept along with the date.
        ::SendMessageW(d.Item(IDC_RADIO_DATE), BM_CLICK, 0, 0);
        EXPECT_TRUE(d.Enabled(IDC_YEAR));
        EXPECT_FALSE(d.Enabled(IDC_CHECK_MONDAY));
        d.Command(IDOK);
    };
    EXPECT_EQ(dlg.EditItem(entry), IDOK);
    CScheduleItem expected = entry;
    expected.time_mode = 0;
    expected.week = 127;
    ExpectSameItem(dlg.GetItem(), expected);
}

TEST_F(TimeSettingDlgTest, WeekMaskBitsMapToTheirOwnBoxes) {
    for (int bit = 0; bit < 7; ++bit) {
        CScheduleItem entry;
        entry.time_mode = 1;
        entry.week = 1 << bit;
        HookedEditor dlg;
        dlg.onRun = [&](HookedEditor& d) {
            for (int i = 0; i < 7; ++i) {
                EXPECT_EQ(d.Checked(kWeekdayBoxes[i]), i == bit) << bit << " " << i;
            }
            d.Command(IDOK);
        };
        EXPECT_EQ(dlg.EditItem(entry), IDOK);
        EXPECT_EQ(dlg.GetItem().week, 1 << bit);
    }
}

TEST_F(TimeSettingDlgTest, UnknownModesSelectNothingAndStoreMinusOne) {
    CScheduleItem entry;
    entry.time_mode = 2;
    entry.sd_mode = 7;
    entry.year = 2024;
    HookedEditor dlg;
    dlg.onRun = [](HookedEditor& d) {
        for (int id : {IDC_RADIO_DATE, IDC_RADIO_WEEK, IDC_RADIO_SHUTDOWN, IDC_RADIO_REBOOT,
                       IDC_RADIO_STANDBY, IDC_RADIO_LOGOFF, IDC_RADIO_HIBERNATE, IDC_RADIO_LOCK}) {
            EXPECT_FALSE(d.Checked(id)) << id;
        }
        for (int id : kDateEdits) {
            EXPECT_TRUE(d.Enabled(id)) << id;
        }
        for (int id : kWeekdayBoxes) {
            EXPECT_TRUE(d.Enabled(id)) << id;
        }
        d.Command(IDOK);
    };
    EXPECT_EQ(dlg.EditItem(entry), IDOK);
    EXPECT_EQ(dlg.GetItem().time_mode, -1);
    EXPECT_EQ(dlg.GetItem().sd_mode, -1);
    EXPECT_EQ(dlg.GetItem().year, 2024);
}

// The message box the editor shows over itself, found from a thread timer
// (the message box's own loop dispatches it): its text, then closed.
struct MessageBoxWatch {
    static inline HWND s_editor = nullptr;
    static inline std::wstring s_caption;
    static inline std::wstring s_text;
    static inline int s_seen = 0;

    static BOOL CALLBACK FindBox(HWND hwnd, LPARAM) {
        wchar_t cls[32] = {};
        ::GetClassNameW(hwnd, cls, 32);
        if (hwnd == s_editor || std::wstring(cls) != L"#32770" || !::IsWindowVisible(hwnd)) {
            return TRUE;
        }
        wchar_t buffer[256] = {};
        ::GetWindowTextW(hwnd, buffer, 256);
        s_caption = buffer;
        ::GetDlgItemTextW(hwnd, 0xFFFF, buffer, 256); // the message text
        s_text = buffer;
        ++s_seen;
        ::PostMessageW(hwnd, WM_COMMAND, IDOK, 0);
        return FALSE;
    }
    static void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD) {
        ::EnumThreadWindows(::GetCurrentThreadId(), &FindBox, 0);
    }
};

TEST_F(TimeSettingDlgTest, NamesTheFileCannotCarryAreRefusedAtOk) {
    struct Case {
        std::wstring name;
        const wchar_t* reason; // part of the message; nullptr: accepted
    };
    const Case cases[] = {
        {L"[x]", L"'['"},
        {L"a]b[c", L"'['"},
        {L"caf\u00E9", L"Shift-JIS"},
        {L"\U0001F600", L"Shift-JIS"},
        // LF splits the line, 0x1A ends the reading of the file.
        {L"a\nb", L"制御文字"},
        {L"a\x1A", L"制御文字"},
        {L"\t", L"制御文字"},
        // Accepted: two of a kind, or a bracket byte that is the second
        // byte of a double-byte character (ー is 0x81 0x5B).
        {L"[[x]]", nullptr},
        {L"[x", nullptr},
        {L"\u30FC]", nullptr},
        {L"\u30ED\u30B0[\u30AA\u30D5", nullptr},
    };
    for (const Case& c : cases) {
        HookedEditor dlg;
        MessageBoxWatch::s_seen = 0;
        MessageBoxWatch::s_text.clear();
        bool openAfterOk = false;
        bool nameFocused = false;
        dlg.onRun = [&](HookedEditor& d) {
            MessageBoxWatch::s_editor = d.m_hWnd;
            ::SetWindowTextW(d.Item(IDC_NAME), c.name.c_str());
            const UINT_PTR timer = ::SetTimer(nullptr, 0, 50, &MessageBoxWatch::OnTimer);
            ::SendMessageW(d.Item(IDOK), BM_CLICK, 0, 0);
            ::KillTimer(nullptr, timer);
            nameFocused = ::GetFocus() == d.Item(IDC_NAME);
            // Still running: the modal loop takes one more message.
            d.onRun = [&](HookedEditor& again) {
                openAfterOk = true;
                again.Command(IDCANCEL);
            };
            d.PostMessage(HookedEditor::kRunMessage);
        };
        CScheduleItem entry;
        entry.hour = 5;
        const int result = dlg.EditItem(entry);
        if (c.reason == nullptr) {
            EXPECT_EQ(result, IDOK);
            EXPECT_EQ(MessageBoxWatch::s_seen, 0);
            EXPECT_EQ(Cp932ToWide(dlg.GetItem().name), c.name);
        } else {
            EXPECT_EQ(result, IDCANCEL);
            EXPECT_TRUE(openAfterOk);
            EXPECT_TRUE(nameFocused);
            EXPECT_EQ(MessageBoxWatch::s_seen, 1);
            EXPECT_EQ(MessageBoxWatch::s_caption, L"時刻設定");
            EXPECT_NE(MessageBoxWatch::s_text.find(c.reason), std::wstring::npos)
                << WideToCp932(MessageBoxWatch::s_text);
            // A refused OK stores nothing.
            ExpectSameItem(dlg.GetItem(), entry);
        }
    }
}

TEST_F(TimeSettingDlgTest, UntouchedNameKeepsItsBytesEvenWhenTheyDoNotConvertBack) {
    CScheduleItem entry;
    entry.name = "ab\x81"; // a lead byte without its second byte
    const std::wstring shown = Cp932ToWide(entry.name);
    ASSERT_NE(WideToCp932(shown), entry.name); // it does not convert back
    for (const bool retype : {false, true}) {
        HookedEditor dlg;
        dlg.onRun = [&](HookedEditor& d) {
            if (retype) {
                ::SetWindowTextW(d.Item(IDC_NAME), (shown + L"x").c_str());
            }
            d.Command(IDOK);
        };
        EXPECT_EQ(dlg.EditItem(entry), IDOK);
        // Changed, the name is what the edit showed.
        EXPECT_EQ(dlg.GetItem().name, retype ? WideToCp932(shown + L"x") : entry.name);
    }
}

// 休止状態 greyed with its reason where the PC cannot hibernate; the wake
// box shows the entry's flag and gives it back, with a line where the power
// plan has wake timers off. A hand-made flag other than 1 is kept.
TEST_F(TimeSettingDlgTest, HibernationWakeAndTheirNotes) {
    struct Row {
        bool noHibernation;
        bool wakeTimersOff;
        int wake;
        bool click;
        int wakeAfter;
    };
    for (const Row row : {Row{true, false, 0, true, 1}, Row{false, true, 1, true, 0},
                          Row{false, false, 7, false, 7}}) {
        CScheduleItem entry;
        entry.sd_mode = 4;
        entry.wake = row.wake;
        HookedEditor dlg;
        dlg.m_bNoHibernation = row.noHibernation;
        dlg.m_bWakeTimersOff = row.wakeTimersOff;
        dlg.onRun = [&](HookedEditor& d) {
            EXPECT_EQ(d.Enabled(IDC_RADIO_HIBERNATE), !row.noHibernation);
            EXPECT_TRUE(d.Checked(IDC_RADIO_HIBERNATE));
            EXPECT_EQ(d.Text(IDC_HIBERNATE_NOTE).empty(), !row.noHibernation);
            EXPECT_EQ(d.Text(IDC_WAKE_NOTE).empty(), !row.wakeTimersOff);
            EXPECT_EQ(d.Checked(IDC_CHECK_WAKE), row.wake != 0);
            if (row.click) {
                ::SendMessageW(d.Item(IDC_CHECK_WAKE), BM_CLICK, 0, 0);
            }
            d.Command(IDOK);
        };
        EXPECT_EQ(dlg.EditItem(entry), IDOK);
        EXPECT_EQ(dlg.GetItem().wake, row.wakeAfter);
        EXPECT_EQ(dlg.GetItem().sd_mode, 4);
    }
}

using Call = std::tuple<WatchSpec, std::int32_t, bool>;

// Runs each step once the messages the one before posted are handled; ends
// the run with -1 when the steps leave the dialog open. Records each arming.
class HookedWatch : public CWatchDlg {
public:
    HookedWatch(bool canHibernate, std::wstring armedWords, std::vector<RunningProgram> programs)
        : CWatchDlg(
              [this](const WatchSpec& spec, std::int32_t mode, bool hold) {
                  calls.emplace_back(spec, mode, hold);
                  return answer;
              },
              canHibernate, std::move(armedWords), std::move(programs)) {}
    std::vector<std::function<void(HookedWatch&)>> steps;
    std::vector<Call> calls;
    std::wstring answer; // what arming says

    std::wstring Text(int id) const { return Cp932ToWide(GetDlgItemText(id)); }
    bool On(int id) const { return ::IsWindowEnabled(GetDlgItem(id)) != FALSE; }
    void Click(int id) const { ::SendMessageW(GetDlgItem(id), BM_CLICK, 0, 0); }
    void Type(int id, const wchar_t* text) const { ::SetDlgItemTextW(m_hWnd, id, text); }

protected:
    BOOL OnInitDialog() override {
        const BOOL result = CWatchDlg::OnInitDialog();
        PostMessage(WM_APP + 1);
        return result;
    }
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message != WM_APP + 1) {
            return CWatchDlg::WindowProc(message, wParam, lParam);
        }
        if (m_next == steps.size()) {
            EndDialog(-1);
        } else {
            steps[m_next++](*this);
            PostMessage(WM_APP + 1);
        }
        return 0;
    }
    std::size_t m_next = 0;
};

using WatchDlgTest = TimeSettingDlgTest; // with no main window

TEST_F(WatchDlgTest, RefusesAValueOutOfRangeThenArmsTheChosenCondition) {
    HookedWatch dlg(false, L"", {});
    dlg.steps = {
        [](HookedWatch& d) {
            EXPECT_EQ(d.Text(IDC_WATCH_KBPS) + d.Text(IDC_WATCH_KBPS_RANGE), L"50(1-100000)");
            EXPECT_FALSE(d.On(IDC_WATCH_HIBERNATE));
            EXPECT_EQ(d.Text(IDC_WATCH_HIBERNATE_NOTE), L"この PC は休止状態にできません。");
            EXPECT_FALSE(::GetWindowLongW(d.GetDlgItem(IDC_WATCH_REPLACES), GWL_STYLE) &
                         WS_VISIBLE);
            d.Click(IDC_WATCH_QUIET);
            EXPECT_FALSE(d.On(IDC_WATCH_PROGRAM) || d.On(IDC_WATCH_IDLE_MINUTES));
            EXPECT_TRUE(d.On(IDC_WATCH_KBPS) && d.On(IDC_WATCH_QUIET_MINUTES));
            d.Type(IDC_WATCH_QUIET_MINUTES, L"121");
            d.Click(IDOK);
            EXPECT_EQ(d.Text(IDC_WATCH_REFUSAL), L"分は 1 から 120 までです。");
            EXPECT_EQ(::GetFocus(), d.GetDlgItem(IDC_WATCH_QUIET_MINUTES));
        },
        [](HookedWatch& d) { // still open
            d.Type(IDC_WATCH_QUIET_MINUTES, L"7");
            d.Click(IDC_WATCH_STANDBY);
            d.Click(IDC_WATCH_HOLD_AWAKE);
            d.Click(IDOK);
        }};
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(dlg.calls, (std::vector<Call>{{{WatchKind::NetworkQuiet, L"", 50, 7}, 2, false}}));
}

TEST_F(WatchDlgTest, TakesAProgramFromTheListAndShowsWhyArmingWasRefused) {
    HookedWatch dlg(
        true, L"a.exe の終了後 ロック",
        {{L"notepad.exe", L"a_file_name_long_enough_not_to_fit_in_the_box_as_it_is.txt - Notepad"},
         {L"render.exe", L"Render"}});
    dlg.answer = L"notepad.exe は実行されていません。";
    dlg.steps = {[](HookedWatch& d) {
                     EXPECT_EQ(d.Text(IDC_WATCH_REPLACES),
                               L"現在の条件（a.exe の終了後 ロック）は置き換えられます。");
                     d.Click(IDOK);
                     EXPECT_EQ(d.Text(IDC_WATCH_REFUSAL), L"プログラム名を入力してください。");
                     EXPECT_EQ(::GetParent(::GetFocus()), d.GetDlgItem(IDC_WATCH_PROGRAM));
                     ::PostMessageW(::GetFocus(), WM_KEYDOWN, VK_DOWN, 0);
                 },
                 [](HookedWatch&) {}, // the chosen row's name is put in after the key
                 [](HookedWatch& d) {
                     const HWND box = d.GetDlgItem(IDC_WATCH_PROGRAM);
                     RECT shown{};
                     ::GetWindowRect(box, &shown); // the list is wider, to show the long title
                     EXPECT_GT(::SendMessageW(box, CB_GETDROPPEDWIDTH, 0, 0),
                               shown.right - shown.left);
                     EXPECT_EQ(d.Text(IDC_WATCH_PROGRAM), L"notepad.exe");
                     d.Click(IDOK);
                     EXPECT_EQ(d.Text(IDC_WATCH_REFUSAL), d.answer);
                 },
                 [](HookedWatch& d) {         // still open
                     d.Click(IDC_WATCH_EXIT); // a refusal goes with a choice of condition
                     EXPECT_EQ(d.Text(IDC_WATCH_REFUSAL), L"");
                     d.answer.clear();
                     d.Type(IDC_WATCH_PROGRAM, L"render.exe — Render");
                     d.Click(IDOK);
                 }};
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(dlg.calls, (std::vector<Call>{{{WatchKind::ProgramExit, L"notepad.exe"}, 0, true},
                                            {{WatchKind::ProgramExit, L"render.exe"}, 0, true}}));
}

TEST(RunningPrograms, OneRowPerProgramSortedByNameNotThisOne) {
    const HWND mine = ::CreateWindowW(L"STATIC", L"mine", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50,
                                      nullptr, nullptr, nullptr, nullptr);
    std::vector<PROCESS_INFORMATION> started;
    for (const wchar_t* program :
         {L"notepad.exe", L"notepad.exe", L"regedit.exe", L"winemine.exe"}) {
        STARTUPINFOW si{};
        si.cb = sizeof si, si.dwFlags = STARTF_USESHOWWINDOW;
        si.wShowWindow = started.size() < 3 ? SW_SHOW : SW_HIDE; // winemine hidden
        ::CreateProcessW(nullptr, std::wstring(program).data(), nullptr, nullptr, FALSE, 0, nullptr,
                         nullptr, &si, &started.emplace_back());
        ::WaitForInputIdle(started.back().hProcess, 10000); // its windows made, shown or not
    }
    std::wstring names; // all but the desktop's
    for (int i = 0; i < 100 && names != L"notepad.exe|regedit.exe|"; ++i, ::Sleep(100)) {
        names.clear();
        for (const RunningProgram& program : ListRunningPrograms()) {
            names += program.name == L"explorer.exe" ? L"" : program.name + L"|";
        }
    }
    EXPECT_EQ(names, L"notepad.exe|regedit.exe|");
    for (const PROCESS_INFORMATION& pi : started) {
        ::TerminateProcess(pi.hProcess, 0), ::CloseHandle(pi.hThread), ::CloseHandle(pi.hProcess);
    }
    ::DestroyWindow(mine);
}

} // namespace
