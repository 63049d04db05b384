#include "ui/QuillabertonDlg.h"

#include "framework/PaintDC.h"
#include "framework/Text.h"
#include "framework/WinApp.h"
#include "resource.h"
#include "schedule/CivilTime.h"
#include "schedule/RuleText.h"
#include "ui/AboutDlg.h"
#include "ui/DetailSettingDlg.h"
#include "ui/TimeSettingDlg.h"

#include <commctrl.h>

#include <algorithm>
#include <ctime>
#include <vector>

namespace {

// Most characters of a name the list shows: as many as the editor takes. Only
// a hand-made file holds longer names; they keep their bytes but show cut.
constexpr std::size_t kShownNameChars = 32767;

HICON LoadAppIcon(int cx, int cy) {
    return static_cast<HICON>(::LoadImageW(AfxGetResourceHandle(), MAKEINTRESOURCEW(IDR_MAINFRAME),
                                           IMAGE_ICON, cx, cy, LR_SHARED));
}

} // namespace

CQuillabertonDlg::CQuillabertonDlg(IInstanceMark& instance, CTrayIcon::Notify notify,
                                   IEndActionPlatform* platform)
    : CDialog(IDD_QUILLABERTON_DIALOG),
      m_hIcon(LoadAppIcon(::GetSystemMetrics(SM_CXICON), ::GetSystemMetrics(SM_CYICON))),
      m_hSmallIcon(LoadAppIcon(::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON))),
      m_instance(instance), m_settings(m_ScheduleList, m_bTaskTray, m_options, m_fileOps, m_prompt,
                                       kSettingsFileName, Utf8ToCp932Text),
      m_tray(*this, m_cycle, m_nextDue, ID_EXIT_PROGRAM, std::move(notify),
             [this] { return m_endHost.CanHibernate(); }),
      m_platform(platform != nullptr ? *platform : m_systemPlatform),
      m_endHost(m_tray.Icon(), m_platform, m_options, m_uptime,
                {m_hWnd,
                 [this] { m_settings.SaveSilently(); },
                 [this] { CDialog::OnOK(); },
                 [this] {
                     m_nextDue.Invalidate();
                     UpdateWakeTimer(); // a skip may concern a marked entry
                 },
                 [this] { m_tray.StoreInTaskTray(); },
                 [this] {
                     m_wakeTimer.OnWarningAnswered(Now());
                     UpdateWakeTimer();
                 },
                 {}}),
      m_nextDue(m_ScheduleList, m_cycle, m_zone, m_clock, kShownNameChars,
                [this](const NextDueText& text) {
                    ::SetWindowTextW(m_stNextDue, text.line.c_str());
                    m_tray.Icon().SetTip(text.tip);
                }),
      m_commands(*this, m_cycle, m_nextDue,
                 {[this] { OnShowRequest(0, 0); }, [this] { return m_endHost.CanHibernate(); },
                  ID_EXIT_PROGRAM}) {}

CQuillabertonDlg::~CQuillabertonDlg() = default;

const MessageMap* CQuillabertonDlg::GetThisMessageMap() {
    using D = CQuillabertonDlg;
    static constexpr MessageMapEntry entries[] = {
        OnMessage<WM_SYSCOMMAND, &D::OnSysCommand>(),
        OnMessage<WM_PAINT, &D::OnPaint>(),
        OnMessage<WM_QUERYDRAGICON, &D::OnQueryDragIcon>(),
        OnCommand<ID_EXIT_PROGRAM, &D::OnExitProgram>(),
        OnMessage<WM_CLOSE, &D::OnCancel>(),
        OnMessage<WM_TIMER, &D::OnTimer>(),
        OnCommand<ID_STORE_TASKTRAY, &D::OnCancel>(),
        OnCommand<ID_VERSION_INFO, &D::OnVersionInfo>(),
        OnCommand<IDC_ADD_ENTRY, &D::OnAddEntry>(),
        OnControl<LBN_SELCHANGE, IDC_SCHEDULE_LIST, &D::UpdateRule>(),
        OnCommand<IDC_EDIT_ENTRY, &D::OnEditEntry>(),
        OnCommand<IDC_DELETE_ENTRY, &D::OnDeleteEntry>(),
        OnCommand<ID_ADD_ENTRY, &D::OnAddEntry>(),
        OnCommand<ID_DELETE_ENTRY, &D::OnDeleteEntry>(),
        OnCommand<ID_EDIT_ENTRY, &D::OnEditEntry>(),
        OnMessage<WM_WINDOWPOSCHANGING, &D::OnWindowPosChanging>(),
        OnCommand<IDC_DETAIL_SETTING, &D::OnDetailSetting>(),
        OnCommand<ID_DETAIL_SETTING, &D::OnDetailSetting>(),
        OnNotify<UDN_DELTAPOS, IDC_SPIN, &D::OnDeltaposSpin>(),
        OnMessage<WM_SHOWWINDOW, &D::OnShowWindow>(),
        OnMessage<WM_SIZE, &D::OnSize>(),
        OnMessage<WM_TIMECHANGE, &D::OnTimeChange>(),
        OnMessage<WM_POWERBROADCAST, &D::OnPowerBroadcast>(),
        OnMessage<WM_ENDSESSION, &D::OnEndSession>(),
        OnMessage<kShowLoadProblems, &D::OnShowLoadProblems>(),
        OnMessage<CTrayPresence::kTrayMessage, &D::OnTrayNotify>(),
        OnMessage<WM_DPICHANGED, &D::OnDpiChanged>(),
        OnMessage<WM_SETTINGCHANGE, &D::OnSettingChange>(),
        OnMessage<WM_DISPLAYCHANGE, &D::OnDisplayChange>(),
        OnRegistered<&D::TaskbarCreatedMessage, &D::OnTaskbarCreated>(),
        OnRegistered<&D::ShowMessage, &D::OnShowRequest>(),
        OnMessage<WM_COPYDATA, &D::OnCopyData>(),
        OnMessage<WM_DESTROY, &D::OnDestroy>(),
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
    const wchar_t* about = nullptr;
    const int len =
        ::LoadStringW(AfxGetResourceHandle(), IDS_ABOUTBOX, reinterpret_cast<LPWSTR>(&about), 0);
    if (HMENU sysMenu = GetSystemMenu(FALSE); sysMenu != nullptr && len > 0) {
        ::AppendMenuW(sysMenu, MF_SEPARATOR, 0, nullptr);
        ::AppendMenuW(sysMenu, MF_STRING, IDM_ABOUTBOX,
                      std::wstring(about, static_cast<std::size_t>(len)).c_str());
    }
    SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hSmallIcon));
    m_instance.Mark(m_hWnd);
    m_power = CSuspendResumeNotification(m_hWnd);
    m_tray.Attach();

    m_settings.Load();
    RefreshList();
    if (m_settings.HasLoadProblems()) {
        PostMessage(kShowLoadProblems);
    }
    m_clockLine.Start();
    SetTimer(kCheckTimer, CClockLine::NextSecondDelay());
    if (m_bTaskTray != 0) {
        m_tray.StoreInTaskTray();
    } else {
        m_tray.StartShown();
    }
    if (m_startCommand) {
        m_commands.Apply(*m_startCommand, nullptr);
    }
    return TRUE;
}

void CQuillabertonDlg::RefreshList() {
    std::vector<std::string> lines;
    lines.reserve(static_cast<std::size_t>(m_ScheduleList.GetCount()));
    for (int i = 0; i < m_ScheduleList.GetCount(); ++i) {
        lines.emplace_back(Cp932Prefix(m_ScheduleList.GetAt(i).name, kShownNameChars));
    }
    const int sel = m_lstSchedule.GetCurSel();
    // Only the lines that changed: a long list no longer freezes the window.
    m_listMirror.Update(m_lstSchedule, std::move(lines));
    m_lstSchedule.SetCurSel(std::min(std::max(sel, 0), m_lstSchedule.GetCount() - 1));
    // Every change of the list ends here: what falls due next may differ.
    m_nextDue.Invalidate();
    UpdateWakeTimer();
    UpdateRule();
}

void CQuillabertonDlg::UpdateRule() {
    const int sel = m_lstSchedule.GetCurSel();
    std::wstring text;
    if (sel >= 0 && sel < m_ScheduleList.GetCount()) {
        text = Utf8ToWide(RuleText(m_ScheduleList.GetAt(sel), CivilSecondOf(m_clock.Read())));
    }
    ::SetWindowTextW(m_stRule, text.c_str());
}

std::int64_t CQuillabertonDlg::Now() {
    m_clock.Read();
    return m_clock.Time();
}

void CQuillabertonDlg::UpdateWakeTimer() {
    // A timer that cannot be set wakes nothing; the entry still runs if the
    // PC is awake then.
    m_wakeTimer.Update(Now());
}

bool CQuillabertonDlg::EditEntry(CScheduleItem& item) {
    // No warning may come up while the editor is open.
    m_cycle.Pause();
    CTimeSettingDlg dlg;
    dlg.m_bNoHibernation = !m_endHost.CanHibernate();
    bool wakeTimers = true;
    dlg.m_bWakeTimersOff = m_platform.ReadWakeTimersAllowed(&wakeTimers) && !wakeTimers;
    const bool ok = dlg.EditItem(item) == IDOK;
    if (ok) {
        item = dlg.GetItem();
    }
    m_cycle.Resume();
    return ok;
}

void CQuillabertonDlg::ListCommandDone(bool changed) {
    RefreshList();
    if (changed) {
        m_settings.Changed();
    }
}

void CQuillabertonDlg::OnAddEntry() {
    CScheduleItem item; // a new entry: the defaults
    const bool added = EditEntry(item);
    if (added) {
        m_ScheduleList.AddTail(item);
    }
    ListCommandDone(added);
}

void CQuillabertonDlg::OnEditEntry() {
    const int sel = m_lstSchedule.GetCurSel();
    CScheduleItem item;
    const bool edited =
        sel >= 0 && sel < m_ScheduleList.GetCount() && EditEntry(item = m_ScheduleList.GetAt(sel));
    if (edited) {
        m_ScheduleList.SetAt(sel, item);
    }
    ListCommandDone(edited);
}

void CQuillabertonDlg::OnDeleteEntry() {
    // No confirmation: the entry goes at once.
    const int sel = m_lstSchedule.GetCurSel();
    const bool deleted = sel >= 0 && sel < m_ScheduleList.GetCount();
    if (deleted) {
        m_ScheduleList.RemoveAt(sel);
    }
    ListCommandDone(deleted);
}

void CQuillabertonDlg::OnDeltaposSpin(NMHDR* pNMHDR, LRESULT* pResult) {
    const int delta = reinterpret_cast<const NMUPDOWN*>(pNMHDR)->iDelta;
    const int sel = m_lstSchedule.GetCurSel();
    const int last = std::min(m_lstSchedule.GetCount(), m_ScheduleList.GetCount()) - 1;
    // The upper of the two entries that trade places; their contents trade,
    // names included.
    const int upper = delta == -1 && sel > 0 && sel <= last  ? sel - 1
                      : delta == 1 && sel >= 0 && sel < last ? sel
                                                             : -1;
    if (upper >= 0) {
        const CScheduleItem first = m_ScheduleList.GetAt(upper);
        m_ScheduleList.SetAt(upper, m_ScheduleList.GetAt(upper + 1));
        m_ScheduleList.SetAt(upper + 1, first);
        m_lstSchedule.SetCurSel(sel + delta);
    }
    ListCommandDone(upper >= 0);
    *pResult = 0; // the control may change its own position; nothing reads it
}

void CQuillabertonDlg::OnSysCommand(UINT nID, LPARAM) {
    if ((nID & 0xFFF0) == IDM_ABOUTBOX) {
        CAboutDlg dlgAbout;
        dlgAbout.DoModal();
    } else {
        Default();
    }
}

void CQuillabertonDlg::OnPaint() {
    if (IsIconic()) {
        CPaintDC::PaintIconic(m_hWnd, m_hIcon);
    } else {
        Default();
    }
}

void CQuillabertonDlg::OnVersionInfo() {
    OnSysCommand(IDM_ABOUTBOX, 0);
}

HCURSOR CQuillabertonDlg::OnQueryDragIcon() {
    return static_cast<HCURSOR>(m_hIcon);
}

void CQuillabertonDlg::OnDetailSetting() {
    CDetailSettingDlg dlg;
    CStartupShortcut startup(CStartupShortcut::WorkingFolder()); // the settings folder
    dlg.m_pStartup = &startup;
    dlg.m_bTaskTray = m_bTaskTray;
    dlg.m_bResume = m_options.resume != 0 ? 1 : 0;
    dlg.m_bFullscreen = m_options.fullscreen != 0 ? 1 : 0;
    if (dlg.DoModal() != IDOK) {
        return;
    }
    // An option keeps the value read from the file unless its box changed.
    SettingsOptions options = m_options;
    if ((options.resume != 0) != (dlg.m_bResume != 0)) {
        options.resume = dlg.m_bResume;
    }
    if ((options.fullscreen != 0) != (dlg.m_bFullscreen != 0)) {
        options.fullscreen = dlg.m_bFullscreen;
    }
    if (dlg.m_bTaskTray != m_bTaskTray || options != m_options) {
        m_bTaskTray = dlg.m_bTaskTray;
        m_options = options;
        m_settings.Changed();
    }
}

void CQuillabertonDlg::OnExitProgram() {
    if (m_settings.MayExit()) {
        CDialog::OnOK();
    }
}

void CQuillabertonDlg::OnOK() {}

void CQuillabertonDlg::OnCancel() {
    m_tray.StoreInTaskTray();
}

void CQuillabertonDlg::OnTimer(UINT_PTR nIDEvent) {
    if (nIDEvent == CClockLine::kTimer) {
        m_clockLine.OnTick();
    } else if (nIDEvent == kCheckTimer) {
        SetTimer(kCheckTimer, CClockLine::NextSecondDelay());
        m_cycle.Check();
        m_endHost.Tick();
        m_wakeTimer.Tick(Now());
        m_nextDue.Refresh();
    } else {
        m_tray.Icon().OnTimer(nIDEvent);
    }
    Default();
}

void CQuillabertonDlg::OnWindowPosChanging(WINDOWPOS* lpwndpos) {
    if (!m_tray.MayShow()) {
        lpwndpos->flags &= ~static_cast<UINT>(SWP_SHOWWINDOW);
    }
    Default();
}

LRESULT CQuillabertonDlg::OnShowWindow(WPARAM shown, LPARAM) {
    // A show refused by OnWindowPosChanging (a start in the tray) needs no clock.
    if (shown != FALSE && m_tray.MayShow()) {
        m_clockLine.OnShown();
    }
    return Default();
}

LRESULT CQuillabertonDlg::OnSize(WPARAM kind, LPARAM) {
    if (kind == SIZE_RESTORED || kind == SIZE_MAXIMIZED) {
        m_clockLine.OnShown();
    }
    return Default();
}

void CQuillabertonDlg::OnTimeChange() {
    // The clock was set or the time zone changed: the runtime reads the zone
    // again, and what falls due next is worked out afresh.
    _tzset();
    m_cycle.OnClockChanged();
    m_nextDue.Invalidate();
    UpdateWakeTimer();
    Default();
}

LRESULT CQuillabertonDlg::OnPowerBroadcast(WPARAM event, LPARAM) {
    if (event == PBT_APMSUSPEND) {
        m_cycle.OnSuspend();
        m_endHost.OnSuspend();
    } else if (event == PBT_APMRESUMEAUTOMATIC || event == PBT_APMRESUMESUSPEND) {
        m_cycle.OnWake();
        m_wakeTimer.OnWake(Now());
    }
    return TRUE;
}

LRESULT CQuillabertonDlg::OnEndSession(WPARAM ending, LPARAM) {
    // The session's end is never held up (WM_QUERYENDSESSION is left to the
    // default, yes); the process may be ended right after this.
    if (ending != FALSE) {
        m_settings.SaveSilently();
    }
    return 0;
}

LRESULT CQuillabertonDlg::OnShowLoadProblems(WPARAM, LPARAM) {
    m_settings.TellLoadProblems();
    return 0;
}

LRESULT CQuillabertonDlg::OnTrayNotify(WPARAM wParam, LPARAM lParam) {
    m_tray.OnNotify(wParam, lParam);
    return 0;
}

LRESULT CQuillabertonDlg::OnDpiChanged(WPARAM dpi, LPARAM) {
    m_tray.Icon().Rescale(LOWORD(dpi));
    return Default();
}

LRESULT CQuillabertonDlg::OnSettingChange(WPARAM action, LPARAM) {
    // The shell's icon sizes may have changed with these.
    if (action == SPI_SETICONMETRICS || action == SPI_SETNONCLIENTMETRICS) {
        m_tray.Icon().Rescale();
    }
    return Default();
}

LRESULT CQuillabertonDlg::OnDisplayChange(WPARAM, LPARAM) {
    m_tray.Icon().Rescale();
    return Default();
}

LRESULT CQuillabertonDlg::OnTaskbarCreated(WPARAM, LPARAM) {
    // Explorer restarted: without the icon a hidden window could not be reached.
    m_tray.Icon().OnTaskbarCreated();
    return 0;
}

LRESULT CQuillabertonDlg::OnShowRequest(WPARAM, LPARAM) {
    // A second start: this window comes forward.
    m_tray.ShowFromTray();
    ::SetForegroundWindow(m_hWnd);
    return 0;
}

LRESULT CQuillabertonDlg::OnCopyData(WPARAM sender, LPARAM data) {
    // A command from another start; anything else is not ours.
    return m_commands.OnCopyData(reinterpret_cast<HWND>(sender),
                                 reinterpret_cast<const COPYDATASTRUCT*>(data));
}

void CQuillabertonDlg::OnDestroy() {
    m_tray.Icon().Remove();
    m_instance.Unmark(m_hWnd);
    Default();
}
