// 条件で実行 with real windows: what it refuses and says, what it arms, and
// the running programs it offers.
#include "framework/WinApp.h"
#include "ui/WatchDlg.h"
#include "ui/res/resource.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

// Runs each step in turn once the messages the one before posted are handled;
// ends the run with -1 when the steps leave the dialog open.
class HookedWatch : public CWatchDlg {
public:
    using CWatchDlg::CWatchDlg;
    std::vector<std::function<void(HookedWatch&)>> steps;

    static const MessageMap* GetThisMessageMap() {
        static constexpr MessageMapEntry entries[] = {
            OnMessage<WM_APP + 1, &HookedWatch::OnStep>()};
        static constexpr MessageMap map{&CWatchDlg::GetThisMessageMap, entries};
        return &map;
    }
    const MessageMap* GetMessageMap() const override { return GetThisMessageMap(); }

    std::wstring Text(int id) const {
        wchar_t text[200] = {};
        ::GetDlgItemTextW(m_hWnd, id, text, 200);
        return text;
    }
    bool On(int id) const { return ::IsWindowEnabled(GetDlgItem(id)) != FALSE; }
    void Click(int id) const { ::SendMessageW(GetDlgItem(id), BM_CLICK, 0, 0); }
    void Type(int id, const wchar_t* text) const { ::SetDlgItemTextW(m_hWnd, id, text); }

protected:
    BOOL OnInitDialog() override {
        const BOOL result = CWatchDlg::OnInitDialog();
        PostMessage(WM_APP + 1);
        return result;
    }

private:
    std::size_t m_next = 0;
    LRESULT OnStep(WPARAM, LPARAM) {
        if (m_next == steps.size()) {
            EndDialog(-1); // the steps are done and the dialog is still open
        } else {
            steps[m_next++](*this);
            PostMessage(WM_APP + 1);
        }
        return 0;
    }
};

struct Armed {
    WatchSpec spec;
    std::int32_t mode = -1;
    bool hold = false;
    int calls = 0;
    std::wstring answer;
    ArmWatch Arm() {
        return [this](const WatchSpec& s, std::int32_t m, bool h) {
            spec = s, mode = m, hold = h, ++calls;
            return answer;
        };
    }
};

TEST(WatchDlg, RefusesAValueOutOfRangeThenArmsTheChosenCondition) {
    AfxGetApp()->m_pMainWnd = nullptr;
    Armed armed;
    HookedWatch dlg(armed.Arm(), false, L"", {});
    dlg.steps = {
        [&](HookedWatch& d) {
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
            EXPECT_EQ(armed.calls, 0);
        },
        [&](HookedWatch& d) { // still open
            d.Type(IDC_WATCH_QUIET_MINUTES, L"7");
            d.Click(IDC_WATCH_STANDBY);
            d.Click(IDC_WATCH_HOLD_AWAKE);
            d.Click(IDOK);
        }};
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(armed.calls, 1);
    EXPECT_EQ(armed.spec, (WatchSpec{WatchKind::NetworkQuiet, L"", 50, 7}));
    EXPECT_EQ(armed.mode, 2);
    EXPECT_FALSE(armed.hold);
}

TEST(WatchDlg, TakesAProgramFromTheListAndShowsWhyArmingWasRefused) {
    AfxGetApp()->m_pMainWnd = nullptr;
    Armed armed;
    armed.answer = L"notepad.exe は実行されていません。";
    HookedWatch dlg(armed.Arm(), true, L"操作なしが 10 分続いた後 ロック",
                    {{L"notepad.exe", L"メモ"}, {L"render.exe", L"Render"}});
    dlg.steps = {[&](HookedWatch& d) {
                     EXPECT_EQ(
                         d.Text(IDC_WATCH_REPLACES),
                         L"現在の条件（操作なしが 10 分続いた後 ロック）は置き換えられます。");
                     d.Click(IDOK);
                     EXPECT_EQ(d.Text(IDC_WATCH_REFUSAL), L"プログラム名を入力してください。");
                     EXPECT_EQ(::GetParent(::GetFocus()), d.GetDlgItem(IDC_WATCH_PROGRAM));
                     ::PostMessageW(::GetFocus(), WM_KEYDOWN, VK_DOWN, 0);
                 },
                 [](HookedWatch&) {}, // the chosen row's name is put in after the key
                 [&](HookedWatch& d) {
                     EXPECT_EQ(d.Text(IDC_WATCH_PROGRAM), L"notepad.exe");
                     d.Click(IDOK);
                     EXPECT_EQ(d.Text(IDC_WATCH_REFUSAL), armed.answer);
                 },
                 [&](HookedWatch& d) { // still open
                     armed.answer.clear();
                     d.Type(IDC_WATCH_PROGRAM, L"render.exe — Render");
                     d.Click(IDOK);
                 }};
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(armed.calls, 2);
    EXPECT_EQ(armed.spec, (WatchSpec{WatchKind::ProgramExit, L"render.exe"}));
    EXPECT_EQ(armed.mode, 0);
    EXPECT_TRUE(armed.hold);
}

// Ends a started program however the test goes.
struct Started {
    PROCESS_INFORMATION pi{};
    explicit Started(std::wstring command, WORD show = SW_SHOWNORMAL) {
        STARTUPINFOW si{};
        si.cb = sizeof si;
        si.dwFlags = STARTF_USESHOWWINDOW;
        si.wShowWindow = show;
        ::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                         &pi);
        ::WaitForInputIdle(pi.hProcess, 10000);
    }
    ~Started() {
        ::TerminateProcess(pi.hProcess, 0);
        ::CloseHandle(pi.hThread);
        ::CloseHandle(pi.hProcess);
    }
};

TEST(RunningPrograms, OneRowPerProgramSortedByNameNotThisOne) {
    const HWND mine = ::CreateWindowW(L"STATIC", L"mine", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50,
                                      nullptr, nullptr, nullptr, nullptr);
    const Started notepad1(L"notepad.exe"), notepad2(L"notepad.exe"), regedit(L"regedit.exe"),
        hidden(L"winemine.exe", SW_HIDE);
    std::wstring names;
    for (int i = 0; i < 100 && names != L"notepad.exe|regedit.exe|"; ++i, ::Sleep(100)) {
        names.clear();
        for (const RunningProgram& program : ListRunningPrograms()) {
            EXPECT_FALSE(program.title.empty());
            EXPECT_NE(program.title, L"mine");
            if (program.name != L"explorer.exe") {
                names += program.name + L"|";
            }
        }
    }
    EXPECT_EQ(names, L"notepad.exe|regedit.exe|");
    ::DestroyWindow(mine);
}

} // namespace
