#pragma once

#include "watch/WatchSpec.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// A command for the running copy, from the program's command line:
//
//     /timer MINUTES ACTION   a quick timer (MINUTES 1 to 1440; ACTION shutdown,
//                             restart, standby, logoff, hibernate or lock)
//     /when exit NAME ACTION           when every process NAME (render.exe) ends
//     /when quiet KBPS MINUTES ACTION  when the network stays below KBPS
//     /when idle MINUTES ACTION        when nobody touches the PC
//     /when cpu PERCENT MINUTES ACTION when the processor stays below PERCENT
//                             (the values' ranges are WatchSpec.h's)
//     /skip  /cancel  /show  /exit  /next  /?
//     /history [N]            the record's last N lines (1 to 10000; 20 when
//                             left out)
//     /dir FOLDER             with any of them or alone, once: the folder
//                             (absolute) that holds the settings file for
//                             this start
//
// A word may start with '/' or '-' and is read in any case (ASCII only). The
// same words, in their canonical form, are what the running copy receives;
// it reads them again with FromWords and trusts nothing else.
class CCommandLine {
public:
    enum class Kind {
        None, // no arguments: a plain start
        Bad,  // anything else that is not a whole command
        Timer,
        When,
        Skip,
        Cancel,
        Show,
        Exit,
        Next,
        History,
        Help,
    };

    // The process's exit codes for a command.
    enum ExitCode : int {
        kDone = 0,
        kBadArguments = 1, // the usage has been written
        kNoRunningCopy = 2,
        kRefused = 3, // the running copy could not do it now
    };

    // The most minutes a quick timer may wait: a day.
    static constexpr int kMaxMinutes = 1440;
    // /history's lines: by default, and at most (about a full record).
    static constexpr int kDefaultHistoryLines = 20;
    static constexpr int kMaxHistoryLines = 10000;
    // The longest Words(): "/when", "exit", the longest name and "hibernate",
    // each with its NUL.
    static constexpr std::size_t kMaxWordsChars = 6 + 5 + kMaxProgramName + 1 + 10;

    explicit CCommandLine(std::span<const std::wstring> args);
    // Words as sent to the running copy: each followed by a NUL. Bad unless
    // that is exactly what `data` holds.
    static CCommandLine FromWords(std::wstring_view data);

    Kind GetKind() const { return m_kind; }
    int Minutes() const { return m_minutes; }
    std::int32_t Mode() const { return m_mode; }
    // /history's number of lines.
    int Lines() const { return m_lines; }
    // /dir's folder as given, absolute; empty without /dir. Never sent to
    // the running copy, which keeps its own.
    const std::wstring& Dir() const { return m_dir; }
    // The condition of /when, valid by IsValidWatchSpec.
    const WatchSpec& Watch() const { return m_watch; }
    // /skip, /cancel, /exit, /next and /history mean nothing without a running copy;
    // /timer, /when and /show start one.
    bool NeedsRunningCopy() const;
    // The canonical words ("/timer", "30", "restart"), each followed by a NUL;
    // empty for None, Bad and Help, which never go to the running copy.
    std::wstring Words() const;

    // What /? and bad arguments write, lines ending with CR LF.
    static std::wstring_view Usage();

private:
    CCommandLine() = default;

    // The words after "/when"; true when they make a whole, valid condition.
    bool ReadWhen(std::span<const std::wstring> args);

    Kind m_kind = Kind::Bad;
    int m_minutes = 0;
    std::int32_t m_mode = 0;
    int m_lines = 0;
    std::wstring m_dir;
    WatchSpec m_watch;
};
