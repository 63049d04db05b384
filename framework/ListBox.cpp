#include "framework/ListBox.h"

#include "framework/Text.h"

#include <vector>

int CListBox::GetCount() const {
    return static_cast<int>(SendMessage(LB_GETCOUNT));
}

int CListBox::GetCurSel() const {
    return static_cast<int>(SendMessage(LB_GETCURSEL));
}

int CListBox::SetCurSel(int nSelect) {
    return static_cast<int>(SendMessage(LB_SETCURSEL, static_cast<WPARAM>(nSelect)));
}

int CListBox::AddString(std::string_view text) {
    const std::wstring wide = Cp932ToWide(text);
    return static_cast<int>(SendMessage(LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide.c_str())));
}

int CListBox::InsertString(int nIndex, std::string_view text) {
    const std::wstring wide = Cp932ToWide(text);
    return static_cast<int>(SendMessage(LB_INSERTSTRING, static_cast<WPARAM>(nIndex),
                                        reinterpret_cast<LPARAM>(wide.c_str())));
}

int CListBox::DeleteString(int nIndex) {
    return static_cast<int>(SendMessage(LB_DELETESTRING, static_cast<WPARAM>(nIndex)));
}

void CListBox::ResetContent() {
    SendMessage(LB_RESETCONTENT);
}

std::string CListBox::GetText(int nIndex) const {
    const LRESULT len = SendMessage(LB_GETTEXTLEN, static_cast<WPARAM>(nIndex));
    if (len == LB_ERR || len <= 0) {
        return {};
    }
    std::vector<wchar_t> buffer(static_cast<std::size_t>(len) + 1);
    const LRESULT got = SendMessage(LB_GETTEXT, static_cast<WPARAM>(nIndex),
                                    reinterpret_cast<LPARAM>(buffer.data()));
    if (got == LB_ERR || got <= 0) {
        return {};
    }
    return WideToCp932(std::wstring_view(buffer.data(), static_cast<std::size_t>(got)));
}
