#pragma once

#include "framework/Button.h"
#include "framework/Dialog.h"

// The detail settings: the start-in-tray option. The caller sets
// m_bTaskTray, runs DoModal and, after IDOK, reads m_bTaskTray back (0 or 1).
class CDetailSettingDlg : public CDialog {
public:
    explicit CDetailSettingDlg(CWnd* pParent = nullptr) noexcept;
    ~CDetailSettingDlg() override;

    int m_bTaskTray = 0;
    CButton m_chkTaskTray; // check box 1036

    static const MessageMap* GetThisMessageMap();
    const MessageMap* GetMessageMap() const override { return GetThisMessageMap(); }

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
};
