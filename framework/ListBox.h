#pragma once

#include "framework/Wnd.h"

#include <string>
#include <string_view>

// A list box of a dialog (not owned). Lines are CP932 byte strings.
class CListBox : public CWnd {
public:
    int GetCount() const;
    // Selected line, or LB_ERR (-1) when none.
    int GetCurSel() const;
    // Selects line nSelect; -1 clears the selection.
    int SetCurSel(int nSelect);
    // Appends (unsorted box) and returns the line's index.
    int AddString(std::string_view text);
    int InsertString(int nIndex, std::string_view text);
    int DeleteString(int nIndex);
    void ResetContent();
    // Text of line nIndex; empty when there is no such line.
    std::string GetText(int nIndex) const;
};
