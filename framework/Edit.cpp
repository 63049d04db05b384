#include "framework/Edit.h"

void CEdit::SetSel(int nStartChar, int nEndChar) {
    SendMessage(EM_SETSEL, static_cast<WPARAM>(nStartChar), static_cast<LPARAM>(nEndChar));
}

void CEdit::LimitText(int nChars) {
    SendMessage(EM_LIMITTEXT, static_cast<WPARAM>(nChars));
}
