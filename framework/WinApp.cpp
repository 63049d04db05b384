#include "framework/WinApp.h"

#include "framework/Wnd.h"

#include <commctrl.h>

#include <vector>

CWinApp* CWinApp::s_pApp = nullptr;

CWinApp::CWinApp(const wchar_t* pszAppName) noexcept
    : m_hInstance(::GetModuleHandleW(nullptr)), m_pszAppName(pszAppName ? pszAppName : L"") {
    s_pApp = this;
}

CWinApp::~CWinApp() {
    if (s_pApp == this) {
        s_pApp = nullptr;
    }
}

BOOL CWinApp::InitInstance() {
    return TRUE;
}

int CWinApp::ExitInstance() {
    return 0;
}

int CWinApp::Run() {
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    const int exitInstance = ExitInstance();
    return msg.message == WM_QUIT ? static_cast<int>(msg.wParam) : exitInstance;
}

std::wstring CWinApp::ExeNameFromModulePath(std::wstring_view path) {
    const std::size_t dot = path.rfind(L'.');
    if (dot != std::wstring_view::npos) {
        path = path.substr(0, dot);
    }
    const std::size_t sep = path.find_last_of(L"\\/:");
    if (sep != std::wstring_view::npos) {
        path = path.substr(sep + 1);
    }
    return std::wstring(path);
}

void CWinApp::WinInit(HINSTANCE hInstance, int nCmdShow) {
    m_hInstance = hInstance;
    m_nCmdShow = nCmdShow;

    // The module path may be longer than MAX_PATH: grow until it fits.
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD n =
            ::GetModuleFileNameW(hInstance, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0) {
            buffer.assign(1, L'\0');
            break;
        }
        if (n < buffer.size()) {
            buffer.resize(n);
            break;
        }
        buffer.resize(buffer.size() * 2);
    }
    m_pszExeName = ExeNameFromModulePath(std::wstring_view(buffer.data(), buffer.size()));
    if (m_pszAppName.empty()) {
        m_pszAppName = m_pszExeName;
    }

    // The up-down control and the visual styles need the common controls
    // registered before the first dialog is created.
    AfxEnableControlContainer();
}

CWinApp* AfxGetApp() noexcept {
    return CWinApp::s_pApp;
}

CWnd* AfxGetMainWnd() noexcept {
    CWinApp* app = AfxGetApp();
    return app ? app->m_pMainWnd : nullptr;
}

HINSTANCE AfxGetResourceHandle() noexcept {
    CWinApp* app = AfxGetApp();
    return app && app->m_hInstance ? app->m_hInstance : ::GetModuleHandleW(nullptr);
}

void AfxEnableControlContainer(void*) {
    INITCOMMONCONTROLSEX icc{};
    icc.dwSize = sizeof(icc);
    icc.dwICC = ICC_STANDARD_CLASSES | ICC_UPDOWN_CLASS | ICC_WIN95_CLASSES;
    ::InitCommonControlsEx(&icc);
}

BOOL Enable3dControlsStatic() noexcept {
    return TRUE;
}
