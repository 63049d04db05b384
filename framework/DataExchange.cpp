#include "framework/DataExchange.h"

#include "framework/Wnd.h"

HWND CDataExchange::PrepareCtrl(int nIDC) {
    HWND hWndCtrl = m_pDlgWnd ? m_pDlgWnd->GetDlgItem(nIDC) : nullptr;
    if (hWndCtrl == nullptr) {
        Fail();
    }
    return hWndCtrl;
}

void CDataExchange::Fail() {
    throw DataExchangeFailure{};
}

void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl) {
    HWND hWndCtrl = pDX->PrepareCtrl(nIDC);
    if (rControl.m_hWnd != hWndCtrl) {
        rControl.Attach(hWndCtrl);
    }
}

void DDX_Radio(CDataExchange* pDX, int nIDC, int& value) {
    HWND hWndCtrl = pDX->PrepareCtrl(nIDC);
    if (pDX->m_bSaveAndValidate) {
        value = -1;
    }
    int index = 0;
    do {
        if (::SendMessageW(hWndCtrl, WM_GETDLGCODE, 0, 0) & DLGC_RADIOBUTTON) {
            if (pDX->m_bSaveAndValidate) {
                if (::SendMessageW(hWndCtrl, BM_GETCHECK, 0, 0) != BST_UNCHECKED) {
                    value = index;
                }
            } else {
                ::SendMessageW(hWndCtrl, BM_SETCHECK, index == value ? BST_CHECKED : BST_UNCHECKED,
                               0);
            }
            ++index;
        }
        hWndCtrl = ::GetWindow(hWndCtrl, GW_HWNDNEXT);
    } while (hWndCtrl != nullptr && !(::GetWindowLongPtrW(hWndCtrl, GWL_STYLE) & WS_GROUP));
}

void DDX_Check(CDataExchange* pDX, int nIDC, int& value) {
    HWND hWndCtrl = pDX->PrepareCtrl(nIDC);
    if (pDX->m_bSaveAndValidate) {
        value = ::SendMessageW(hWndCtrl, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
    } else {
        ::SendMessageW(hWndCtrl, BM_SETCHECK, value != 0 ? BST_CHECKED : BST_UNCHECKED, 0);
    }
}
