#pragma once

#include "framework/Button.h"
#include "framework/Dialog.h"
#include "platform/StartupShortcut.h"
#include "settings/SettingsOptions.h"

#include <cstdint>

// The detail settings: start in the tray, keep running after standby or
// hibernation returns, wait while a fullscreen program or presentation runs,
// record what the program does (on unless turned off), and start with
// Windows. The caller sets the flags, runs DoModal and, after IDOK, reads
// them back (0 or 1). The Startup box is the link's own: given m_pStartup,
// the dialog shows and applies it at OK; without, or where the Startup
// folder cannot be read, the box is greyed out.
class CDetailSettingDlg : public CDialog {
public:
    explicit CDetailSettingDlg(CWnd* pParent = nullptr) noexcept;
    ~CDetailSettingDlg() override;

    int m_bTaskTray = 0;
    int m_bResume = 0;
    int m_bFullscreen = 0;
    int m_bHistory = 1;
    CButton m_chkTaskTray; // check box 1036
    CStartupShortcut* m_pStartup = nullptr;

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
