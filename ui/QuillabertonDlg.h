#pragma once

#include "framework/Dialog.h"
#include "framework/ListBox.h"
#include "framework/Static.h"
#include "schedule/CheckCycle.h"
#include "schedule/EndActionExecutor.h"
#include "platform/EndActionPlatformWin32.h"
#include "schedule/NextDueFinder.h"
#include "schedule/ScheduleList.h"
#include "platform/SystemClock.h"
#include "platform/SystemLocalTime.h"
#include "settings/LoadStatus.h"
#include "settings/SaveStatus.h"
#include "ui/ListBoxMirror.h"
#include "ui/NextDueText.h"
#include "ui/TrayIcon.h"

#include <windows.h>
#include <shellapi.h>

#include <cstdint>
#include <optional>
#include <string>

class CEndNoticeDlg;

// The program's main window (template 102): a live clock, the list of
// schedule entries, and a menu. Closing it hides it in the notification
// area; only the exit command ends it (after saving), or an end action
// performed by the check cycle (without saving).
class CQuillabertonDlg : public CDialog, private ICheckCycleHost {
public:
    static constexpr UINT_PTR kClockTimer = CCheckCycle::kClockTimer; // 1: clock text
    static constexpr UINT_PTR kCheckTimer = CCheckCycle::kCheckTimer; // 2: due check
    static constexpr UINT kTimerInterval = CCheckCycle::kTimerInterval;
    // The tray icon's callback message; lParam carries the mouse message.
    static constexpr UINT kTrayMessage = WM_USER + 1;

    // `notify` stands for Shell_NotifyIconW (a test makes it fail).
    explicit CQuillabertonDlg(CWnd* pParent = nullptr,
                              CTrayIcon::Notify notify = ::Shell_NotifyIconW);
    ~CQuillabertonDlg() override;

    // Mirrors the schedule list into the list box, keeping the selected
    // position clamped to the list (no selection only when it is empty), and
    // shows what falls due next.
    void RefreshList();
    // Shows the next due entry under the clock and in the tray tip. Cheap
    // while nothing has changed: the due time is kept, and worked out again
    // only once it has passed, the clock was set back, or the list or the
    // time zone changed.
    void UpdateNextDue();
    // Puts the window in the tray: hidden once the icon is in place, shown
    // minimised while it is not.
    void StoreInTaskTray();
    // Shows the selected entry's rule under the list.
    void UpdateRule();

    // The settings file: read once at start and written straight back, unless
    // it could not be read or is damaged (the user is told after the window
    // opens). Saved after every change the user confirms, by the exit
    // command, at the end of the Windows session and before an end action.
    void LoadSettings();
    SaveStatus SaveSettings();
    // Saves after a change the user confirmed; a failure is told once.
    void SaveAfterChange();
    // Saves what is unsaved, without asking or telling: the session is ending.
    void SaveIfUnsaved();

    // Timer 2 around a modal run that must not be interrupted by a warning.
    void StopCheckTimer() override;
    void RestartCheckTimer() override;

    std::int32_t m_bTaskTray = 0;   // start in the tray ("tasktray" setting)
    std::int32_t m_bKeepHidden = 1; // while set, the window cannot be shown
    CListBox m_lstSchedule;         // 1005
    CStatic m_stClock;              // 1004
    CStatic m_stNextDue;            // 1040
    ScheduleList m_ScheduleList;
    HICON m_hIcon = nullptr;
    HICON m_hSmallIcon = nullptr;
    CStatic m_stRule; // 1041
    CTrayIcon m_tray;
    // Set on the window, so that a second start can find it.
    static constexpr wchar_t kInstanceProp[] = L"Quillaberton.Main";
    // Sent by a second start: the window comes forward.
    static UINT ShowMessage();

    static const MessageMap* GetThisMessageMap();
    const MessageMap* GetMessageMap() const override { return GetThisMessageMap(); }

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    // Enter: nothing.
    void OnOK() override;
    // Esc and menu 32773: to the tray.
    void OnCancel() override;

    void OnSysCommand(UINT nID, LPARAM lParam);
    void OnPaint();
    HCURSOR OnQueryDragIcon();
    void OnExitProgram();
    void OnClose();
    void OnTimer(UINT_PTR nIDEvent);
    void OnVersionInfo();
    void OnWindowPosChanging(WINDOWPOS* lpwndpos);
    void OnDetailSetting();
    void OnTimeChange();

    // The list commands: each ends with RefreshList.
    void OnAddEntry();
    void OnEditEntry();
    void OnDeleteEntry();
    void OnDeltaposSpin(NMHDR* pNMHDR, LRESULT* pResult);

private:
    // The check cycle's view of this window.
    void SetClockText(const std::string& text) override;
    WarnAnswer Warn(std::int32_t mode) override;
    void WithdrawWarning() override;
    bool ExecuteEndMode(std::int32_t mode) override;
    void Close() override;
    void OneOffsChanged() override;

    // WM_POWERBROADCAST: at a wake, checks start afresh and an open warning
    // is withdrawn.
    LRESULT OnPowerBroadcast(WPARAM wParam, LPARAM lParam);

    // Whether the file that could not be read at start may be written over
    // now; asks the user, "no" first. After a "no" to a change's save, only
    // the exit command asks again.
    bool MayOverwrite(bool atExit);
    // What the start found wrong with the settings file, told once.
    void ShowLoadProblems();
    // Why a save failed and what is left where the file is.
    std::wstring SaveFailureText(const SaveStatus& status) const;

    // The icon came or went while the window is meant to be in the tray.
    void OnTrayPlaced(bool placed);
    // Back from the tray: the icon goes, the window shows.
    void ShowFromTray();
    // The tray icon's menu and what was chosen in it.
    void ShowTrayMenu();

    // Posted by OnInitDialog, so that the start's message comes with the
    // window running.
    static constexpr UINT kShowLoadProblems = WM_APP + 1;

    LoadStatus m_loadStatus;
    bool m_bUnsaved = false;           // the list or the flag differs from the file
    bool m_bKeepFile = false;          // damaged at start: kept until a change is saved
    bool m_bFileUnreadable = false;    // not read at start: written only if the user says so
    bool m_bOverwriteDeclined = false; // the user said no to that for a change's save
    bool m_bSaveFailureTold = false;   // a change's failed save was told; not again
    bool m_bInTray = false;            // meant to be in the tray
    UINT m_uTaskbarCreated = 0;        // "TaskbarCreated": the notification area was recreated
    CSystemClock m_clock;
    CSystemLocalTime m_localTime;
    CCheckCycle m_cycle{m_ScheduleList, m_clock, *this};
    CNextDueFinder m_nextDue{m_ScheduleList, m_localTime, &m_cycle.OneOffs(), &m_cycle.Skips()};
    bool m_nextDueStale = true;        // the list changed since the line was made
    std::optional<DueTime> m_shownDue; // what the line and the tip show
    NextDueText m_shownText;           // ... in words
    CEndActionPlatformWin32 m_endPlatform;
    CEndActionExecutor m_executor{m_endPlatform};
    CEndNoticeDlg* m_pNotice = nullptr; // the open warning
    CListBoxMirror m_listMirror;        // what the list box shows
};
