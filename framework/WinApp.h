#pragma once

#include <windows.h>

#include <string>
#include <string_view>

class CWnd;

// The application object: exactly one exists, constructed during static
// initialisation. The framework's entry point (wWinMain, target
// qb_framework_main) fills in m_hInstance and m_pszExeName, initialises the
// common controls and calls InitInstance. FALSE ends the process;
// TRUE runs a message loop until WM_QUIT, then ExitInstance.
class CWinApp {
public:
    explicit CWinApp(const wchar_t* pszAppName = nullptr) noexcept;
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;
    virtual ~CWinApp();

    virtual BOOL InitInstance();
    virtual int ExitInstance();
    // The message loop after InitInstance returned TRUE.
    virtual int Run();

    // What the entry point does before InitInstance.
    void WinInit(HINSTANCE hInstance, int nCmdShow);

    // The executable name as the framework derives it: the path cut at its
    // last dot, then what follows the last '\\', '/' or ':'.
    // "D:\\Apps\\Clock.exe" gives "Clock". A path without a dot is not cut.
    static std::wstring ExeNameFromModulePath(std::wstring_view path);

    HINSTANCE m_hInstance;
    int m_nCmdShow = SW_SHOWNORMAL;
    std::wstring m_pszAppName;
    std::wstring m_pszExeName;
    // The registered main window; dialogs run without a parent are owned by it.
    CWnd* m_pMainWnd = nullptr;

private:
    friend CWinApp* AfxGetApp() noexcept;
    static CWinApp* s_pApp;
};

// The application object, or null when the program has none.
CWinApp* AfxGetApp() noexcept;
// The registered main window, or null.
CWnd* AfxGetMainWnd() noexcept;
// The module holding the program's resources (the exe).
HINSTANCE AfxGetResourceHandle() noexcept;

// Standard start-up calls of dialog-based programs. The first makes sure the
// common controls (the up-down control among them) are registered; the
// second has nothing left to do.
void AfxEnableControlContainer(void* pOccManager = nullptr);
BOOL Enable3dControlsStatic() noexcept;
