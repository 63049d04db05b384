#include "platform/RunningPrograms.h"

#include "framework/Handle.h"

#include <windows.h>

#include <algorithm>
#include <map>
#include <optional>
#include <utility>

namespace {

struct Found {
    DWORD self = ::GetCurrentProcessId();
    std::vector<std::pair<DWORD, std::wstring>> windows; // process, title
};

BOOL CALLBACK TakeWindow(HWND window, LPARAM param) {
    Found& found = *reinterpret_cast<Found*>(param);
    DWORD pid = 0;
    if (!::IsWindowVisible(window) || ::GetWindow(window, GW_OWNER) != nullptr ||
        ::GetWindowThreadProcessId(window, &pid) == 0 || pid == found.self) {
        return TRUE;
    }
    // GetWindowTextW reads another process's title without sending it a
    // message, so a hung program cannot hold the list up.
    wchar_t title[256] = {};
    const int length = ::GetWindowTextW(window, title, static_cast<int>(std::size(title)));
    if (length > 0) {
        found.windows.emplace_back(pid, std::wstring(title, static_cast<std::size_t>(length)));
    }
    return TRUE;
}

std::optional<std::wstring> ExeName(DWORD pid) {
    const unique_handle process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
    wchar_t path[MAX_PATH * 2] = {};
    DWORD size = static_cast<DWORD>(std::size(path));
    if (!process || !::QueryFullProcessImageNameW(process.get(), 0, path, &size)) {
        return std::nullopt;
    }
    const std::wstring full(path, size);
    return full.substr(full.find_last_of(L"\\/") + 1);
}

int CompareNoCase(const std::wstring& a, const std::wstring& b) {
    return ::CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                                  static_cast<int>(b.size()), TRUE);
}

} // namespace

std::vector<RunningProgram> ListRunningPrograms() {
    Found found;
    ::EnumWindows(&TakeWindow, reinterpret_cast<LPARAM>(&found));

    std::map<DWORD, std::optional<std::wstring>> names; // each process opened once
    std::vector<RunningProgram> programs;
    for (auto& [pid, title] : found.windows) {
        auto [at, added] = names.try_emplace(pid);
        if (added) {
            at->second = ExeName(pid);
        }
        if (at->second) {
            programs.push_back({*at->second, std::move(title)});
        }
    }
    // Stable, so that the first window found of a name is the one kept.
    std::stable_sort(programs.begin(), programs.end(), [](const auto& a, const auto& b) {
        return CompareNoCase(a.name, b.name) == CSTR_LESS_THAN;
    });
    programs.erase(std::unique(programs.begin(), programs.end(),
                               [](const auto& a, const auto& b) {
                                   return CompareNoCase(a.name, b.name) == CSTR_EQUAL;
                               }),
                   programs.end());
    return programs;
}
