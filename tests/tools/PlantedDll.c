/* A stand-in for a DLL planted beside the program: when loaded, it leaves
 * "<its own path>.loaded" and does nothing else. It exports the powrprof
 * calls the program has used, so that a static import of them resolves to
 * it. */
#include <windows.h>

BOOLEAN WINAPI SetSuspendState(BOOLEAN hibernate, BOOLEAN force, BOOLEAN wakeupEventsDisabled) {
    (void)hibernate;
    (void)force;
    (void)wakeupEventsDisabled;
    return FALSE;
}

BOOLEAN WINAPI GetPwrCapabilities(void* capabilities) {
    (void)capabilities;
    return FALSE;
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    (void)reserved;
    if (reason == DLL_PROCESS_ATTACH) {
        WCHAR path[MAX_PATH + 8];
        const DWORD n = GetModuleFileNameW(instance, path, MAX_PATH);
        if (n > 0 && n < MAX_PATH) {
            lstrcatW(path, L".loaded");
            HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, NULL);
            if (file != INVALID_HANDLE_VALUE) {
                CloseHandle(file);
            }
        }
    }
    return TRUE;
}
