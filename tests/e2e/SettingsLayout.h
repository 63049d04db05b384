#pragma once

// Settings files and due times for the end-to-end tests of the real program.

#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <utility>
#include <vector>

namespace qb::e2e {

// "時刻設定" in CP932: the name of a new entry.
inline const std::string kDefaultEntryName = "\x8e\x9e\x8d\x8f\x90\xdd\x92\xe8";

struct Entry {
    std::string name = kDefaultEntryName;
    int time_mode = 0, year = 0, month = 0, day = 0, week = 0;
    int hour = 0, minute = 0, second = 0, sd_mode = 0;
};

// The settings file exactly as the program writes it (with other line ends
// for files the program has to read).
inline std::string Layout(const std::vector<Entry>& entries, int tray = 0,
                          const char* eol = "\r\n") {
    std::string s = std::string("[COM]") + eol + "size=" + std::to_string(entries.size()) + eol +
                    "tasktray=" + std::to_string(tray) + eol;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const Entry& e = entries[i];
        char section[24];
        std::snprintf(section, sizeof section, "[ITEM%02zu]", i);
        s += section + std::string(eol);
        s += "name=" + e.name + eol;
        const std::pair<const char*, int> fields[] = {
            {"time_mode", e.time_mode}, {"year", e.year},
            {"month", e.month},         {"day", e.day},
            {"week", e.week},           {"hour", e.hour},
            {"minute", e.minute},       {"second", e.second},
            {"sd_mode", e.sd_mode}};
        for (const auto& [key, value] : fields) {
            s += std::string(key) + "=" + std::to_string(value) + eol;
        }
    }
    return s;
}

// The local time the given number of seconds from now.
inline SYSTEMTIME LocalNowPlus(int seconds) {
    SYSTEMTIME now;
    ::GetLocalTime(&now);
    FILETIME ft;
    ::SystemTimeToFileTime(&now, &ft);
    ULARGE_INTEGER u;
    u.LowPart = ft.dwLowDateTime;
    u.HighPart = ft.dwHighDateTime;
    u.QuadPart += static_cast<ULONGLONG>(seconds) * 10'000'000ULL;
    ft.dwLowDateTime = u.LowPart;
    ft.dwHighDateTime = u.HighPart;
    SYSTEMTIME later;
    ::FileTimeToSystemTime(&ft, &later);
    return later;
}

// The main window's clock text for a local time: "2011/3/5  9:05:07".
inline std::wstring ClockTextOf(const SYSTEMTIME& t) {
    wchar_t buf[64];
    std::swprintf(buf, 64, L"%d/%d/%d %2d:%02d:%02d", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute,
                  t.wSecond);
    return buf;
}

} // namespace qb::e2e
