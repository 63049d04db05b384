#pragma once

#include <string>
#include <vector>

// A running program that shows a window: its executable's file name
// (e.g. render.exe) and the title of one of its windows.
struct RunningProgram {
    std::wstring name;
    std::wstring title;
};

// The programs of this session with a visible, unowned, titled top-level
// window, this one left out: one row per executable name (the first window
// found gives the title), sorted by name without regard to case. A process
// that cannot be opened (elevated, protected) is left out.
std::vector<RunningProgram> ListRunningPrograms();
