#pragma once

#include "framework/DataExchange.h"
#include "framework/Wnd.h"

#include <windows.h>

// A modal dialog built from a dialog template in the program's resources.
//
// DoModal: with no parent given, the owner is the application's main window's
// last active popup (climbing out of child windows); when the main window
// has no window yet (the main window itself being run) there is no owner.
// The owner is disabled for the whole run and enabled again before the
// dialog is destroyed, then activated if the dialog was active. After
// WM_INITDIALOG the dialog is centred (CenterWindow) when its template has
// none of DS_CENTER, DS_CENTERMOUSE, DS_ABSALIGN and position 0,0, it did
// not move or become visible during OnInitDialog, and the owner is none or
// disabled. The run dispatches every message of the thread, so the owner
// keeps getting WM_TIMER. IDOK and IDCANCEL commands (Enter, Esc, the close
// box) reach the virtual OnOK and OnCancel.
class CDialog : public CWnd {
public:
    explicit CDialog(UINT nIDTemplate, CWnd* pParent = nullptr) noexcept;
    ~CDialog() override;

    // Runs the dialog; returns the EndDialog value, or -1 when the dialog
    // cannot be created.
    virtual INT_PTR DoModal();

    // Data exchange with the controls: FALSE towards the controls, TRUE
    // from them. FALSE when DoDataExchange failed.
    BOOL UpdateData(BOOL bSaveAndValidate = TRUE);

    // Ends the modal run with nResult once the current message returns.
    void EndDialog(int nResult);

    static const MessageMap* GetThisMessageMap();
    const MessageMap* GetMessageMap() const override { return GetThisMessageMap(); }

    UINT GetTemplateId() const noexcept { return m_nIDTemplate; }

protected:
    // Data exchange towards the controls, then TRUE (focus to the first tab stop).
    virtual BOOL OnInitDialog();
    // UpdateData(TRUE); on success EndDialog(IDOK).
    virtual void OnOK();
    // EndDialog(IDCANCEL).
    virtual void OnCancel();
    virtual void DoDataExchange(CDataExchange* pDX);

private:
    static INT_PTR CALLBACK DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT HandleInitDialog(WPARAM wParam, LPARAM lParam);
    void HandleOK();
    void HandleCancel();
    HWND FindOwner() const;
    BOOL CheckAutoCenter() const;
    void RunModalLoop();

    UINT m_nIDTemplate;
    CWnd* m_pParentWnd;
    const DLGTEMPLATE* m_lpTemplate = nullptr;
    int m_nModalResult = -1;
    bool m_bInModal = false;
};
