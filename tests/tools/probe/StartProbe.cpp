// Starts a program under test and reports how long it takes until its main
// window answers messages with the clock showing. Used by
// scripts/measure-hostile.sh; prints "ready_ms=N" or "ready_ms=timeout".
//   start_probe <exe> <working folder> <time-out ms> <linger ms>
// The program is ended `linger` ms after it answered (or at the time-out).
#include "MainWindowSearch.h"

#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

// True once the clock control reports text, asked without waiting on a hung
// window.
bool Answers(DWORD pid) {
    const HWND main = FindMainWindow(pid);
    if (main == nullptr) {
        return false;
    }
    DWORD_PTR len = 0;
    return ::SendMessageTimeoutW(::GetDlgItem(main, 1004), WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG,
                                 200, &len) != 0 &&
           len > 0;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: start_probe exe workdir timeout_ms linger_ms\n");
        return 2;
    }
    const DWORD timeout = static_cast<DWORD>(std::wcstoul(argv[3], nullptr, 10));
    const DWORD linger = static_cast<DWORD>(std::wcstoul(argv[4], nullptr, 10));
    std::wstring cmd = L"\"" + std::wstring(argv[1]) + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    LARGE_INTEGER freq, t0, t1;
    ::QueryPerformanceFrequency(&freq);
    ::QueryPerformanceCounter(&t0);
    if (!::CreateProcessW(argv[1], cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, argv[2], &si,
                          &pi)) {
        std::fprintf(stderr, "start_probe: cannot start (%lu)\n", ::GetLastError());
        return 1;
    }
    ::CloseHandle(pi.hThread);
    bool ready = false;
    for (;;) {
        ::QueryPerformanceCounter(&t1);
        const double ms = 1000.0 * (t1.QuadPart - t0.QuadPart) / freq.QuadPart;
        if (Answers(pi.dwProcessId)) {
            std::printf("ready_ms=%.0f\n", ms);
            ready = true;
            break;
        }
        if (ms > timeout || ::WaitForSingleObject(pi.hProcess, 0) == WAIT_OBJECT_0) {
            std::printf("ready_ms=timeout\n");
            break;
        }
        ::Sleep(5);
    }
    std::fflush(stdout);
    if (ready) {
        ::Sleep(linger);
    }
    ::TerminateProcess(pi.hProcess, 0);
    ::WaitForSingleObject(pi.hProcess, 5000);
    ::CloseHandle(pi.hProcess);
    return ready ? 0 : 1;
}
