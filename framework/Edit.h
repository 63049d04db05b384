#pragma once

#include "framework/Wnd.h"

// An edit control of a dialog (not owned). Text through CWnd's
// SetWindowText/GetWindowText (CP932).
class CEdit : public CWnd {
public:
    void SetSel(int nStartChar, int nEndChar);
    void LimitText(int nChars);
};
