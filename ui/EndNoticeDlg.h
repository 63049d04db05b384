#pragma once

#include "framework/Dialog.h"
#include "framework/Static.h"

// The warning shown before an end action: names the end mode and closes
// itself with IDOK after 15 seconds unless the user cancels (IDCANCEL). It is
// created topmost so that it is seen even when the program is not in the
// foreground.
class CEndNoticeDlg : public CDialog {
public:
    explicit CEndNoticeDlg(CWnd* pParent = nullptr) noexcept;
    ~CEndNoticeDlg() override;

    // Stores nMode and runs the dialog: IDOK after the time-out, IDCANCEL
    // after a cancel, -1 when the dialog cannot be created.
    virtual int DoNotice(int nMode);

    int m_nMode = -1;
    CStatic m_stMode;

    static const MessageMap* GetThisMessageMap();
    const MessageMap* GetMessageMap() const override { return GetThisMessageMap(); }

    static constexpr UINT_PTR kTimeoutTimer = 3;
    static constexpr UINT kTimeoutMs = 15000;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    void OnTimer(UINT_PTR nIDEvent);
};
