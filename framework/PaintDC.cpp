#include "framework/PaintDC.h"

CPaintDC::CPaintDC(HWND hWnd) noexcept : m_hWnd(hWnd), m_hDC(::BeginPaint(hWnd, &m_ps)) {}

CPaintDC::~CPaintDC() {
    if (m_hDC != nullptr) {
        ::EndPaint(m_hWnd, &m_ps);
    }
}
