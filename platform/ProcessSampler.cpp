#include "platform/ProcessSampler.h"

#include <tlhelp32.h>

namespace {

bool SameName(std::wstring_view a, std::wstring_view b) {
    return ::CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(),
                                  static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

bool ListProcesses(std::vector<CProcessSamplerWin32::Entry>& entries) {
    const unique_hfile snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) {
        return false;
    }
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = ::Process32FirstW(snapshot.get(), &entry); more;
         more = ::Process32NextW(snapshot.get(), &entry)) {
        entries.push_back({entry.th32ProcessID, entry.szExeFile});
    }
    // A snapshot holds at least this process: an empty one failed.
    return !entries.empty();
}

std::optional<DWORD> SessionOf(DWORD pid) {
    DWORD session = 0;
    return ::ProcessIdToSessionId(pid, &session) ? std::optional<DWORD>(session) : std::nullopt;
}

HANDLE OpenToWait(DWORD pid, std::wstring_view name) {
    unique_handle process(
        ::OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
    if (!process) {
        return nullptr;
    }
    // The pid may have been reused since the snapshot by another program.
    // When its image cannot be read, the snapshot's word stands.
    std::wstring path(32768, L'\0');
    DWORD size = static_cast<DWORD>(path.size());
    if (::QueryFullProcessImageNameW(process.get(), 0, path.data(), &size)) {
        path.resize(size);
        if (!SameName(std::wstring_view(path).substr(path.find_last_of(L"\\/") + 1), name)) {
            return nullptr;
        }
    }
    return process.release();
}

} // namespace

CProcessSamplerWin32::Calls CProcessSamplerWin32::SystemCalls() {
    return {&ListProcesses, &SessionOf, &OpenToWait};
}

CProcessSamplerWin32::CProcessSamplerWin32(std::function<void()> onEnded, Calls calls)
    : m_onEnded(std::move(onEnded)), m_calls(std::move(calls)),
      m_session(m_calls.sessionOf(::GetCurrentProcessId())) {}

BOOL CProcessSamplerWin32::UnregisterBlocking(HANDLE wait) noexcept {
    return ::UnregisterWaitEx(wait, INVALID_HANDLE_VALUE);
}

void CALLBACK CProcessSamplerWin32::Ended(PVOID context, BOOLEAN) {
    const auto& onEnded = *static_cast<const std::function<void()>*>(context);
    if (onEnded) {
        onEnded();
    }
}

ProcessSample CProcessSamplerWin32::Sample(std::wstring_view name) {
    ProcessSample sample;
    m_entries.clear();
    if (!m_calls.list(m_entries)) {
        return sample; // the waits stay: their ends still wake the condition
    }
    const DWORD self = ::GetCurrentProcessId();
    std::map<DWORD, Waited> waits;
    for (const Entry& entry : m_entries) {
        if (entry.pid == self || !SameName(entry.exe, name)) {
            continue;
        }
        // Left out only when known to run elsewhere: one whose session cannot
        // be read may be the user's, and is waited for.
        if (m_session) {
            const std::optional<DWORD> session = m_calls.sessionOf(entry.pid);
            if (session && *session != *m_session) {
                continue;
            }
        }
        Waited waited;
        if (const auto old = m_waits.find(entry.pid); old != m_waits.end()) {
            waited = std::move(old->second);
        } else {
            waited.process.reset(m_calls.open(entry.pid, name));
            if (!waited.process) {
                sample.pids.push_back(entry.pid);
                sample.someUnopened = true;
                continue;
            }
        }
        if (::WaitForSingleObject(waited.process.get(), 0) == WAIT_OBJECT_0) {
            continue; // ended, though still listed while handles to it are open
        }
        if (!waited.wait) {
            HANDLE wait = nullptr;
            if (::RegisterWaitForSingleObject(&wait, waited.process.get(), &Ended, &m_onEnded,
                                              INFINITE, WT_EXECUTEONLYONCE)) {
                waited.wait.reset(wait);
            } else {
                sample.someUnopened = true; // only a later sample tells its end
            }
        }
        sample.pids.push_back(entry.pid);
        waits.emplace(entry.pid, std::move(waited));
    }
    m_waits.swap(waits); // the waits of processes gone end here
    sample.ok = true;
    return sample;
}
