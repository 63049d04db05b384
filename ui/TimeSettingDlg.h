#pragma once

#include "framework/Button.h"
#include "framework/Dialog.h"
#include "framework/Edit.h"
#include "schedule/ScheduleItem.h"

#include <string>

// The entry editor: name, date (year, month, day, each "*" for any) or
// weekdays, time of day, end mode and whether to wake the PC for one schedule
// entry. Works on its own
// copy of the entry: EditItem loads it and runs the dialog, GetItem returns
// it (after IDOK the values read at OK, otherwise the entry as loaded).
//
// Numeric fields are limited to their ranges when an edit loses the focus,
// never at OK. At OK the name must survive the settings file unchanged: a
// name that would read back as a section header, or that Shift-JIS cannot
// hold, is refused with a message and the dialog stays open.
class CTimeSettingDlg : public CDialog {
public:
    explicit CTimeSettingDlg(CWnd* pParent = nullptr) noexcept;
    ~CTimeSettingDlg() override;

    // Loads a copy of the entry to edit.
    void SetItem(CScheduleItem item);
    // SetItem, then the modal run: IDOK after OK, IDCANCEL after Cancel, Esc
    // or the close box.
    int EditItem(CScheduleItem item);
    // The edited entry.
    CScheduleItem GetItem() const;

    static const MessageMap* GetThisMessageMap();
    const MessageMap* GetMessageMap() const override { return GetThisMessageMap(); }

    CScheduleItem m_item;
    CEdit m_edSecond;
    CEdit m_edMinute;
    CEdit m_edHour;
    CEdit m_edDay;
    CEdit m_edMonth;
    CEdit m_edYear;
    CButton m_chkWednesday;
    CButton m_chkTuesday;
    CButton m_chkThursday;
    CButton m_chkSunday;
    CButton m_chkSaturday;
    CButton m_chkMonday;
    CButton m_chkFriday;
    CEdit m_edName;
    int m_nTimeMode = -1; // position in the time-mode radio group, -1 for none
    int m_nEndMode = -1;  // position in the end-mode radio group, -1 for none
    int m_bFriday = 0;
    int m_bMonday = 0;
    int m_bSaturday = 0;
    int m_bSunday = 0;
    int m_bThursday = 0;
    int m_bTuesday = 0;
    int m_bWednesday = 0;
    int m_bWake = 0;
    // Set before the run: the PC cannot hibernate (休止状態 greyed, with a
    // line saying why), and the power plan has wake timers off (a line under
    // the wake box).
    bool m_bNoHibernation = false;
    bool m_bWakeTimersOff = false;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;

    // 0 (date): date edits on, weekday boxes off; 1 (weekday): the reverse;
    // any other mode changes nothing.
    void EnableModeControls(int nMode);

    void OnRadioDateMode();
    void OnRadioWeekMode();
    void OnKillfocusHour();
    void OnKillfocusMinute();
    void OnKillfocusSecond();
    void OnKillfocusYear();
    void OnKillfocusMonth();
    void OnKillfocusDay();

private:
    // The name as CP932 bytes when the settings file can carry it back
    // unchanged; otherwise says why, focuses the name and returns false.
    bool ReadName(std::string& name);
};
