// Times the list commands of a running Quillaberton.exe whose list is long.
// Used by scripts/measure-list.sh; prints one line per command:
//   <command> <ms>
// where ms runs from sending the command until the main window has handled
// it (the list box updated). Delete and the two moves are sent to the
// middle line, three times each.
//   list_probe <exe> <working folder>
#include "MainWindowSearch.h"

#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

double Now() {
    LARGE_INTEGER f, t;
    ::QueryPerformanceFrequency(&f);
    ::QueryPerformanceCounter(&t);
    return 1000.0 * static_cast<double>(t.QuadPart) / static_cast<double>(f.QuadPart);
}

// Sends and waits up to 10 minutes; the elapsed ms, or -1.
double Timed(HWND w, UINT message, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR result = 0;
    const double t0 = Now();
    if (::SendMessageTimeoutW(w, message, wParam, lParam, SMTO_NORMAL, 600000, &result) == 0) {
        return -1;
    }
    return Now() - t0;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: list_probe exe workdir\n");
        return 2;
    }
    std::wstring cmd = L"\"" + std::wstring(argv[1]) + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    const double start = Now();
    if (!::CreateProcessW(argv[1], cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, argv[2], &si,
                          &pi)) {
        std::fprintf(stderr, "list_probe: cannot start (%lu)\n", ::GetLastError());
        return 1;
    }
    ::CloseHandle(pi.hThread);
    HWND main = nullptr;
    HWND list = nullptr;
    DWORD_PTR lines = 0;
    while (Now() - start < 600000) {
        main = FindMainWindow(pi.dwProcessId);
        DWORD_PTR len = 0;
        if (main != nullptr &&
            ::SendMessageTimeoutW(::GetDlgItem(main, 1004), WM_GETTEXTLENGTH, 0, 0,
                                  SMTO_ABORTIFHUNG, 200, &len) != 0 &&
            len > 0) {
            list = ::GetDlgItem(main, 1005);
            ::SendMessageTimeoutW(list, LB_GETCOUNT, 0, 0, SMTO_NORMAL, 5000, &lines);
            break;
        }
        ::Sleep(20);
    }
    if (list == nullptr) {
        std::printf("start timeout\n");
        ::TerminateProcess(pi.hProcess, 1);
        return 1;
    }
    std::printf("start %.0f (%u lines)\n", Now() - start, static_cast<unsigned>(lines));
    const HWND spin = ::GetDlgItem(main, 1038);
    RECT r{};
    ::GetClientRect(spin, &r);
    const LPARAM upper = MAKELPARAM(r.right / 2, r.bottom / 4);
    const LPARAM lower = MAKELPARAM(r.right / 2, r.bottom * 3 / 4);
    for (int round = 0; round < 3; ++round) {
        const int middle = static_cast<int>(lines) / 2;
        ::SendMessageW(list, LB_SETCURSEL, middle, 0);
        std::printf("delete %.1f\n", Timed(main, WM_COMMAND, 1008, 0));
        --lines;
        ::SendMessageW(list, LB_SETCURSEL, middle, 0);
        std::printf("move_down %.1f\n", Timed(spin, WM_LBUTTONDOWN, MK_LBUTTON, lower));
        ::SendMessageW(spin, WM_LBUTTONUP, 0, lower);
        std::printf("move_up %.1f\n", Timed(spin, WM_LBUTTONDOWN, MK_LBUTTON, upper));
        ::SendMessageW(spin, WM_LBUTTONUP, 0, upper);
    }
    ::TerminateProcess(pi.hProcess, 0);
    ::CloseHandle(pi.hProcess);
    return 0;
}
