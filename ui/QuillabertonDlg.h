#pragma once

#include "framework/Dialog.h"
#include "framework/ListBox.h"
#include "framework/Static.h"
#include "platform/EndActionPlatformWin32.h"
#include "platform/StdFileOps.h"
#include "platform/SuspendResumeNotification.h"
#include "platform/SystemClock.h"
#include "platform/SystemLocalTime.h"
#include "platform/SystemUptime.h"
#include "platform/WatchSamplersWin32.h"
#include "settings/SettingsKeeper.h"
#include "settings/SettingsOptions.h"
#include "ui/ClockLine.h"
#include "ui/CommandReceiver.h"
#include "ui/EndActionHost.h"
#include "ui/InstanceMark.h"
#include "ui/NextDuePresenter.h"
#include "ui/RecordHost.h"
#include "ui/ScheduleListView.h"
#include "ui/Scheduler.h"
#include "ui/SettingsPrompt.h"
#include "ui/TrayPresence.h"

#include <optional>

// The program's main window (template 102): the clock, what falls due next,
// the list of entries with the selected one's rule, and a menu. It holds the
// controls, the list commands and the dialogs, and forwards every event that
// concerns the schedule to the scheduler, which calls the owners of the rest
// in its own order. Closing it hides it in the notification area; only the
// exit command or a performed end action ends it.
class CQuillabertonDlg : public CDialog {
public:
    static constexpr UINT_PTR kCheckTimer = 2; // the due check, at the scheduler's next look

    // `notify` stands for Shell_NotifyIconW (a test makes it fail);
    // `platform`, when given, for the system calls of the end actions, the
    // wake timer and the user's state.
    explicit CQuillabertonDlg(IInstanceMark& instance,
                              CTrayIcon::Notify notify = ::Shell_NotifyIconW,
                              IEndActionPlatform* platform = nullptr);
    ~CQuillabertonDlg() override;

    // A command this start was given (/timer, /show): done once the window
    // is up, before DoModal's run begins.
    void ApplyAtStart(const CCommandLine& command) { m_startCommand = command; }

    static const MessageMap* GetThisMessageMap();
    const MessageMap* GetMessageMap() const override { return GetThisMessageMap(); }

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override {}                                // Enter: nothing
    void OnCancel() override { m_tray.StoreInTaskTray(); } // Esc, ×, menu 32773: to the tray

private:
    void OnDeltaposSpin(NMHDR* pNMHDR, LRESULT* pResult);
    // Runs the editor on `item` with checking paused; true after OK.
    bool EditEntry(CScheduleItem& item);

    void OnSysCommand(UINT nID, LPARAM lParam);
    void OnVersionInfo();
    void OnPaint();
    HCURSOR OnQueryDragIcon() { return static_cast<HCURSOR>(m_hIcon); }
    void OnDetailSetting();
    void OnExitProgram();
    void OnWatch(); // 条件で実行...
    void OnTimer(UINT_PTR nIDEvent);
    void OnWindowPosChanging(WINDOWPOS* lpwndpos);
    LRESULT OnShownOrSized(WPARAM wParam, LPARAM);
    void OnTimeChange();
    LRESULT OnPowerBroadcast(WPARAM event, LPARAM);
    LRESULT OnEndSession(WPARAM ending, LPARAM);
    // The icon's messages, and those after which it is drawn again.
    LRESULT OnTrayMessage(WPARAM wParam, LPARAM lParam);
    UINT TaskbarCreatedMessage() const { return m_tray.Icon().TaskbarCreatedMessage(); }
    UINT ShowMessage() const { return m_instance.ShowMessage(); }
    LRESULT OnShowRequest(WPARAM, LPARAM);
    LRESULT OnCopyData(WPARAM sender, LPARAM data);
    void OnDestroy();

    // Posted by OnInitDialog: the start's message comes with the window running.
    static constexpr UINT kShowLoadProblems = WM_APP + 1;
    // Posted from a pool thread: a process the condition waits on ended.
    static constexpr UINT kWatchEvent = WM_APP + 2;

    std::int32_t m_bTaskTray = 0; // start in the tray ("tasktray" setting)
    SettingsOptions m_options;
    CListBox m_lstSchedule; // 1005
    CStatic m_stClock;      // 1004
    CStatic m_stNextDue;    // 1040
    CStatic m_stRule;       // 1041
    CStatic m_stMeasure;    // 1057: an armed condition's measure
    HICON m_hIcon = nullptr;
    HICON m_hSmallIcon = nullptr;
    ScheduleList m_ScheduleList;

    IInstanceMark& m_instance;
    CStdFileOps m_fileOps;
    CSettingsPrompt m_prompt{m_hWnd, kSettingsFileName};
    CSettingsKeeper m_settings;
    CSystemClock m_clock;
    CSystemUptime m_uptime;
    CSystemLocalTime m_zone;
    CClockLine m_clockLine{*this, m_stClock, m_clock};
    CTrayPresence m_tray;
    CRecordHost m_record{*this, m_zone, m_ScheduleList, m_options, m_settings};
    CEndActionPlatformWin32 m_systemPlatform;
    IEndActionPlatform& m_platform;
    CEndActionHost m_endHost;
    CWatchSamplersWin32 m_samplers{[this] { PostMessage(kWatchEvent); }};
    CScheduler m_scheduler;
    CNextDuePresenter m_nextDue;
    CCommandReceiver m_commands;
    CScheduleListView m_listView;
    std::optional<CCommandLine> m_startCommand;
    CSuspendResumeNotification m_power;
};
