#pragma once

#include "framework/Wnd.h"

// A button, check box or radio button of a dialog (not owned).
class CButton : public CWnd {
public:
    // BST_UNCHECKED, BST_CHECKED or BST_INDETERMINATE.
    int GetCheck() const;
    void SetCheck(int nCheck);
};
