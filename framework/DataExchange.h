#pragma once

#include <windows.h>

class CWnd;

// Thrown by CDataExchange::Fail; UpdateData catches it and returns FALSE.
struct DataExchangeFailure {};

// One data-exchange pass between a dialog's members and its controls.
// m_bSaveAndValidate: TRUE reads the controls, FALSE writes them.
class CDataExchange {
public:
    CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate) noexcept
        : m_bSaveAndValidate(bSaveAndValidate), m_pDlgWnd(pDlgWnd) {}

    BOOL m_bSaveAndValidate;
    CWnd* m_pDlgWnd;

    // The control with this id; fails the exchange when there is none.
    HWND PrepareCtrl(int nIDC);
    // Abandons the exchange: UpdateData returns FALSE.
    [[noreturn]] void Fail();
};

// Binds rControl to control nIDC (again only if it refers to another window).
void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl);

// Radio group starting at nIDC (which carries WS_GROUP) and running to the
// next control with WS_GROUP; non-radio controls inside are skipped.
// Reading: the index of the checked button, or -1. Writing: the button at
// index value is checked and every other cleared (an index outside the
// group clears them all).
void DDX_Radio(CDataExchange* pDX, int nIDC, int& value);

// Check box as 0 or 1 (writing: any non-zero value checks it).
void DDX_Check(CDataExchange* pDX, int nIDC, int& value);
