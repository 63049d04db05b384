// Behaviour of the framework's dialogs with real windows (run on Xvfb).
#include "ProbeDlg.h"
#include "TestDialogs.h"

#include "framework/Text.h"
#include "framework/WinApp.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstdlib>

// The test program's application object: it holds the registered main window.
CWinApp theApp;

namespace {

const std::string kZone = "\x83\x5D\x81\x5B\x83\x93"; // ゾーン in CP932

// Registers a main window for one test and clears it afterwards.
class MainWindowScope {
public:
    explicit MainWindowScope(CWnd* wnd) { AfxGetApp()->m_pMainWnd = wnd; }
    ~MainWindowScope() { AfxGetApp()->m_pMainWnd = nullptr; }
};

RECT WindowRect(HWND hWnd) {
    RECT rc{};
    ::GetWindowRect(hWnd, &rc);
    return rc;
}

POINT Centre(const RECT& rc) {
    return {(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
}

RECT PrimaryWorkArea() {
    RECT rc{};
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &rc, 0);
    return rc;
}

void ExpectNear(POINT a, POINT b) {
    EXPECT_LE(std::abs(a.x - b.x), 1) << a.x << " vs " << b.x;
    EXPECT_LE(std::abs(a.y - b.y), 1) << a.y << " vs " << b.y;
}

bool IsChecked(HWND dlg, int id) {
    return ::SendMessageW(::GetDlgItem(dlg, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

class DialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(AfxGetApp(), nullptr);
        AfxGetApp()->m_pMainWnd = nullptr;
        AfxEnableControlContainer();
    }
};

TEST_F(DialogTest, RadioGroupExchangeReadsAndWritesByIndex) {
    ProbeDlg dlg(IDD_TEST_PLAIN);
    int radio = 1;
    int check = 0;
    dlg.exchange = [&](CDataExchange* pDX) {
        DDX_Radio(pDX, IDC_TEST_RADIO_A, radio);
        DDX_Check(pDX, IDC_TEST_CHECK, check);
    };
    dlg.onRun = [&](ProbeDlg& d) {
        HWND h = d.m_hWnd;
        // The initial exchange selected B: the label inside the group is skipped.
        EXPECT_FALSE(IsChecked(h, IDC_TEST_RADIO_A));
        EXPECT_TRUE(IsChecked(h, IDC_TEST_RADIO_B));
        EXPECT_FALSE(IsChecked(h, IDC_TEST_RADIO_C));

        // The group ends at the next WS_GROUP control: D is not part of it.
        ::SendMessageW(::GetDlgItem(h, IDC_TEST_RADIO_D), BM_SETCHECK, BST_CHECKED, 0);
        radio = 2;
        EXPECT_TRUE(d.UpdateData(FALSE));
        EXPECT_FALSE(IsChecked(h, IDC_TEST_RADIO_B));
        EXPECT_TRUE(IsChecked(h, IDC_TEST_RADIO_C));
        EXPECT_TRUE(IsChecked(h, IDC_TEST_RADIO_D));
        radio = 99;
        EXPECT_TRUE(d.UpdateData(TRUE));
        EXPECT_EQ(radio, 2);

        // An index outside the group clears every button; reading gives -1.
        for (int outside : {3, -1, 42}) {
            radio = outside;
            EXPECT_TRUE(d.UpdateData(FALSE));
            EXPECT_FALSE(IsChecked(h, IDC_TEST_RADIO_A));
            EXPECT_FALSE(IsChecked(h, IDC_TEST_RADIO_B));
            EXPECT_FALSE(IsChecked(h, IDC_TEST_RADIO_C));
            radio = 7;
            EXPECT_TRUE(d.UpdateData(TRUE));
            EXPECT_EQ(radio, -1);
        }
        radio = 0;
        EXPECT_TRUE(d.UpdateData(FALSE));
        EXPECT_TRUE(IsChecked(h, IDC_TEST_RADIO_A));
        EXPECT_TRUE(d.UpdateData(TRUE));
        EXPECT_EQ(radio, 0);
        EXPECT_TRUE(IsChecked(h, IDC_TEST_RADIO_D)); // untouched throughout

        // Check box: any non-zero value ticks it; reading gives 0 or 1.
        check = 7;
        EXPECT_TRUE(d.UpdateData(FALSE));
        EXPECT_TRUE(IsChecked(h, IDC_TEST_CHECK));
        check = 5;
        EXPECT_TRUE(d.UpdateData(TRUE));
        EXPECT_EQ(check, 1);
        ::SendMessageW(::GetDlgItem(h, IDC_TEST_CHECK), BM_SETCHECK, BST_UNCHECKED, 0);
        EXPECT_TRUE(d.UpdateData(TRUE));
        EXPECT_EQ(check, 0);

        // OK reads the controls back before ending.
        ::SendMessageW(::GetDlgItem(h, IDC_TEST_RADIO_C), BM_CLICK, 0, 0);
        ::SendMessageW(::GetDlgItem(h, IDC_TEST_CHECK), BM_CLICK, 0, 0);
        d.SendMessage(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                      reinterpret_cast<LPARAM>(::GetDlgItem(h, IDOK)));
    };
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(radio, 2);
    EXPECT_EQ(check, 1);
    EXPECT_EQ(dlg.m_hWnd, nullptr);
}

TEST_F(DialogTest, ControlBindingAndFailedExchange) {
    ProbeDlg dlg(IDD_TEST_PLAIN);
    CEdit edit;
    CListBox list;
    CButton extra;
    bool bindMissing = false;
    dlg.exchange = [&](CDataExchange* pDX) {
        DDX_Control(pDX, IDC_TEST_EDIT, edit);
        DDX_Control(pDX, IDC_TEST_LIST, list);
        if (bindMissing) {
            DDX_Control(pDX, 4242, extra);
        }
    };
    dlg.onRun = [&](ProbeDlg& d) {
        EXPECT_EQ(edit.m_hWnd, d.GetDlgItem(IDC_TEST_EDIT));
        EXPECT_EQ(list.m_hWnd, d.GetDlgItem(IDC_TEST_LIST));

        // Text crosses the boundary as CP932 bytes.
        edit.SetWindowText(kZone);
        EXPECT_EQ(edit.GetWindowText(), kZone);
        EXPECT_EQ(d.GetDlgItemText(IDC_TEST_EDIT), kZone);
        wchar_t wide[16] = {};
        ::GetWindowTextW(edit.m_hWnd, wide, 16);
        EXPECT_STREQ(wide, L"\u30BE\u30FC\u30F3");

        EXPECT_EQ(list.GetCurSel(), LB_ERR);
        EXPECT_EQ(list.AddString("b"), 0);
        EXPECT_EQ(list.AddString(kZone), 1); // unsorted: appended
        EXPECT_EQ(list.GetCount(), 2);
        EXPECT_EQ(list.GetText(1), kZone);
        EXPECT_EQ(list.GetText(5), "");
        list.SetCurSel(1);
        EXPECT_EQ(list.GetCurSel(), 1);
        list.SetCurSel(-1);
        EXPECT_EQ(list.GetCurSel(), LB_ERR);

        // A control that does not exist fails the exchange, and OK stays open.
        bindMissing = true;
        EXPECT_FALSE(d.UpdateData(TRUE));
        d.SendMessage(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        EXPECT_TRUE(::IsWindow(d.m_hWnd));
        d.EndDialog(9);
    };
    EXPECT_EQ(dlg.DoModal(), 9);
}

TEST_F(DialogTest, EndingRoutesAndResults) {
    // IDCANCEL command, the close box (WM_CLOSE) and Esc all cancel without
    // reading the controls.
    for (int way = 0; way < 3; ++way) {
        ProbeDlg dlg(IDD_TEST_PLAIN);
        int radio = 1;
        dlg.exchange = [&](CDataExchange* pDX) { DDX_Radio(pDX, IDC_TEST_RADIO_A, radio); };
        dlg.onRun = [&](ProbeDlg& d) {
            ::SendMessageW(d.GetDlgItem(IDC_TEST_RADIO_C), BM_CLICK, 0, 0);
            if (way == 0) {
                d.SendMessage(WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
            } else if (way == 1) {
                d.SendMessage(WM_CLOSE);
            } else {
                HWND focus = d.GetDlgItem(IDC_TEST_EDIT);
                ::SetFocus(focus);
                ::PostMessageW(focus, WM_KEYDOWN, VK_ESCAPE, 0);
            }
        };
        EXPECT_EQ(dlg.DoModal(), IDCANCEL) << way;
        EXPECT_EQ(radio, 1) << way;
    }

    // Enter in an edit reaches OnOK.
    {
        ProbeDlg dlg(IDD_TEST_PLAIN);
        dlg.onRun = [](ProbeDlg& d) {
            HWND focus = d.GetDlgItem(IDC_TEST_EDIT);
            ::SetFocus(focus);
            ::PostMessageW(focus, WM_KEYDOWN, VK_RETURN, 0);
        };
        EXPECT_EQ(dlg.DoModal(), IDOK);
    }

    // EndDialog inside OnInitDialog ends before the loop; the value is returned.
    {
        ProbeDlg dlg(IDD_TEST_PLAIN);
        dlg.onInit = [](ProbeDlg& d) { d.EndDialog(31); };
        EXPECT_EQ(dlg.DoModal(), 31);
        EXPECT_EQ(dlg.m_hWnd, nullptr);
    }

    // No such template: -1, and a registered main window is left enabled.
    {
        ProbeDlg mainDlg(IDD_TEST_PLAIN);
        MainWindowScope scope(&mainDlg);
        mainDlg.onRun = [](ProbeDlg& m) {
            ProbeDlg missing(IDD_TEST_MISSING);
            EXPECT_EQ(missing.DoModal(), -1);
            EXPECT_TRUE(m.IsWindowEnabled());
            m.EndDialog(IDOK);
        };
        EXPECT_EQ(mainDlg.DoModal(), IDOK);
    }
}

TEST_F(DialogTest, MainWindowOwnsDialogsAndIsDisabledWhileTheyRun) {
    ProbeDlg mainDlg(IDD_TEST_PLAIN);
    MainWindowScope scope(&mainDlg);
    HWND innerHwnd = nullptr;
    HWND innermostOwner = nullptr;
    bool mainEnabledInInnermost = true;
    bool innerEnabledInInnermost = true;
    mainDlg.onInit = [](ProbeDlg& m) {
        // The main window itself, run while registered, has no owner.
        EXPECT_EQ(m.GetOwner(), nullptr);
    };
    mainDlg.onRun = [&](ProbeDlg& m) {
        EXPECT_TRUE(m.IsWindowEnabled());
        m.ShowWindow(SW_SHOW);
        ProbeDlg inner(IDD_TEST_PLAIN);
        inner.onRun = [&](ProbeDlg& in) {
            innerHwnd = in.m_hWnd;
            EXPECT_EQ(in.GetOwner(), m.m_hWnd);
            EXPECT_FALSE(m.IsWindowEnabled());
            in.ShowWindow(SW_SHOW);
            in.SetActiveWindow();
            // A dialog run over the inner one is owned by the main window's
            // last active popup: the inner dialog, which it disables.
            ProbeDlg innermost(IDD_TEST_PLAIN);
            innermost.onRun = [&](ProbeDlg& x) {
                innermostOwner = x.GetOwner();
                mainEnabledInInnermost = m.IsWindowEnabled();
                innerEnabledInInnermost = in.IsWindowEnabled();
                x.EndDialog(IDCANCEL);
            };
            EXPECT_EQ(innermost.DoModal(), IDCANCEL);
            EXPECT_TRUE(in.IsWindowEnabled());
            EXPECT_FALSE(m.IsWindowEnabled());
            in.EndDialog(5);
        };
        EXPECT_EQ(inner.DoModal(), 5);
        EXPECT_TRUE(m.IsWindowEnabled());
        EXPECT_FALSE(::IsWindow(innerHwnd));
        m.EndDialog(IDOK);
    };
    EXPECT_EQ(mainDlg.DoModal(), IDOK);
    EXPECT_EQ(innermostOwner, innerHwnd);
    EXPECT_FALSE(mainEnabledInInnermost);
    EXPECT_FALSE(innerEnabledInInnermost);
}

TEST_F(DialogTest, WithoutMainWindowThereIsNoOwner) {
    ProbeDlg dlg(IDD_TEST_PLAIN);
    HWND owner = reinterpret_cast<HWND>(1);
    dlg.onRun = [&](ProbeDlg& d) {
        owner = d.GetOwner();
        d.EndDialog(IDOK);
    };
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(owner, nullptr);
}

TEST_F(DialogTest, OwnerKeepsGettingTimersDuringModalRun) {
    ProbeDlg mainDlg(IDD_TEST_PLAIN);
    MainWindowScope scope(&mainDlg);
    std::size_t mainTicksDuringInner = 0;
    std::vector<UINT_PTR> innerTimers;
    mainDlg.onRun = [&](ProbeDlg& m) {
        m.SetTimer(11, 20);
        ProbeDlg inner(IDD_TEST_PLAIN);
        inner.onRun = [](ProbeDlg& in) { in.SetTimer(12, 400); };
        inner.onTimer = [](ProbeDlg& in, UINT_PTR id) {
            if (id == 12) {
                in.KillTimer(12);
                in.EndDialog(IDOK);
            }
        };
        const std::size_t before = m.timers.size();
        EXPECT_EQ(inner.DoModal(), IDOK);
        mainTicksDuringInner = m.timers.size() - before;
        innerTimers = inner.timers;
        m.KillTimer(11);
        m.EndDialog(IDOK);
    };
    EXPECT_EQ(mainDlg.DoModal(), IDOK);
    EXPECT_GE(mainTicksDuringInner, 3u);
    for (UINT_PTR id : mainDlg.timers) {
        EXPECT_NE(id, 12u); // timers belong to their window
    }
    for (UINT_PTR id : innerTimers) {
        EXPECT_NE(id, 11u);
    }
}

TEST_F(DialogTest, MessageTableDispatch) {
    ProbeDlg dlg(IDD_TEST_PLAIN);
    LRESULT notifyResult = 0;
    LRESULT otherNotifyResult = -1;
    LRESULT registeredResult = 0;
    dlg.onRun = [&](ProbeDlg& d) {
        HWND edit = d.GetDlgItem(IDC_TEST_EDIT);
        // A menu command (no control window) by id.
        d.SendMessage(WM_COMMAND, MAKEWPARAM(ProbeDlg::kMenuCommand, 0), 0);
        // A real focus change makes the edit send EN_KILLFOCUS.
        ::SetFocus(edit);
        ::SetFocus(d.GetDlgItem(IDC_TEST_CHECK));
        // A click on the check box sends BN_CLICKED.
        ::SendMessageW(d.GetDlgItem(IDC_TEST_CHECK), BM_CLICK, 0, 0);
        // The same code from another control is not the entry's.
        d.SendMessage(WM_COMMAND, MAKEWPARAM(IDC_TEST_LIST, EN_KILLFOCUS),
                      reinterpret_cast<LPARAM>(d.GetDlgItem(IDC_TEST_LIST)));
        // WM_NOTIFY by code and id; the handler's result is the message's.
        NMUPDOWN nm{};
        nm.hdr.hwndFrom = d.GetDlgItem(IDC_TEST_LIST);
        nm.hdr.idFrom = IDC_TEST_LIST;
        nm.hdr.code = UDN_DELTAPOS;
        nm.iDelta = -1;
        notifyResult = d.SendMessage(WM_NOTIFY, IDC_TEST_LIST, reinterpret_cast<LPARAM>(&nm));
        nm.hdr.code = NM_CLICK;
        otherNotifyResult = d.SendMessage(WM_NOTIFY, IDC_TEST_LIST, reinterpret_cast<LPARAM>(&nm));
        // WM_TIMER with its id.
        d.SendMessage(WM_TIMER, 4321, 0);
        // A registered message by the window's own id for it, with the
        // handler's result; a failed registration (0) never takes WM_NULL.
        registeredResult = d.SendMessage(d.registered, 1);
        d.registered = 0;
        d.SendMessage(WM_NULL, 2);
        d.EndDialog(IDOK);
    };
    EXPECT_EQ(dlg.DoModal(), IDOK);
    const std::vector<std::string> expected = {
        "menu", "killfocus", "clicked", "notify " + std::to_string(IDC_TEST_LIST), "registered 1"};
    EXPECT_EQ(registeredResult, 5);
    EXPECT_EQ(dlg.log, expected);
    EXPECT_EQ(notifyResult, 77);
    EXPECT_EQ(otherNotifyResult, 0);
    ASSERT_FALSE(dlg.timers.empty());
    EXPECT_EQ(dlg.timers.front(), 4321u);
}

// A derived table entry wins over the base class's: here IDOK.
class OwnOkDlg : public ProbeDlg {
public:
    OwnOkDlg() : ProbeDlg(IDD_TEST_PLAIN) {}
    static const MessageMap* GetThisMessageMap() {
        static constexpr MessageMapEntry entries[] = {
            OnCommand<IDOK, &OwnOkDlg::OnOwnOk>(),
        };
        static constexpr MessageMap map{&ProbeDlg::GetThisMessageMap, entries};
        return &map;
    }
    const MessageMap* GetMessageMap() const override { return GetThisMessageMap(); }

private:
    void OnOwnOk() { EndDialog(55); }
};

// OnOK overridden as a virtual: the IDOK command reaches it.
class VirtualOkDlg : public ProbeDlg {
public:
    VirtualOkDlg() : ProbeDlg(IDD_TEST_PLAIN) {}
    int okCalls = 0;

protected:
    void OnOK() override { ++okCalls; }
};

TEST_F(DialogTest, DerivedEntriesAndVirtualRoutes) {
    OwnOkDlg own;
    own.onRun = [](ProbeDlg& d) { d.SendMessage(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0); };
    EXPECT_EQ(own.DoModal(), 55);

    VirtualOkDlg virt;
    virt.onRun = [&](ProbeDlg& d) {
        d.SendMessage(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        d.SendMessage(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        EXPECT_TRUE(::IsWindow(d.m_hWnd));
        // Base OK processing, called directly, ends the run.
        d.ProbeDlg::OnOK();
    };
    EXPECT_EQ(virt.DoModal(), IDOK);
    EXPECT_EQ(virt.okCalls, 2);
}

TEST_F(DialogTest, CentringRule) {
    const RECT work = PrimaryWorkArea();

    // No owner, template at 0,0: centred on the work area.
    {
        ProbeDlg dlg(IDD_TEST_PLAIN);
        RECT rc{};
        dlg.onRun = [&](ProbeDlg& d) {
            rc = WindowRect(d.m_hWnd);
            d.EndDialog(IDOK);
        };
        dlg.DoModal();
        ExpectNear(Centre(rc), Centre(work));
    }

    // A template placed elsewhere is not moved.
    {
        ProbeDlg dlg(IDD_TEST_PLACED);
        RECT atInit{};
        RECT running{};
        dlg.onInit = [&](ProbeDlg& d) { atInit = WindowRect(d.m_hWnd); };
        dlg.onRun = [&](ProbeDlg& d) {
            running = WindowRect(d.m_hWnd);
            d.EndDialog(IDOK);
        };
        dlg.DoModal();
        EXPECT_TRUE(::EqualRect(&atInit, &running));
        EXPECT_GT(running.left, 0);
    }

    // Moved or shown during OnInitDialog: left where it is.
    for (bool show : {false, true}) {
        ProbeDlg dlg(IDD_TEST_PLAIN);
        RECT atInit{};
        RECT running{};
        dlg.onInit = [&](ProbeDlg& d) {
            if (show) {
                d.ShowWindow(SW_SHOWNA);
            } else {
                d.SetWindowPos(nullptr, 13, 17, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            }
            atInit = WindowRect(d.m_hWnd);
        };
        dlg.onRun = [&](ProbeDlg& d) {
            running = WindowRect(d.m_hWnd);
            d.EndDialog(IDOK);
        };
        dlg.DoModal();
        EXPECT_TRUE(::EqualRect(&atInit, &running)) << show;
        if (!show) {
            EXPECT_EQ(running.left, 13);
            EXPECT_EQ(running.top, 17);
        }
    }

    // Over a visible owner: centred over it; over a hidden one: on the work area.
    for (bool ownerVisible : {true, false}) {
        ProbeDlg mainDlg(IDD_TEST_PLAIN);
        MainWindowScope scope(&mainDlg);
        RECT ownerRect{};
        RECT innerRect{};
        mainDlg.onRun = [&](ProbeDlg& m) {
            m.SetWindowPos(nullptr, 60, 50, 500, 400, SWP_NOZORDER | SWP_NOACTIVATE);
            m.ShowWindow(ownerVisible ? SW_SHOW : SW_HIDE);
            ownerRect = WindowRect(m.m_hWnd);
            ProbeDlg inner(IDD_TEST_PLAIN);
            inner.onRun = [&](ProbeDlg& in) {
                innerRect = WindowRect(in.m_hWnd);
                in.EndDialog(IDOK);
            };
            inner.DoModal();
            m.EndDialog(IDOK);
        };
        mainDlg.DoModal();
        ExpectNear(Centre(innerRect), ownerVisible ? Centre(ownerRect) : Centre(work));
    }
}

} // namespace
