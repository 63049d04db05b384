#include "ui/QuillabertonDlg.h"

#include "framework/PaintDC.h"
#include "platform/SystemText.h"
#include "framework/Text.h"
#include "framework/WinApp.h"
#include "resource.h"
#include "schedule/EndMode.h"
#include "platform/DiskSettings.h"
#include "ui/AboutDlg.h"
#include "ui/DetailSettingDlg.h"
#include "ui/EndNoticeDlg.h"
#include "ui/TimeSettingDlg.h"
#include "ui/NextDueText.h"
#include "ui/TrayMenu.h"
#include "schedule/CivilTime.h"
#include "schedule/RuleText.h"

#include <commctrl.h>

#include <algorithm>
#include <ctime>
#include <exception>
#include <vector>

namespace {

constexpr wchar_t kCaption[] = L"Quillaberton";
// Most characters of a name the list shows: as many as the editor takes. Only
// a hand-made file holds longer names; they keep their bytes but show cut.
constexpr std::size_t kShownNameChars = 32767;

// The settings file's full path, as the user would look for it.
std::wstring FullPath(const std::string& path) {
    const std::wstring name = Cp932ToWide(path);
    return FullPathName(name).value_or(name);
}

} // namespace

CQuillabertonDlg::CQuillabertonDlg(CWnd* pParent, CTrayIcon::Notify notify)
    : CDialog(IDD_QUILLABERTON_DIALOG, pParent),
      m_hIcon(static_cast<HICON>(
          ::LoadImageW(AfxGetResourceHandle(), MAKEINTRESOURCEW(IDR_MAINFRAME), IMAGE_ICON,
                       ::GetSystemMetrics(SM_CXICON), ::GetSystemMetrics(SM_CYICON), LR_SHARED))),
      m_hSmallIcon(static_cast<HICON>(::LoadImageW(
          AfxGetResourceHandle(), MAKEINTRESOURCEW(IDR_MAINFRAME), IMAGE_ICON,
          ::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON), LR_SHARED))),
      m_tray(std::move(notify)), m_uTaskbarCreated(::RegisterWindowMessageW(L"TaskbarCreated")) {}

UINT CQuillabertonDlg::ShowMessage() {
    return ::RegisterWindowMessageW(L"Quillaberton.Show");
}

CQuillabertonDlg::~CQuillabertonDlg() = default;

const MessageMap* CQuillabertonDlg::GetThisMessageMap() {
    static constexpr MessageMapEntry entries[] = {
        OnMessage<WM_SYSCOMMAND, &CQuillabertonDlg::OnSysCommand>(),
        OnMessage<WM_PAINT, &CQuillabertonDlg::OnPaint>(),
        OnMessage<WM_QUERYDRAGICON, &CQuillabertonDlg::OnQueryDragIcon>(),
        OnCommand<ID_EXIT_PROGRAM, &CQuillabertonDlg::OnExitProgram>(),
        OnMessage<WM_CLOSE, &CQuillabertonDlg::OnClose>(),
        OnMessage<WM_TIMER, &CQuillabertonDlg::OnTimer>(),
        OnCommand<ID_STORE_TASKTRAY, &CQuillabertonDlg::OnCancel>(),
        OnCommand<ID_VERSION_INFO, &CQuillabertonDlg::OnVersionInfo>(),
        OnCommand<IDC_ADD_ENTRY, &CQuillabertonDlg::OnAddEntry>(),
        OnControl<LBN_SELCHANGE, IDC_SCHEDULE_LIST, &CQuillabertonDlg::UpdateRule>(),
        OnCommand<IDC_EDIT_ENTRY, &CQuillabertonDlg::OnEditEntry>(),
        OnCommand<IDC_DELETE_ENTRY, &CQuillabertonDlg::OnDeleteEntry>(),
        OnCommand<ID_ADD_ENTRY, &CQuillabertonDlg::OnAddEntry>(),
        OnCommand<ID_DELETE_ENTRY, &CQuillabertonDlg::OnDeleteEntry>(),
        OnCommand<ID_EDIT_ENTRY, &CQuillabertonDlg::OnEditEntry>(),
        OnMessage<WM_WINDOWPOSCHANGING, &CQuillabertonDlg::OnWindowPosChanging>(),
        OnCommand<IDC_DETAIL_SETTING, &CQuillabertonDlg::OnDetailSetting>(),
        OnCommand<ID_DETAIL_SETTING, &CQuillabertonDlg::OnDetailSetting>(),
        OnNotify<UDN_DELTAPOS, IDC_SPIN, &CQuillabertonDlg::OnDeltaposSpin>(),
        OnMessage<WM_TIMECHANGE, &CQuillabertonDlg::OnTimeChange>(),
        OnMessage<WM_POWERBROADCAST, &CQuillabertonDlg::OnPowerBroadcast>(),
    };
    static constexpr MessageMap map{&CDialog::GetThisMessageMap, entries};
    return &map;
}

void CQuillabertonDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_SCHEDULE_LIST, m_lstSchedule);
    DDX_Control(pDX, IDC_CLOCK, m_stClock);
    DDX_Control(pDX, IDC_NEXT_DUE, m_stNextDue);
    DDX_Control(pDX, IDC_RULE, m_stRule);
}

BOOL CQuillabertonDlg::OnInitDialog() {
    CDialog::OnInitDialog();

    // "ﾊﾞｰｼﾞｮﾝ情報" at the end of the system menu.
    if (HMENU sysMenu = GetSystemMenu(FALSE)) {
        const wchar_t* text = nullptr;
        const int len =
            ::LoadStringW(AfxGetResourceHandle(), IDS_ABOUTBOX, reinterpret_cast<LPWSTR>(&text), 0);
        if (len > 0 && text != nullptr) {
            const std::wstring about(text, static_cast<std::size_t>(len));
            ::AppendMenuW(sysMenu, MF_SEPARATOR, 0, nullptr);
            ::AppendMenuW(sysMenu, MF_STRING, IDM_ABOUTBOX, about.c_str());
        }
    }

    SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hSmallIcon));
    ::SetPropW(m_hWnd, kInstanceProp, m_hWnd);
    // Run as administrator, the window would not hear these from the shell
    // or a second start, which run without: the icon would not come back.
    ::ChangeWindowMessageFilterEx(m_hWnd, m_uTaskbarCreated, MSGFLT_ALLOW, nullptr);
    ::ChangeWindowMessageFilterEx(m_hWnd, ShowMessage(), MSGFLT_ALLOW, nullptr);
    m_tray.Attach(m_hWnd, kTrayMessage, [this](bool placed) { OnTrayPlaced(placed); });

    LoadSettings();
    RefreshList();
    if (m_bFileUnreadable || m_loadStatus.Damaged()) {
        PostMessage(kShowLoadProblems, 0, 0);
    }

    SetTimer(kClockTimer, kTimerInterval, nullptr);
    SetTimer(kCheckTimer, kTimerInterval, nullptr);

    if (m_bTaskTray != 0) {
        StoreInTaskTray();
    } else {
        m_bKeepHidden = 0;
    }
    return TRUE;
}

void CQuillabertonDlg::LoadSettings() {
    m_bTaskTray = 0;
    try {
        m_loadStatus =
            ::LoadSettings(m_ScheduleList, m_bTaskTray, kSettingsFileName, Utf8ToCp932Text);
    } catch (const std::exception&) {
        // Out of memory, say: what was read cannot be trusted to be whole.
        m_ScheduleList.RemoveAll();
        m_bTaskTray = 0;
        m_loadStatus = {};
        m_loadStatus.file = LoadStatus::File::Unreadable;
    }
    m_bFileUnreadable = m_loadStatus.file == LoadStatus::File::Unreadable;
    m_bKeepFile = m_loadStatus.Damaged();
}

SaveStatus CQuillabertonDlg::SaveSettings() {
    SaveStatus status;
    try {
        status = ::SaveSettings(m_ScheduleList, m_bTaskTray);
    } catch (const std::exception&) {
        return {}; // out of memory, say: not saved, reason unknown
    }
    if (status.saved) {
        m_bUnsaved = false;
        m_bKeepFile = false;
        m_bFileUnreadable = false;
        m_bSaveFailureTold = false;
    }
    return status;
}

void CQuillabertonDlg::SaveAfterChange() {
    m_bUnsaved = true;
    if (m_bFileUnreadable && !MayOverwrite(false)) {
        return;
    }
    const SaveStatus status = SaveSettings();
    if (status.saved || m_bSaveFailureTold) {
        return;
    }
    m_bSaveFailureTold = true;
    const std::wstring text =
        SaveFailureText(status) + L"\n\n変更した内容は、このプログラムを終了するまで使われます。";
    ::MessageBoxW(m_hWnd, text.c_str(), kCaption, MB_OK | MB_ICONWARNING);
}

void CQuillabertonDlg::SaveIfUnsaved() {
    if (m_bUnsaved && !m_bFileUnreadable) {
        SaveSettings();
    }
}

bool CQuillabertonDlg::MayOverwrite(bool atExit) {
    if (m_bOverwriteDeclined && !atExit) {
        return false;
    }
    const std::wstring text =
        L"設定ファイルは起動時に読み込めなかったため、上書きしていません。\n\n" +
        FullPath(kSettingsFileName) +
        L"\n\n今の一覧でこのファイルを上書きしますか？\n（「いいえ」ならファイルはそのまま残ります"
        L"。）";
    const bool yes = ::MessageBoxW(m_hWnd, text.c_str(), kCaption,
                                   MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) == IDYES;
    m_bOverwriteDeclined = !yes;
    return yes;
}

void CQuillabertonDlg::ShowLoadProblems() {
    std::wstring text;
    if (m_bFileUnreadable) {
        text = L"設定ファイルを読み込めませんでした。\n\n" + FullPath(kSettingsFileName) + L"\n" +
               SystemMessage(m_loadStatus.error) +
               L"\n\n一覧は空のまま起動します。このファイルは上書きしません。";
    } else {
        text =
            L"設定ファイルの一部を読み込めませんでした。\n\n" + FullPath(kSettingsFileName) + L"\n";
        if (m_loadStatus.leftOut > 0) {
            text += L"\n項目が欠けている " + std::to_wstring(m_loadStatus.leftOut) +
                    L" 件の設定は読み込んでいません。";
        }
        if (m_loadStatus.lossyNames > 0) {
            text += L"\n名前に保存できない文字を含む " + std::to_wstring(m_loadStatus.lossyNames) +
                    L" 件の設定は、その文字を「?」にして読み込みました。";
        }
        text += L"\n\nファイルは、次に設定を変更して保存するまでそのまま残します。";
    }
    ::MessageBoxW(m_hWnd, text.c_str(), kCaption, MB_OK | MB_ICONWARNING);
}

std::wstring CQuillabertonDlg::SaveFailureText(const SaveStatus& status) const {
    const std::wstring path = FullPath(kSettingsFileName);
    std::wstring text =
        L"設定を保存できませんでした。\n\n" + path + L"\n" + SystemMessage(status.error);
    switch (status.left) {
    case SaveLeft::OldFile:
        text += L"\n\nファイルは保存前のまま残っています。";
        break;
    case SaveLeft::NewInTemporary:
        text += L"\n\n新しい内容は " + path +
                L".tmp に書かれています。次の起動時にそこから読み込みます。";
        break;
    case SaveLeft::Damaged:
        text += L"\n\nファイルが壊れているおそれがあります。";
        break;
    }
    return text;
}

void CQuillabertonDlg::StoreInTaskTray() {
    m_bInTray = true;
    m_tray.Show();
    OnTrayPlaced(m_tray.IsPlaced());
}

void CQuillabertonDlg::OnTrayPlaced(bool placed) {
    if (!m_bInTray) {
        return;
    }
    if (placed) {
        ShowWindow(SW_HIDE);
    } else if (!IsWindowVisible() || !IsIconic()) {
        // No icon: a hidden window could not be reached at all.
        m_bKeepHidden = 0;
        ShowWindow(SW_SHOWMINNOACTIVE);
    }
}

void CQuillabertonDlg::ShowFromTray() {
    m_bInTray = false;
    m_tray.Remove();
    m_bKeepHidden = 0;
    ShowWindow(IsIconic() ? SW_RESTORE : SW_SHOW);
}

void CQuillabertonDlg::UpdateRule() {
    const int sel = m_lstSchedule.GetCurSel();
    std::wstring text;
    if (sel >= 0 && sel < m_ScheduleList.GetCount()) {
        text = Utf8ToWide(RuleText(m_ScheduleList.GetAt(sel), CivilSecondOf(m_clock.Read())));
    }
    ::SetWindowTextW(m_stRule, text.c_str());
}

void CQuillabertonDlg::ShowTrayMenu() {
    CTrayMenu::State state;
    // A dialog of ours is open when this window is disabled.
    state.onlyShow = !IsWindowEnabled();
    const std::optional<DueTime> due = m_shownDue;
    state.next = m_shownText.skip;
    state.hasOneOffs = !m_cycle.OneOffs().IsEmpty();
    const CTrayMenu menu(state, ID_EXIT_PROGRAM);
    const UINT command = m_tray.TrackMenu(menu.Handle());
    if (command == CTrayMenu::kShow) {
        ShowFromTray();
    } else if (state.onlyShow) {
        return; // the menu may have been opened before the dialog
    } else if (const std::optional<CTrayMenu::Timer> timer = CTrayMenu::TimerOf(command)) {
        m_cycle.AddTimer(timer->mode,
                         CivilSecondOf(m_clock.Read()) + std::int64_t{timer->minutes} * 60);
    } else if (command == CTrayMenu::kSkip && due) {
        m_cycle.Skip(due->index, due->oneOffId, CivilSecondOf(due->reading));
    } else if (command == CTrayMenu::kCancelTimers) {
        m_cycle.CancelOneOffs();
    } else if (command == ID_EXIT_PROGRAM) {
        OnExitProgram();
    }
}

void CQuillabertonDlg::RefreshList() {
    int sel = m_lstSchedule.GetCurSel();
    std::vector<std::string> lines;
    lines.reserve(static_cast<std::size_t>(m_ScheduleList.GetCount()));
    for (int i = 0; i < m_ScheduleList.GetCount(); ++i) {
        lines.emplace_back(Cp932Prefix(m_ScheduleList.GetAt(i).name, kShownNameChars));
    }
    // Only the lines that changed: a long list no longer freezes the window.
    m_listMirror.Update(m_lstSchedule, std::move(lines));
    const int count = m_lstSchedule.GetCount();
    if (sel < 0) {
        sel = 0;
    }
    if (sel > count - 1) {
        sel = count - 1;
    }
    m_lstSchedule.SetCurSel(sel);

    // Every change of the list ends here: what falls due next may differ.
    m_nextDue.Invalidate();
    m_nextDueStale = true;
    UpdateNextDue();
    UpdateRule();
}

void CQuillabertonDlg::UpdateNextDue() {
    const std::optional<DueTime>& due =
        m_nextDue.Upcoming(static_cast<std::int64_t>(std::time(nullptr)));
    const bool same = due.has_value() == m_shownDue.has_value() &&
                      (!due || (due->time == m_shownDue->time && due->index == m_shownDue->index &&
                                due->oneOffId == m_shownDue->oneOffId));
    if (same && !m_nextDueStale) {
        return;
    }
    m_nextDueStale = false;
    m_shownDue = due;
    m_shownText = DescribeNextDue(due, m_ScheduleList, m_cycle.OneOffs(), kShownNameChars);
    ::SetWindowTextW(m_stNextDue, m_shownText.line.c_str());
    m_tray.SetTip(m_shownText.tip);
}

void CQuillabertonDlg::OnTimeChange() {
    // The clock was set, or the time zone changed: the runtime reads the zone
    // again, and the next due time is worked out afresh.
    _tzset();
    m_nextDue.Invalidate();
    m_nextDueStale = true;
    UpdateNextDue();
    Default();
}

LRESULT CQuillabertonDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_QUERYENDSESSION:
        return TRUE; // never holds up the end of the session
    case WM_ENDSESSION:
        if (wParam != FALSE) {
            SaveIfUnsaved(); // the process may be ended right after this
        }
        return 0;
    case kShowLoadProblems:
        ShowLoadProblems();
        return 0;
    default:
        break;
    }
    if (message == kTrayMessage && lParam == WM_LBUTTONDBLCLK) {
        ShowFromTray();
    } else if (message == kTrayMessage && (lParam == WM_RBUTTONUP || lParam == WM_CONTEXTMENU)) {
        ShowTrayMenu();
    } else if (message == m_uTaskbarCreated && m_uTaskbarCreated != 0) {
        // The notification area was recreated (Explorer restarted): without
        // its icon a hidden window could never be reached again.
        m_tray.OnTaskbarCreated();
    } else if (message == ShowMessage()) {
        // A second start: this window comes forward.
        ShowFromTray();
        ::SetForegroundWindow(m_hWnd);
        return 0;
    } else if (message == WM_DESTROY) {
        m_tray.Remove();
        ::RemovePropW(m_hWnd, kInstanceProp);
    }
    return CDialog::WindowProc(message, wParam, lParam);
}

void CQuillabertonDlg::OnWindowPosChanging(WINDOWPOS* lpwndpos) {
    if (m_bKeepHidden != 0) {
        lpwndpos->flags &= ~static_cast<UINT>(SWP_SHOWWINDOW);
    }
    Default();
}

void CQuillabertonDlg::OnSysCommand(UINT nID, LPARAM) {
    if ((nID & 0xFFF0) == IDM_ABOUTBOX) {
        CAboutDlg dlgAbout;
        dlgAbout.DoModal();
    } else {
        Default();
    }
}

void CQuillabertonDlg::OnVersionInfo() {
    OnSysCommand(IDM_ABOUTBOX, 0);
}

void CQuillabertonDlg::OnPaint() {
    if (!IsIconic()) {
        Default();
        return;
    }
    CPaintDC dc(m_hWnd);
    SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.GetSafeHdc()), 0);
    const int cxIcon = ::GetSystemMetrics(SM_CXICON);
    const int cyIcon = ::GetSystemMetrics(SM_CYICON);
    RECT rect;
    GetClientRect(&rect);
    const int x = (rect.right - rect.left - cxIcon + 1) / 2;
    const int y = (rect.bottom - rect.top - cyIcon + 1) / 2;
    ::DrawIcon(dc, x, y, m_hIcon);
}

HCURSOR CQuillabertonDlg::OnQueryDragIcon() {
    return static_cast<HCURSOR>(m_hIcon);
}

void CQuillabertonDlg::OnExitProgram() {
    if (m_bFileUnreadable && !MayOverwrite(true)) {
        CDialog::OnOK(); // the file stays as it is
        return;
    }
    if (m_bKeepFile && !m_bUnsaved) {
        CDialog::OnOK(); // nothing changed: the damaged file stays for the user
        return;
    }
    const SaveStatus status = SaveSettings();
    if (!status.saved) {
        // Ending now would lose every change of this run without a word:
        // the user decides, and "no" is the default.
        const std::wstring text = SaveFailureText(status) + L"\n\n保存せずに終了しますか？";
        if (::MessageBoxW(m_hWnd, text.c_str(), kCaption,
                          MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) != IDYES) {
            return;
        }
    }
    CDialog::OnOK();
}

void CQuillabertonDlg::OnClose() {
    StoreInTaskTray();
}

void CQuillabertonDlg::OnOK() {}

void CQuillabertonDlg::OnCancel() {
    StoreInTaskTray();
}

void CQuillabertonDlg::OnTimer(UINT_PTR nIDEvent) {
    m_tray.OnTimer(nIDEvent);
    m_cycle.OnTimer(nIDEvent);
    if (nIDEvent == kClockTimer) {
        UpdateNextDue();
    }
    Default();
}

void CQuillabertonDlg::OnDetailSetting() {
    CDetailSettingDlg dlg;
    dlg.m_bTaskTray = m_bTaskTray;
    if (dlg.DoModal() == IDOK && dlg.m_bTaskTray != m_bTaskTray) {
        m_bTaskTray = dlg.m_bTaskTray;
        SaveAfterChange();
    }
}

void CQuillabertonDlg::OnAddEntry() {
    const CScheduleItem item; // a new entry: the defaults
    // No warning may come up while the editor is open.
    StopCheckTimer();
    CTimeSettingDlg dlg;
    const bool added = dlg.EditItem(item) == IDOK;
    if (added) {
        m_ScheduleList.AddTail(dlg.GetItem());
    }
    RestartCheckTimer();
    RefreshList();
    if (added) {
        SaveAfterChange();
    }
}

void CQuillabertonDlg::OnEditEntry() {
    const int sel = m_lstSchedule.GetCurSel();
    bool edited = false;
    if (sel >= 0 && sel < m_ScheduleList.GetCount()) {
        const CScheduleItem item = m_ScheduleList.GetAt(sel);
        StopCheckTimer();
        CTimeSettingDlg dlg;
        edited = dlg.EditItem(item) == IDOK;
        if (edited) {
            m_ScheduleList.SetAt(sel, dlg.GetItem());
        }
        RestartCheckTimer();
    }
    RefreshList();
    if (edited) {
        SaveAfterChange();
    }
}

void CQuillabertonDlg::OnDeleteEntry() {
    // No confirmation: the entry goes at once.
    const int sel = m_lstSchedule.GetCurSel();
    const bool deleted = sel >= 0 && sel < m_ScheduleList.GetCount();
    if (deleted) {
        m_ScheduleList.RemoveAt(sel);
    }
    RefreshList();
    if (deleted) {
        SaveAfterChange();
    }
}

void CQuillabertonDlg::OnDeltaposSpin(NMHDR* pNMHDR, LRESULT* pResult) {
    const auto* pNMUpDown = reinterpret_cast<const NMUPDOWN*>(pNMHDR);
    const int sel = m_lstSchedule.GetCurSel();
    const int last = std::min(m_lstSchedule.GetCount(), m_ScheduleList.GetCount()) - 1;
    // The entries keep their places; their contents trade, names included.
    auto swapWithNext = [this](int i) {
        const CScheduleItem first = m_ScheduleList.GetAt(i);
        const CScheduleItem second = m_ScheduleList.GetAt(i + 1);
        m_ScheduleList.SetAt(i, second);
        m_ScheduleList.SetAt(i + 1, first);
    };
    bool moved = false;
    if (pNMUpDown->iDelta == -1 && sel > 0 && sel <= last) {
        swapWithNext(sel - 1);
        m_lstSchedule.SetCurSel(sel - 1);
        moved = true;
    } else if (pNMUpDown->iDelta == 1 && sel >= 0 && sel < last) {
        swapWithNext(sel);
        m_lstSchedule.SetCurSel(sel + 1);
        moved = true;
    }
    RefreshList();
    if (moved) {
        SaveAfterChange();
    }
    *pResult = 0; // the control may change its own position; nothing reads it
}

void CQuillabertonDlg::StopCheckTimer() {
    KillTimer(kCheckTimer);
}

void CQuillabertonDlg::RestartCheckTimer() {
    // No catch-up over a pause: nothing falls due while the editor is open.
    m_cycle.StartAfresh();
    SetTimer(kCheckTimer, kTimerInterval, nullptr);
}

void CQuillabertonDlg::SetClockText(const std::string& text) {
    m_stClock.SetWindowText(text);
}

WarnAnswer CQuillabertonDlg::Warn(std::int32_t mode) {
    CEndNoticeDlg dlg;
    m_pNotice = &dlg;
    const int result = dlg.DoNotice(mode);
    m_pNotice = nullptr;
    if (result == IDCANCEL) {
        return {WarnAnswer::Cancel};
    }
    if (result == CEndNoticeDlg::kPostponed) {
        return {WarnAnswer::Postpone, dlg.PostponeMinutes()};
    }
    return {WarnAnswer::Confirm};
}

void CQuillabertonDlg::WithdrawWarning() {
    if (m_pNotice != nullptr) {
        m_pNotice->Withdraw();
    }
}

LRESULT CQuillabertonDlg::OnPowerBroadcast(WPARAM wParam, LPARAM) {
    if (wParam == PBT_APMRESUMEAUTOMATIC) {
        m_cycle.OnWake();
    }
    return TRUE;
}

void CQuillabertonDlg::OneOffsChanged() {
    m_nextDue.Invalidate();
    m_nextDueStale = true;
    UpdateNextDue();
}

bool CQuillabertonDlg::ExecuteEndMode(std::int32_t mode) {
    // An end action may end this process before Close runs, so the file and
    // the icon go first.
    SaveIfUnsaved();
    const bool wasInTray = m_tray.IsWanted();
    m_tray.Remove();
    const EndActionResult result = m_executor.ExecuteEndMode(mode);
    if (result.done) {
        return true;
    }
    // Nothing happened: say so, and keep running.
    if (wasInTray) {
        m_tray.Show();
    }
    const std::wstring text = Cp932ToWide(EndModeName(mode)) + L"を実行できませんでした。\n\n" +
                              SystemMessage(result.error);
    ::MessageBoxW(m_hWnd, text.c_str(), kCaption, MB_OK | MB_ICONERROR | MB_TOPMOST);
    return false;
}

void CQuillabertonDlg::Close() {
    m_tray.Remove();
    CDialog::OnOK();
}
