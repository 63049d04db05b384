// The framework's entry point: the program's work happens in the
// application object's InitInstance.
#include "framework/WinApp.h"

namespace {
// From here on, a DLL loaded by name (by this program or by system code on
// its behalf) comes from the system folder only, never from the exe's folder
// or the working folder, where anyone may have left one. The call is looked
// up: Vista and 7 without KB2533623 lack it, and a static import would stop
// the exe from starting there; SetDllDirectoryW(L"") then at least takes the
// working folder out of the search.
void RestrictDllSearchToSystemFolder() {
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    if (HMODULE kernel32 = ::GetModuleHandleW(L"kernel32.dll")) {
        const auto setDefaultDllDirectories = reinterpret_cast<SetDefaultDllDirectoriesFn>(
            reinterpret_cast<void (*)()>(::GetProcAddress(kernel32, "SetDefaultDllDirectories")));
        if (setDefaultDllDirectories != nullptr) {
            setDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
        }
    }
    ::SetDllDirectoryW(L"");
}
} // namespace

int WINAPI wWinMain(HINSTANCE hInstance, HINSTANCE, PWSTR, int nCmdShow) {
    RestrictDllSearchToSystemFolder();
    CWinApp* app = AfxGetApp();
    if (app == nullptr) {
        return -1;
    }
    app->WinInit(hInstance, nCmdShow);
    if (!app->InitInstance()) {
        return app->ExitInstance();
    }
    return app->Run();
}
