#include "ProbeDlg.h"

#include "TestDialogs.h"

#include <commctrl.h>

const MessageMap* ProbeDlg::GetThisMessageMap() {
    static constexpr MessageMapEntry entries[] = {
        OnMessage<kRunMessage, &ProbeDlg::OnRunMessage>(),
        OnMessage<WM_TIMER, &ProbeDlg::OnTimer>(),
        OnCommand<kMenuCommand, &ProbeDlg::OnMenuCommand>(),
        OnControl<EN_KILLFOCUS, IDC_TEST_EDIT, &ProbeDlg::OnEditKillFocus>(),
        OnControl<BN_CLICKED, IDC_TEST_CHECK, &ProbeDlg::OnCheckClicked>(),
        OnNotify<UDN_DELTAPOS, IDC_TEST_LIST, &ProbeDlg::OnListNotify>(),
        OnRegistered<&ProbeDlg::Registered, &ProbeDlg::OnRegisteredMessage>(),
    };
    static constexpr MessageMap map{&CDialog::GetThisMessageMap, entries};
    return &map;
}

BOOL ProbeDlg::OnInitDialog() {
    const BOOL result = CDialog::OnInitDialog();
    SetTimer(kSafetyTimer, 20000);
    if (onInit) {
        onInit(*this);
    }
    PostMessage(kRunMessage);
    return result;
}

void ProbeDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    if (exchange) {
        exchange(pDX);
    }
}

LRESULT ProbeDlg::OnRunMessage(WPARAM, LPARAM) {
    if (onRun) {
        auto run = std::move(onRun);
        onRun = nullptr;
        run(*this);
    }
    return 0;
}

void ProbeDlg::OnTimer(UINT_PTR nIDEvent) {
    timers.push_back(nIDEvent);
    if (nIDEvent == kSafetyTimer) {
        KillTimer(kSafetyTimer);
        EndDialog(kSafetyResult);
    }
    if (onTimer) {
        onTimer(*this, nIDEvent);
    }
    Default();
}

void ProbeDlg::OnMenuCommand() {
    log.push_back("menu");
}

void ProbeDlg::OnEditKillFocus() {
    log.push_back("killfocus");
}

void ProbeDlg::OnCheckClicked() {
    log.push_back("clicked");
}

void ProbeDlg::OnListNotify(NMHDR* pNMHDR, LRESULT* pResult) {
    log.push_back("notify " + std::to_string(pNMHDR->idFrom));
    *pResult = 77;
}

LRESULT ProbeDlg::OnRegisteredMessage(WPARAM wParam, LPARAM) {
    log.push_back("registered " + std::to_string(wParam));
    return 5;
}
