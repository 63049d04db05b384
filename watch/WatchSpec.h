#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// The conditions a shutdown can wait for instead of a time.
enum class WatchKind {
    ProgramExit,  // every process of one executable name has ended
    NetworkQuiet, // received plus sent bytes stayed below a rate
    InputIdle,    // no keyboard or mouse input
    CpuQuiet,     // processor use stayed below a percentage
};

// A condition's values, as the dialog and the command line give them.
struct WatchSpec {
    WatchKind kind = WatchKind::ProgramExit;
    std::wstring name; // ProgramExit: the executable's file name, e.g. render.exe
    int level = 0;     // NetworkQuiet: KB/s (1 KB = 1024 bytes); CpuQuiet: percent
    int minutes = 0;   // how long it must hold; not for ProgramExit

    bool operator==(const WatchSpec&) const = default;
};

// The values a field takes, and the one it starts with.
struct WatchRange {
    int min;
    int max;
    int initial;

    bool Holds(int value) const { return value >= min && value <= max; }
};

inline constexpr WatchRange kQuietKbps{1, 100000, 50};
inline constexpr WatchRange kQuietMinutes{1, 120, 5};
inline constexpr WatchRange kIdleMinutes{1, 240, 10};
inline constexpr WatchRange kCpuPercent{1, 90, 10};
inline constexpr WatchRange kCpuMinutes{1, 120, 5};

// The longest file name Windows gives a program.
inline constexpr std::size_t kMaxProgramName = 255;

// A file name alone: not empty, not too long, and no path (no \, / or :),
// since processes are found by their executable's name only.
bool IsValidProgramName(std::wstring_view name);
// Every value of its kind within its range; the name for ProgramExit only.
bool IsValidWatchSpec(const WatchSpec& spec);
