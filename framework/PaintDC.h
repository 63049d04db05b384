#pragma once

#include <windows.h>

// The device context of one WM_PAINT: BeginPaint on construction, EndPaint
// on destruction.
class CPaintDC {
public:
    explicit CPaintDC(HWND hWnd) noexcept;
    CPaintDC(const CPaintDC&) = delete;
    CPaintDC& operator=(const CPaintDC&) = delete;
    ~CPaintDC();

    // A whole WM_PAINT of a minimised window: the background erased through
    // WM_ICONERASEBKGND, then `icon` at the large icon size, centred.
    static void PaintIconic(HWND hWnd, HICON icon);

    HDC GetSafeHdc() const noexcept { return m_hDC; }
    operator HDC() const noexcept { return m_hDC; }

    PAINTSTRUCT m_ps{};

private:
    HWND m_hWnd;
    HDC m_hDC;
};
