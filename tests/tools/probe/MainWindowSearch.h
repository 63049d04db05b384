#pragma once

// Finds the main window of a running Quillaberton.exe: the dialog of that
// process that holds the clock (1004). For the probes that time the program.
#include <windows.h>

#include <cwchar>

inline HWND FindMainWindow(DWORD pid) {
    struct Search {
        DWORD pid;
        HWND found = nullptr;
    } search{pid};
    ::EnumWindows(
        [](HWND w, LPARAM lp) -> BOOL {
            auto* s = reinterpret_cast<Search*>(lp);
            DWORD owner = 0;
            ::GetWindowThreadProcessId(w, &owner);
            wchar_t cls[16] = {};
            ::GetClassNameW(w, cls, 16);
            if (owner == s->pid && std::wcscmp(cls, L"#32770") == 0 &&
                ::GetDlgItem(w, 1004) != nullptr) {
                s->found = w;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}
