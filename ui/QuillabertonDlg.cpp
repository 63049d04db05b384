#include "ui/QuillabertonDlg.h"

#include "framework/PaintDC.h"
#include "framework/Text.h"
#include "framework/WinApp.h"
#include "resource.h"
#include "ui/AboutDlg.h"
#include "ui/DetailSettingDlg.h"
#include "ui/TimeSettingDlg.h"
#include "ui/WatchDlg.h"

#include <commctrl.h>

#include <ctime>

namespace {

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
      m_tray(*this, m_scheduler, m_nextDue, ID_EXIT_PROGRAM, std::move(notify),
             [this] { return m_endHost.CanHibernate(); }),
      m_platform(platform != nullptr ? *platform : m_systemPlatform),
      m_endHost(m_tray.Icon(), m_platform, m_options, m_uptime,
                {m_hWnd,
                 [this] { m_settings.SaveSilently(); },
                 [this] { CDialog::OnOK(); },
                 [this] { m_scheduler.OnOneOffsChanged(); },
                 [this] { m_tray.StoreInTaskTray(); },
                 [this] { m_scheduler.OnWarningAnswered(); },
                 {},
                 &m_record.Events()}),
      m_scheduler(m_ScheduleList, m_clock, m_uptime, m_zone, m_endHost, m_platform,
                  {[this](const Look& look) {
                       // A due second is met on time; other looks may be
                       // coalesced with other programs' timers.
                       ::SetCoalescableTimer(
                           m_hWnd, kCheckTimer, static_cast<UINT>(look.delayMs), nullptr,
                           look.toleranceMs != 0 ? look.toleranceMs : TIMERV_NO_COALESCING);
                   },
                   [this](bool changed) { changed ? m_nextDue.Invalidate() : m_nextDue.Refresh(); },
                   CSystemClock::NowMs, [this] { m_settings.SaveSilently(); }},
                  &m_record, &m_record, &m_samplers.View()),
      m_nextDue(
          m_ScheduleList, m_scheduler.Cycle(), m_zone, m_clock, CScheduleListView::kShownNameChars,
          [this](const NextDueText& text) {
              ::SetWindowTextW(m_stNextDue, text.line.c_str());
              ::SetWindowTextW(m_stMeasure, text.measure.c_str());
              m_tray.Icon().SetTip(m_record.Tip(text.tip));
          },
          [this] { return m_scheduler.Watch(); }),
      m_commands(*this, m_scheduler, m_nextDue,
                 {[this] { OnShowRequest(0, 0); }, [this] { return m_endHost.CanHibernate(); },
                  ID_EXIT_PROGRAM, [this](int lines) { return m_record.Lines(lines); }}),
      m_listView(
          m_ScheduleList, m_lstSchedule, m_stRule, m_clock,
          [this](CScheduleItem& item) { return EditEntry(item); },
          [this](const std::optional<CScheduleListView::Change>& change) {
              // What falls due next may differ.
              m_scheduler.OnListChanged();
              if (change) {
                  m_record.Events().ListChanged(change->kind, change->name);
                  m_settings.Changed();
              }
          }) {}

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
        OnCommandTo<ID_HISTORY, &D::m_record, &CRecordHost::Show>(),
        OnCommand<CTrayMenu::kWatch, &D::OnWatch>(),
        OnMessageTo<kWatchEvent, &D::m_scheduler, &CScheduler::OnWatchEvent>(),
        OnCommandTo<CTrayMenu::kHistory, &D::m_record, &CRecordHost::Show>(),
        OnCommandTo<IDC_ADD_ENTRY, &D::m_listView, &CScheduleListView::Add>(),
        OnControlTo<LBN_SELCHANGE, IDC_SCHEDULE_LIST, &D::m_listView,
                    &CScheduleListView::UpdateRule>(),
        OnCommandTo<IDC_EDIT_ENTRY, &D::m_listView, &CScheduleListView::Edit>(),
        OnCommandTo<IDC_DELETE_ENTRY, &D::m_listView, &CScheduleListView::Delete>(),
        OnCommandTo<ID_ADD_ENTRY, &D::m_listView, &CScheduleListView::Add>(),
        OnCommandTo<ID_DELETE_ENTRY, &D::m_listView, &CScheduleListView::Delete>(),
        OnCommandTo<ID_EDIT_ENTRY, &D::m_listView, &CScheduleListView::Edit>(),
        OnMessage<WM_WINDOWPOSCHANGING, &D::OnWindowPosChanging>(),
        OnCommand<IDC_DETAIL_SETTING, &D::OnDetailSetting>(),
        OnCommand<ID_DETAIL_SETTING, &D::OnDetailSetting>(),
        OnNotify<UDN_DELTAPOS, IDC_SPIN, &D::OnDeltaposSpin>(),
        OnMessage<WM_SHOWWINDOW, &D::OnShownOrSized>(),
        OnMessage<WM_SIZE, &D::OnShownOrSized>(),
        OnMessage<WM_TIMECHANGE, &D::OnTimeChange>(),
        OnMessage<WM_POWERBROADCAST, &D::OnPowerBroadcast>(),
        OnMessage<WM_ENDSESSION, &D::OnEndSession>(),
        OnMessageTo<kShowLoadProblems, &D::m_settings, &CSettingsKeeper::TellLoadProblems>(),
        OnMessage<CTrayPresence::kTrayMessage, &D::OnTrayMessage>(),
        OnMessage<WM_DPICHANGED, &D::OnTrayMessage>(),
        OnMessage<WM_SETTINGCHANGE, &D::OnTrayMessage>(),
        OnMessage<WM_DISPLAYCHANGE, &D::OnTrayMessage>(),
        OnRegistered<&D::TaskbarCreatedMessage, &D::OnTrayMessage>(),
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
    DDX_Control(pDX, IDC_WATCH_MEASURE, m_stMeasure);
}

BOOL CQuillabertonDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    AppendToSystemMenu(IDM_ABOUTBOX, IDS_ABOUTBOX); // ﾊﾞｰｼﾞｮﾝ情報
    SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hSmallIcon));
    m_instance.Mark(m_hWnd);
    m_power = CSuspendResumeNotification(m_hWnd);
    m_tray.Attach();

    m_settings.Load();
    m_record.Start();
    m_listView.Refresh();
    if (m_settings.HasLoadProblems()) {
        PostMessage(kShowLoadProblems);
    }
    m_clockLine.Start();
    m_scheduler.OnStart();
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

bool CQuillabertonDlg::EditEntry(CScheduleItem& item) {
    // No warning may come up while the editor is open.
    m_scheduler.OnEditorOpened();
    CTimeSettingDlg dlg;
    dlg.m_bNoHibernation = !m_endHost.CanHibernate();
    bool wakeTimers = true;
    dlg.m_bWakeTimersOff = m_platform.ReadWakeTimersAllowed(&wakeTimers) && !wakeTimers;
    const bool ok = dlg.EditItem(item) == IDOK;
    if (ok) {
        item = dlg.GetItem();
    }
    m_scheduler.OnEditorClosed();
    return ok;
}

void CQuillabertonDlg::OnDeltaposSpin(NMHDR* pNMHDR, LRESULT* pResult) {
    m_listView.Move(reinterpret_cast<const NMUPDOWN*>(pNMHDR)->iDelta);
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

void CQuillabertonDlg::OnDetailSetting() {
    if (CDetailSettingDlg().Edit(m_bTaskTray, m_options)) {
        m_record.ApplyOptions();
        m_settings.Changed();
    }
}

void CQuillabertonDlg::OnExitProgram() {
    if (m_settings.MayExit()) {
        m_record.Exits(CurrentMessage().lParam == CCommandReceiver::kFromCommand);
        CDialog::OnOK();
    }
}

void CQuillabertonDlg::OnWatch() {
    const CArmedWatch* armed = m_scheduler.Watch();
    CWatchDlg(
        [this](const WatchSpec& spec, std::int32_t mode, bool holdAwake) {
            return m_scheduler.ArmWatch(spec, mode, holdAwake, CScheduler::By::Tray);
        },
        m_endHost.CanHibernate(), armed != nullptr ? armed->Words() : L"", ListRunningPrograms())
        .DoModal();
}

void CQuillabertonDlg::OnTimer(UINT_PTR nIDEvent) {
    if (nIDEvent == CClockLine::kTimer) {
        m_clockLine.OnTick();
    } else if (nIDEvent == kCheckTimer) {
        m_scheduler.OnTick();
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

LRESULT CQuillabertonDlg::OnShownOrSized(WPARAM wParam, LPARAM) {
    // Shown or restored; a show refused by OnWindowPosChanging (a start in
    // the tray) needs no clock.
    if (CurrentMessage().message == WM_SHOWWINDOW
            ? wParam != FALSE && m_tray.MayShow()
            : wParam == SIZE_RESTORED || wParam == SIZE_MAXIMIZED) {
        m_clockLine.OnShown();
    }
    return Default();
}

void CQuillabertonDlg::OnTimeChange() {
    // The clock was set or the time zone changed: the runtime reads the zone
    // again, and what falls due next is worked out afresh.
    _tzset();
    m_scheduler.OnClockChanged();
    Default();
}

LRESULT CQuillabertonDlg::OnPowerBroadcast(WPARAM event, LPARAM) {
    if (event == PBT_APMSUSPEND) {
        m_scheduler.OnSuspend();
    } else if (event == PBT_APMRESUMEAUTOMATIC || event == PBT_APMRESUMESUSPEND) {
        m_scheduler.OnWake();
    }
    return TRUE;
}

LRESULT CQuillabertonDlg::OnEndSession(WPARAM ending, LPARAM) {
    // WM_QUERYENDSESSION is left to the default, yes.
    m_scheduler.OnSessionEnd(ending != FALSE);
    return 0;
}

LRESULT CQuillabertonDlg::OnTrayMessage(WPARAM wParam, LPARAM lParam) {
    return m_tray.OnMessage(CurrentMessage().message, wParam, lParam) ? 0 : Default();
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
