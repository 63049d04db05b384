#pragma once

#include "framework/Button.h"
#include "framework/Dialog.h"
#include "framework/Edit.h"
#include "framework/ListBox.h"

#include <functional>
#include <string>
#include <vector>

// A dialog for the window tests: hooks run inside OnInitDialog and once the
// modal loop is running, a replaceable data exchange, and handlers that log
// what reached them. A safety timer ends a run that a failed test left open.
class ProbeDlg : public CDialog {
public:
    explicit ProbeDlg(UINT nIDTemplate, CWnd* pParent = nullptr) : CDialog(nIDTemplate, pParent) {}

    std::function<void(ProbeDlg&)> onInit;        // after CDialog::OnInitDialog
    std::function<void(ProbeDlg&)> onRun;         // first message of the modal loop
    std::function<void(CDataExchange*)> exchange; // DoDataExchange
    std::function<void(ProbeDlg&, UINT_PTR)> onTimer;
    std::vector<std::string> log;
    std::vector<UINT_PTR> timers;

    static constexpr UINT kRunMessage = WM_APP + 1;
    static constexpr UINT_PTR kSafetyTimer = 999;
    static constexpr int kSafetyResult = -99;
    static constexpr UINT kMenuCommand = 40001;
    // A message registered at run time; 0 stands for a failed registration.
    UINT registered = ::RegisterWindowMessageW(L"Quillaberton.ProbeDlg");
    UINT Registered() const { return registered; }

    static const MessageMap* GetThisMessageMap();
    const MessageMap* GetMessageMap() const override { return GetThisMessageMap(); }

    using CDialog::OnCancel;
    using CDialog::OnOK;

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* pDX) override;

    LRESULT OnRunMessage(WPARAM, LPARAM);
    void OnTimer(UINT_PTR nIDEvent);
    void OnMenuCommand();
    void OnEditKillFocus();
    void OnCheckClicked();
    void OnListNotify(NMHDR* pNMHDR, LRESULT* pResult);
    LRESULT OnRegisteredMessage(WPARAM, LPARAM);
};
