#pragma once

#include "framework/Handle.h"

#include <string_view>

// Where a command writes its text: the standard output when the command's
// output was redirected to a file or a pipe, else the console it was started
// from. A program without a console window of its own has neither until it
// looks. Redirected text is in the console's output code page, as the
// script reading it expects (UTF-8 when there is no console); a console
// gets UTF-16 through WriteConsoleW.
class CConsoleOutput {
public:
    CConsoleOutput();
    // A seam for tests: the calls to the parent's console.
    struct ConsoleCalls {
        BOOL(WINAPI* attach)(DWORD);    // AttachConsole
        UINT(WINAPI* outputCodePage)(); // GetConsoleOutputCP
        BOOL(WINAPI* detach)();         // FreeConsole
    };
    explicit CConsoleOutput(const ConsoleCalls& calls);
    ~CConsoleOutput();
    CConsoleOutput(const CConsoleOutput&) = delete;
    CConsoleOutput& operator=(const CConsoleOutput&) = delete;

    // False when there is nowhere to write, or the writing failed.
    bool Write(std::wstring_view text) const;

private:
    HANDLE m_redirected = nullptr; // the process's own handle: not closed here
    unique_hfile m_console;        // CONOUT$ of the attached console
    bool m_attached = false;
    BOOL(WINAPI* m_detach)() = nullptr;
    UINT m_codePage = CP_UTF8;
};
