#pragma once

#include "framework/Dialog.h"
#include "framework/Static.h"
#include "schedule/WarningCountdown.h"

#include <optional>

// The warning shown before an end action: names the end mode, counts down
// the seconds left and closes itself with IDOK after 15 seconds unless the
// user cancels (IDCANCEL) or postpones it through the 延期 button's menu
// (kPostponed, with the minutes chosen). It is created topmost so that it is
// seen even when the program is not in the foreground. The action goes ahead
// only when the warning could be seen for its full time: a gap between its
// timer ticks longer than a few seconds (the program stalled, the machine
// slept) withdraws it as ｷｬﾝｾﾙ would.
class CEndNoticeDlg : public CDialog {
public:
    explicit CEndNoticeDlg(CWnd* pParent = nullptr) noexcept;
    ~CEndNoticeDlg() override;

    // Stores nMode and runs the dialog: IDOK after the time-out, IDCANCEL
    // after a cancel, kPostponed after a choice of 延期 (see
    // PostponeMinutes), -1 when the dialog cannot be created.
    virtual int DoNotice(int nMode);
    static constexpr int kPostponed = 1042; // the 延期 button's id
    int PostponeMinutes() const { return m_nPostponeMinutes; }
    // Ends the open warning as a cancel would (the machine sleeps or woke:
    // its due time is stale).
    void Withdraw();

    int m_nMode = -1;
    CStatic m_stMode;
    CStatic m_stCountdown;

    static const MessageMap* GetThisMessageMap();
    const MessageMap* GetMessageMap() const override { return GetThisMessageMap(); }

    static constexpr UINT_PTR kTimeoutTimer = 3;
    static constexpr UINT kTimeoutMs = CWarningCountdown::kTimeoutMs;
    // Only refreshes the countdown; never ends the dialog.
    static constexpr UINT_PTR kCountdownTimer = 4;
    static constexpr UINT kCountdownMs = 200;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    void OnTimer(UINT_PTR nIDEvent);
    // 延期: the menu of delays under the button.
    void OnPostpone();

private:
    // "あと N 秒": the whole seconds left, rounded up, from the time elapsed
    // since the dialog opened (not from counting ticks, which a busy machine
    // delays).
    void ShowCountdown(ULONGLONG now);

    // Stops both timers and closes an open menu of delays.
    void StopCounting();

    std::optional<CWarningCountdown> m_countdown; // on GetTickCount64, which counts sleep
    int m_shownSeconds = -1;
    int m_nPostponeMinutes = 0;
    bool m_bEnding = false; // the dialog is being ended: a menu choice comes too late
};
