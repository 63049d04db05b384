#include "framework/Wnd.h"

#include "framework/Text.h"
#include "framework/WinApp.h"

#include <vector>

namespace {

// The window property that links a subclassed window to its CWnd.
constexpr const wchar_t* kWndProp = L"QuillabertonCWnd";

std::string WindowTextOf(HWND hWnd) {
    if (hWnd == nullptr) {
        return {};
    }
    const int len = ::GetWindowTextLengthW(hWnd);
    if (len <= 0) {
        return {};
    }
    std::vector<wchar_t> buffer(static_cast<std::size_t>(len) + 1);
    const int got = ::GetWindowTextW(hWnd, buffer.data(), len + 1);
    return WideToCp932(std::wstring_view(buffer.data(), got > 0 ? got : 0));
}

void SetWindowTextOf(HWND hWnd, std::string_view text) {
    if (hWnd != nullptr) {
        ::SetWindowTextW(hWnd, Cp932ToWide(text).c_str());
    }
}

} // namespace

CWnd::~CWnd() {
    // A subclassed window must not call into a destroyed object.
    if (m_hWnd != nullptr && m_pfnSuper != nullptr && FromHandlePermanent(m_hWnd) == this) {
        ::SetWindowLongPtrW(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
        ::RemovePropW(m_hWnd, kWndProp);
    }
}

HWND CWnd::Detach() noexcept {
    HWND h = m_hWnd;
    m_hWnd = nullptr;
    return h;
}

BOOL CWnd::SubclassWindow(HWND hWnd) {
    if (hWnd == nullptr || FromHandlePermanent(hWnd) != nullptr) {
        return FALSE;
    }
    if (!::SetPropW(hWnd, kWndProp, this)) {
        return FALSE;
    }
    m_hWnd = hWnd;
    m_pfnSuper = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CWnd::SubclassProc)));
    return TRUE;
}

CWnd* CWnd::FromHandlePermanent(HWND hWnd) {
    return hWnd ? static_cast<CWnd*>(::GetPropW(hWnd, kWndProp)) : nullptr;
}

LRESULT CALLBACK CWnd::SubclassProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    CWnd* wnd = FromHandlePermanent(hWnd);
    if (wnd == nullptr) {
        return ::DefWindowProcW(hWnd, message, wParam, lParam);
    }
    const MSG saved = wnd->m_currentMsg;
    MSG current{};
    current.hwnd = hWnd;
    current.message = message;
    current.wParam = wParam;
    current.lParam = lParam;
    wnd->m_currentMsg = current;
    const LRESULT result = wnd->WindowProc(message, wParam, lParam);
    wnd->m_currentMsg = saved;
    if (message == WM_NCDESTROY) {
        // The last message: give the window back to its own procedure.
        ::SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(wnd->m_pfnSuper));
        ::RemovePropW(hWnd, kWndProp);
        wnd->m_pfnSuper = nullptr;
        wnd->m_hWnd = nullptr;
        wnd->PostNcDestroy();
    }
    return result;
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (!OnWndMsg(message, wParam, lParam, &result)) {
        result = DefWindowProc(message, wParam, lParam);
    }
    return result;
}

BOOL CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    UINT code = 0;
    UINT id = 0;
    if (message == WM_COMMAND) {
        // Menus and accelerators (no control window) count as plain commands.
        code = lParam != 0 ? HIWORD(wParam) : 0;
        id = LOWORD(wParam);
    } else if (message == WM_NOTIFY) {
        const auto* hdr = reinterpret_cast<const NMHDR*>(lParam);
        if (hdr == nullptr) {
            return FALSE;
        }
        code = hdr->code;
        id = static_cast<UINT>(hdr->idFrom);
    }
    for (const MessageMap* map = GetMessageMap(); map != nullptr;
         map = map->base ? map->base() : nullptr) {
        for (const MessageMapEntry& e : map->entries) {
            const UINT wanted = e.registered != nullptr ? e.registered(*this) : e.message;
            if (wanted != message || (e.registered != nullptr && wanted == 0)) {
                continue;
            }
            if ((message == WM_COMMAND || message == WM_NOTIFY) && (e.code != code || e.id != id)) {
                continue;
            }
            *pResult = e.thunk(*this, wParam, lParam);
            return TRUE;
        }
    }
    return FALSE;
}

const MessageMap* CWnd::GetThisMessageMap() {
    static constexpr MessageMap map{nullptr, {}};
    return &map;
}

LRESULT CWnd::Default() {
    return DefWindowProc(m_currentMsg.message, m_currentMsg.wParam, m_currentMsg.lParam);
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (m_pfnSuper != nullptr) {
        return ::CallWindowProcW(m_pfnSuper, m_hWnd, message, wParam, lParam);
    }
    return ::DefWindowProcW(m_hWnd, message, wParam, lParam);
}

void CWnd::SetWindowText(std::string_view text) {
    SetWindowTextOf(m_hWnd, text);
}

std::string CWnd::GetWindowText() const {
    return WindowTextOf(m_hWnd);
}

void CWnd::SetDlgItemText(int nID, std::string_view text) {
    SetWindowTextOf(GetDlgItem(nID), text);
}

std::string CWnd::GetDlgItemText(int nID) const {
    return WindowTextOf(GetDlgItem(nID));
}

BOOL CWnd::ShowWindow(int nCmdShow) {
    return ::ShowWindow(m_hWnd, nCmdShow);
}

BOOL CWnd::UpdateWindow() {
    return ::UpdateWindow(m_hWnd);
}

BOOL CWnd::IsWindowVisible() const {
    return ::IsWindowVisible(m_hWnd);
}

BOOL CWnd::IsWindowEnabled() const {
    return ::IsWindowEnabled(m_hWnd);
}

BOOL CWnd::EnableWindow(BOOL bEnable) {
    return ::EnableWindow(m_hWnd, bEnable);
}

BOOL CWnd::IsIconic() const {
    return ::IsIconic(m_hWnd);
}

DWORD CWnd::GetStyle() const {
    return static_cast<DWORD>(::GetWindowLongPtrW(m_hWnd, GWL_STYLE));
}

DWORD CWnd::GetExStyle() const {
    return static_cast<DWORD>(::GetWindowLongPtrW(m_hWnd, GWL_EXSTYLE));
}

void CWnd::GetWindowRect(RECT* lpRect) const {
    ::GetWindowRect(m_hWnd, lpRect);
}

void CWnd::GetClientRect(RECT* lpRect) const {
    ::GetClientRect(m_hWnd, lpRect);
}

BOOL CWnd::SetWindowPos(HWND hWndInsertAfter, int x, int y, int cx, int cy, UINT nFlags) {
    return ::SetWindowPos(m_hWnd, hWndInsertAfter, x, y, cx, cy, nFlags);
}

void CWnd::CenterWindow() {
    const DWORD style = GetStyle();
    HWND hWndCenter = (style & WS_CHILD) ? ::GetParent(m_hWnd) : ::GetWindow(m_hWnd, GW_OWNER);

    RECT rcDlg;
    GetWindowRect(&rcDlg);
    RECT rcArea;
    RECT rcCenter;
    if (!(style & WS_CHILD)) {
        // Never centre over a hidden or minimised window.
        if (hWndCenter != nullptr) {
            const DWORD centerStyle =
                static_cast<DWORD>(::GetWindowLongPtrW(hWndCenter, GWL_STYLE));
            if (!(centerStyle & WS_VISIBLE) || (centerStyle & WS_MINIMIZE)) {
                hWndCenter = nullptr;
            }
        }
        MONITORINFO mi{};
        mi.cbSize = sizeof(mi);
        if (hWndCenter == nullptr) {
            CWnd* mainWnd = AfxGetMainWnd();
            HWND hDefault = mainWnd ? mainWnd->m_hWnd : nullptr;
            ::GetMonitorInfoW(::MonitorFromWindow(hDefault, MONITOR_DEFAULTTOPRIMARY), &mi);
            rcCenter = mi.rcWork;
            rcArea = mi.rcWork;
        } else {
            ::GetWindowRect(hWndCenter, &rcCenter);
            ::GetMonitorInfoW(::MonitorFromWindow(hWndCenter, MONITOR_DEFAULTTONEAREST), &mi);
            rcArea = mi.rcWork;
        }
    } else {
        HWND hWndParent = ::GetParent(m_hWnd);
        ::GetClientRect(hWndParent, &rcArea);
        ::GetClientRect(hWndCenter, &rcCenter);
        ::MapWindowPoints(hWndCenter, hWndParent, reinterpret_cast<POINT*>(&rcCenter), 2);
    }

    const int width = rcDlg.right - rcDlg.left;
    const int height = rcDlg.bottom - rcDlg.top;
    int xLeft = (rcCenter.left + rcCenter.right) / 2 - width / 2;
    int yTop = (rcCenter.top + rcCenter.bottom) / 2 - height / 2;
    // Keep the window inside the area.
    if (xLeft + width > rcArea.right) {
        xLeft = rcArea.right - width;
    }
    if (xLeft < rcArea.left) {
        xLeft = rcArea.left;
    }
    if (yTop + height > rcArea.bottom) {
        yTop = rcArea.bottom - height;
    }
    if (yTop < rcArea.top) {
        yTop = rcArea.top;
    }
    SetWindowPos(nullptr, xLeft, yTop, -1, -1, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

HWND CWnd::SetActiveWindow() {
    return ::SetActiveWindow(m_hWnd);
}

HWND CWnd::SetFocus() {
    return ::SetFocus(m_hWnd);
}

UINT_PTR CWnd::SetTimer(UINT_PTR nIDEvent, UINT nElapse, TIMERPROC lpfnTimer) {
    return ::SetTimer(m_hWnd, nIDEvent, nElapse, lpfnTimer);
}

BOOL CWnd::KillTimer(UINT_PTR nIDEvent) {
    return ::KillTimer(m_hWnd, nIDEvent);
}

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) const {
    return ::SendMessageW(m_hWnd, message, wParam, lParam);
}

BOOL CWnd::PostMessage(UINT message, WPARAM wParam, LPARAM lParam) const {
    return ::PostMessageW(m_hWnd, message, wParam, lParam);
}

HWND CWnd::GetDlgItem(int nID) const {
    return ::GetDlgItem(m_hWnd, nID);
}

HWND CWnd::GetOwner() const {
    return ::GetWindow(m_hWnd, GW_OWNER);
}

HMENU CWnd::GetSystemMenu(BOOL bRevert) const {
    return ::GetSystemMenu(m_hWnd, bRevert);
}

void CWnd::AppendToSystemMenu(UINT id, UINT stringId) const {
    const wchar_t* text = nullptr;
    const int len =
        ::LoadStringW(AfxGetResourceHandle(), stringId, reinterpret_cast<LPWSTR>(&text), 0);
    if (HMENU sysMenu = GetSystemMenu(FALSE); sysMenu != nullptr && len > 0) {
        ::AppendMenuW(sysMenu, MF_SEPARATOR, 0, nullptr);
        ::AppendMenuW(sysMenu, MF_STRING, id,
                      std::wstring(text, static_cast<std::size_t>(len)).c_str());
    }
}

HICON CWnd::SetIcon(HICON hIcon, BOOL bBigIcon) {
    return reinterpret_cast<HICON>(
        SendMessage(WM_SETICON, bBigIcon ? ICON_BIG : ICON_SMALL, reinterpret_cast<LPARAM>(hIcon)));
}

BOOL CWnd::DestroyWindow() {
    return m_hWnd ? ::DestroyWindow(m_hWnd) : FALSE;
}
