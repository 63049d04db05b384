#include "framework/Dialog.h"

#include "framework/WinApp.h"

#include <cstring>

CDialog::CDialog(UINT nIDTemplate, CWnd* pParent) noexcept
    : m_nIDTemplate(nIDTemplate), m_pParentWnd(pParent) {}

CDialog::~CDialog() {
    if (m_hWnd != nullptr && FromHandlePermanent(m_hWnd) == this) {
        ::DestroyWindow(m_hWnd);
    }
}

const MessageMap* CDialog::GetThisMessageMap() {
    static constexpr MessageMapEntry entries[] = {
        OnMessage<WM_INITDIALOG, &CDialog::HandleInitDialog>(),
        OnCommand<IDOK, &CDialog::HandleOK>(),
        OnCommand<IDCANCEL, &CDialog::HandleCancel>(),
    };
    static constexpr MessageMap map{&CWnd::GetThisMessageMap, entries};
    return &map;
}

void CDialog::HandleOK() {
    OnOK();
}

void CDialog::HandleCancel() {
    OnCancel();
}

HWND CDialog::FindOwner() const {
    CWnd* mainWnd = AfxGetMainWnd();
    if (mainWnd == nullptr || mainWnd == this) {
        return nullptr;
    }
    HWND hWnd = mainWnd->m_hWnd;
    // A popup cannot be owned by a child window.
    while (hWnd != nullptr && (::GetWindowLongPtrW(hWnd, GWL_STYLE) & WS_CHILD)) {
        hWnd = ::GetParent(hWnd);
    }
    if (hWnd != nullptr) {
        hWnd = ::GetLastActivePopup(hWnd);
    }
    return hWnd;
}

INT_PTR CDialog::DoModal() {
    if (m_bInModal || m_hWnd != nullptr) {
        return -1; // already running
    }
    HINSTANCE hInst = AfxGetResourceHandle();
    HRSRC hRes = ::FindResourceW(hInst, MAKEINTRESOURCEW(m_nIDTemplate), MAKEINTRESOURCEW(5));
    HGLOBAL hGlobal = hRes ? ::LoadResource(hInst, hRes) : nullptr;
    m_lpTemplate = hGlobal ? static_cast<const DLGTEMPLATE*>(::LockResource(hGlobal)) : nullptr;
    if (m_lpTemplate == nullptr) {
        return -1;
    }

    HWND hWndOwner = nullptr;
    if (m_pParentWnd != nullptr) {
        hWndOwner = m_pParentWnd->m_hWnd;
        while (hWndOwner != nullptr && (::GetWindowLongPtrW(hWndOwner, GWL_STYLE) & WS_CHILD)) {
            hWndOwner = ::GetParent(hWndOwner);
        }
    } else {
        hWndOwner = FindOwner();
    }
    bool enableOwner = false;
    if (hWndOwner != nullptr && ::IsWindowEnabled(hWndOwner)) {
        ::EnableWindow(hWndOwner, FALSE);
        enableOwner = true;
    }

    m_nModalResult = -1;
    m_bInModal = true;
    HWND hWnd = ::CreateDialogIndirectParamW(hInst, m_lpTemplate, hWndOwner, &CDialog::DialogProc,
                                             reinterpret_cast<LPARAM>(this));
    if (hWnd == nullptr) {
        m_nModalResult = -1;
    } else if (m_bInModal) {
        RunModalLoop();
    }
    m_bInModal = false;

    // Hide first, give the owner back its input, then destroy.
    if (m_hWnd != nullptr) {
        SetWindowPos(nullptr, 0, 0, 0, 0,
                     SWP_HIDEWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_NOZORDER);
    }
    if (enableOwner) {
        ::EnableWindow(hWndOwner, TRUE);
    }
    if (hWndOwner != nullptr && m_hWnd != nullptr && ::GetActiveWindow() == m_hWnd) {
        ::SetActiveWindow(hWndOwner);
    }
    if (m_hWnd != nullptr) {
        ::DestroyWindow(m_hWnd);
    }
    m_lpTemplate = nullptr;
    return m_nModalResult;
}

void CDialog::RunModalLoop() {
    // Show on the first idle moment unless already visible (or refused).
    bool showIdle = !(GetStyle() & WS_VISIBLE);
    MSG msg;
    while (m_bInModal && m_hWnd != nullptr) {
        if (showIdle && !::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
            showIdle = false;
            ShowWindow(SW_SHOWNORMAL);
            UpdateWindow();
            continue;
        }
        const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0) {
            // WM_QUIT: leave this run and let the outer loop see it too.
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            m_nModalResult = -1;
            break;
        }
        if (got < 0) {
            break;
        }
        if (!::IsDialogMessageW(m_hWnd, &msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
}

void CDialog::EndDialog(int nResult) {
    m_nModalResult = nResult;
    if (m_bInModal) {
        m_bInModal = false;
        if (m_hWnd != nullptr) {
            PostMessage(WM_NULL); // wake the loop
        }
    }
}

BOOL CDialog::UpdateData(BOOL bSaveAndValidate) {
    CDataExchange dx(this, bSaveAndValidate);
    try {
        DoDataExchange(&dx);
    } catch (const DataExchangeFailure&) {
        return FALSE;
    }
    return TRUE;
}

void CDialog::DoDataExchange(CDataExchange*) {}

BOOL CDialog::OnInitDialog() {
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK() {
    if (!UpdateData(TRUE)) {
        return;
    }
    EndDialog(IDOK);
}

void CDialog::OnCancel() {
    EndDialog(IDCANCEL);
}

BOOL CDialog::CheckAutoCenter() const {
    if (m_lpTemplate == nullptr) {
        return FALSE;
    }
    const auto* bytes = reinterpret_cast<const unsigned char*>(m_lpTemplate);
    WORD signature = 0;
    std::memcpy(&signature, bytes + 2, sizeof(signature));
    const bool extended = signature == 0xFFFF;
    DWORD style = 0;
    short x = 0;
    short y = 0;
    std::memcpy(&style, bytes + (extended ? 12 : 0), sizeof(style));
    std::memcpy(&x, bytes + (extended ? 18 : 10), sizeof(x));
    std::memcpy(&y, bytes + (extended ? 20 : 12), sizeof(y));
    if (style & (DS_CENTER | DS_CENTERMOUSE | DS_ABSALIGN)) {
        return FALSE;
    }
    return x == 0 && y == 0;
}

LRESULT CDialog::HandleInitDialog(WPARAM, LPARAM) {
    RECT before;
    GetWindowRect(&before);
    const BOOL result = OnInitDialog();
    if (m_hWnd == nullptr || IsWindowVisible()) {
        return result;
    }
    RECT after;
    GetWindowRect(&after);
    if (!::EqualRect(&before, &after)) {
        return result; // placed by OnInitDialog
    }
    HWND hWndOwner = GetOwner();
    if (hWndOwner != nullptr && ::IsWindowEnabled(hWndOwner)) {
        return result;
    }
    if (CheckAutoCenter()) {
        CenterWindow();
    }
    return result;
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_INITDIALOG || FromHandlePermanent(hWnd) != nullptr) {
        // Everything else has been through WindowProc already: default
        // processing.
        return FALSE;
    }
    auto* dlg = reinterpret_cast<CDialog*>(lParam);
    if (dlg == nullptr || !dlg->SubclassWindow(hWnd)) {
        return FALSE;
    }
    // From here on every message goes through the subclass first; send
    // WM_INITDIALOG the same way.
    auto proc = reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(hWnd, GWLP_WNDPROC));
    return ::CallWindowProcW(proc, hWnd, WM_INITDIALOG, wParam, lParam);
}
