#pragma once

#include "framework/Wnd.h"

// A static control of a dialog (not owned). Text through CWnd's
// SetWindowText/GetWindowText (CP932).
class CStatic : public CWnd {
public:
    HICON SetIcon(HICON hIcon);
};
