#pragma once

#include "framework/Button.h"
#include "framework/Dialog.h"
#include "settings/SettingsOptions.h"

#include <cstdint>

// The detail settings: start in the tray, keep running after standby or
// hibernation returns, wait while a fullscreen program or presentation
// runs, and record what the program does (on unless turned off). The caller sets the flags, runs
// DoModal and, after IDOK, reads them back (0 or 1).
class CDetailSettingDlg : public CDialog {
public:
    explicit CDetailSettingDlg(CWnd* pParent = nullptr) noexcept;
    ~CDetailSettingDlg() override;

    int m_bTaskTray = 0;
    int m_bResume = 0;
    int m_bFullscreen = 0;
    int m_bHistory = 1;
    CButton m_chkTaskTray; // check box 1036

    // Runs the dialog on the settings; true when OK changed any. An option
    // keeps the value read from the file unless its box changed.
    bool Edit(std::int32_t& taskTray, SettingsOptions& options);

    static const MessageMap* GetThisMessageMap();
    const MessageMap* GetMessageMap() const override { return GetThisMessageMap(); }

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
};
