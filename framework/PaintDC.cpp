#include "framework/PaintDC.h"

CPaintDC::CPaintDC(HWND hWnd) noexcept : m_hWnd(hWnd), m_hDC(::BeginPaint(hWnd, &m_ps)) {}

CPaintDC::~CPaintDC() {
    if (m_hDC != nullptr) {
        ::EndPaint(m_hWnd, &m_ps);
    }
}

void CPaintDC::PaintIconic(HWND hWnd, HICON icon) {
    CPaintDC dc(hWnd);
    ::SendMessageW(hWnd, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.GetSafeHdc()), 0);
    const int cxIcon = ::GetSystemMetrics(SM_CXICON);
    const int cyIcon = ::GetSystemMetrics(SM_CYICON);
    RECT rect{};
    ::GetClientRect(hWnd, &rect);
    ::DrawIcon(dc, (rect.right - rect.left - cxIcon + 1) / 2,
               (rect.bottom - rect.top - cyIcon + 1) / 2, icon);
}
