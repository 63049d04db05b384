#pragma once

#include "command/CommandLine.h"

#include <windows.h>

#include <string>

// A start's side of a command: the words go to the running copy's main
// window as WM_COPYDATA, and its answer becomes the exit code. The answer to
// /next comes back the same way, to a message-only window of this start,
// and is written where the command was started from.
class CCommandSender {
public:
    // `running`: the running copy's main window.
    explicit CCommandSender(HWND running) : m_running(running) {}

    // An exit code of CCommandLine's.
    int Send(const CCommandLine& command);
    // /? and bad arguments: the usage to the console, or in a message box
    // when there is none. Returns `exitCode`.
    static int WriteUsage(int exitCode);

private:
    HWND m_running;
};
