#pragma once

#include "framework/MessageMap.h"

#include <windows.h>

#include <string>
#include <string_view>

// A window seen through the framework. CWnd does not own the window: it
// refers to it by m_hWnd. A window the framework subclasses (every dialog it
// runs) sends each message first to WindowProc, which looks it up in the
// class's message table and otherwise passes it on with DefWindowProc.
// Texts are CP932 byte strings; the wide API is used underneath.
class CWnd {
public:
    CWnd() noexcept = default;
    explicit CWnd(HWND hWnd) noexcept : m_hWnd(hWnd) {}
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;
    virtual ~CWnd();

    HWND m_hWnd = nullptr;

    HWND GetSafeHwnd() const noexcept { return m_hWnd; }
    operator HWND() const noexcept { return m_hWnd; }

    // Binds this object to a window it does not own (no subclassing).
    void Attach(HWND hWnd) noexcept { m_hWnd = hWnd; }
    HWND Detach() noexcept;

    // Routes the window's messages through WindowProc until WM_NCDESTROY.
    BOOL SubclassWindow(HWND hWnd);
    // The framework object that subclassed hWnd, or null.
    static CWnd* FromHandlePermanent(HWND hWnd);

    // Message processing.
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // Default processing of the message being handled now.
    LRESULT Default();
    // The message being handled now.
    const MSG& CurrentMessage() const { return m_currentMsg; }
    // What default processing means for this window: the previous window
    // procedure when subclassed, else DefWindowProcW.
    virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);

    static const MessageMap* GetThisMessageMap();
    virtual const MessageMap* GetMessageMap() const { return GetThisMessageMap(); }

    // Text (CP932 bytes).
    void SetWindowText(std::string_view text);
    std::string GetWindowText() const;
    void SetDlgItemText(int nID, std::string_view text);
    std::string GetDlgItemText(int nID) const;

    // State and placement.
    BOOL ShowWindow(int nCmdShow);
    BOOL UpdateWindow();
    BOOL IsWindowVisible() const;
    BOOL IsWindowEnabled() const;
    BOOL EnableWindow(BOOL bEnable = TRUE);
    BOOL IsIconic() const;
    DWORD GetStyle() const;
    DWORD GetExStyle() const;
    void GetWindowRect(RECT* lpRect) const;
    void GetClientRect(RECT* lpRect) const;
    BOOL SetWindowPos(HWND hWndInsertAfter, int x, int y, int cx, int cy, UINT nFlags);
    // Centres over the owner when it is visible and not minimised, else on
    // the work area of the main window's monitor (children: over the parent).
    void CenterWindow();
    HWND SetActiveWindow();
    HWND SetFocus();

    // Timers without a timer procedure arrive as WM_TIMER.
    UINT_PTR SetTimer(UINT_PTR nIDEvent, UINT nElapse, TIMERPROC lpfnTimer = nullptr);
    BOOL KillTimer(UINT_PTR nIDEvent);

    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
    BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;

    HWND GetDlgItem(int nID) const;
    HWND GetOwner() const;
    HMENU GetSystemMenu(BOOL bRevert) const;
    // A separator and command `id`, named by string resource `stringId`, at
    // the end of the system menu.
    void AppendToSystemMenu(UINT id, UINT stringId) const;
    HICON SetIcon(HICON hIcon, BOOL bBigIcon);
    BOOL DestroyWindow();

protected:
    // Table lookup; true with *pResult set when a handler took the message.
    virtual BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    // Called after the last message (WM_NCDESTROY); m_hWnd is already null.
    virtual void PostNcDestroy() {}

private:
    static LRESULT CALLBACK SubclassProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

    WNDPROC m_pfnSuper = nullptr;
    MSG m_currentMsg{}; // the message WindowProc is handling, for Default()
};
