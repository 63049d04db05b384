#include "tests/e2e/host/HostMainWnd.h"

CHostMainWnd::~CHostMainWnd() {
    if (m_hWnd != nullptr && ::IsWindow(m_hWnd)) {
        ::DestroyWindow(m_hWnd);
    }
}

BOOL CHostMainWnd::Create(HINSTANCE hInstance, bool bVisible) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &CHostMainWnd::WndProc;
    wc.hInstance = hInstance;
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kClassName;
    ::RegisterClassExW(&wc);
    const DWORD style = WS_OVERLAPPEDWINDOW | (bVisible ? WS_VISIBLE : 0);
    m_hWnd =
        ::CreateWindowExW(0, kClassName, kCaption, style, kPlacement.left, kPlacement.top,
                          kPlacement.right - kPlacement.left, kPlacement.bottom - kPlacement.top,
                          nullptr, nullptr, hInstance, nullptr);
    return m_hWnd != nullptr;
}

LRESULT CALLBACK CHostMainWnd::WndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) {
        ::PostQuitMessage(0);
        return 0;
    }
    return ::DefWindowProcW(hWnd, message, wParam, lParam);
}
