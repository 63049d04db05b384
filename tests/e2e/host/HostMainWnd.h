#pragma once

#include "framework/Wnd.h"

// The host's stand-in for the program's main window: a plain top-level
// window, off the screen's centre, that the framework's dialogs take as their
// owner once it is the application's main window. Destroyed with the object;
// closing it (WM_CLOSE) ends the host's message loop.
class CHostMainWnd : public CWnd {
public:
    static constexpr const wchar_t* kClassName = L"QbE2EHostMain";
    static constexpr const wchar_t* kCaption = L"E2E Host";
    static constexpr RECT kPlacement{40, 40, 520, 400};

    CHostMainWnd() noexcept = default;
    ~CHostMainWnd() override;

    BOOL Create(HINSTANCE hInstance, bool bVisible);

private:
    static LRESULT CALLBACK WndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
};
