#include "platform/EndActionPlatformWin32.h"

#include <cstddef>
#include <string>

namespace {
// A DLL loaded from the system folder only, never from the exe's folder or
// the working folder, and freed when done.
class SystemLibrary {
public:
    explicit SystemLibrary(const wchar_t* name) {
        m_module = ::LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
        if (m_module == nullptr && ::GetLastError() == ERROR_INVALID_PARAMETER) {
            // Vista and 7 without KB2533623 do not know the flag: name the
            // file by its full path instead.
            wchar_t folder[MAX_PATH];
            const UINT n = ::GetSystemDirectoryW(folder, MAX_PATH);
            if (n > 0 && n < MAX_PATH) {
                const std::wstring path = std::wstring(folder, n) + L'\\' + name;
                m_module = ::LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
            }
        }
    }
    SystemLibrary(const SystemLibrary&) = delete;
    SystemLibrary& operator=(const SystemLibrary&) = delete;
    ~SystemLibrary() {
        if (m_module != nullptr) {
            ::FreeLibrary(m_module);
        }
    }

    // The named export as a pointer of F's type, or null.
    template <typename F>
    F Proc(const char* name) const {
        if (m_module == nullptr) {
            return nullptr;
        }
        return reinterpret_cast<F>(reinterpret_cast<void (*)()>(::GetProcAddress(m_module, name)));
    }

private:
    HMODULE m_module = nullptr;
};

TOKEN_PRIVILEGES ToWin32(const TokenPrivilege& p) {
    TOKEN_PRIVILEGES tp{};
    tp.PrivilegeCount = p.count;
    tp.Privileges[0].Luid.LowPart = p.luid.lowPart;
    tp.Privileges[0].Luid.HighPart = p.luid.highPart;
    tp.Privileges[0].Attributes = p.attributes;
    return tp;
}

TokenPrivilege FromWin32(const TOKEN_PRIVILEGES& tp) {
    TokenPrivilege p;
    p.count = tp.PrivilegeCount;
    p.luid.lowPart = tp.Privileges[0].Luid.LowPart;
    p.luid.highPart = tp.Privileges[0].Luid.HighPart;
    p.attributes = tp.Privileges[0].Attributes;
    return p;
}
} // namespace

PlatformHandle CEndActionPlatformWin32::GetCurrentProcess() {
    return ::GetCurrentProcess();
}

bool CEndActionPlatformWin32::OpenProcessToken(PlatformHandle process, std::uint32_t desiredAccess,
                                               PlatformHandle* token) {
    HANDLE handle = nullptr;
    const BOOL ok = ::OpenProcessToken(process, desiredAccess, &handle);
    *token = ok ? handle : nullptr;
    return ok != FALSE;
}

bool CEndActionPlatformWin32::LookupPrivilegeValueA(const char* systemName, const char* name,
                                                    PrivilegeLuid* luid) {
    LUID value{};
    const BOOL ok = ::LookupPrivilegeValueA(systemName, name, &value);
    luid->lowPart = value.LowPart;
    luid->highPart = value.HighPart;
    return ok != FALSE;
}

bool CEndActionPlatformWin32::AdjustTokenPrivileges(PlatformHandle token, bool disableAll,
                                                    const TokenPrivilege* newState,
                                                    std::uint32_t bufferLength,
                                                    TokenPrivilege* previousState,
                                                    std::uint32_t* returnLength) {
    TOKEN_PRIVILEGES state = ToWin32(*newState);
    // A previous state, when asked for, is one entry: our record has room for it.
    TOKEN_PRIVILEGES previous{};
    DWORD length = 0;
    const BOOL ok = ::AdjustTokenPrivileges(
        token, disableAll ? TRUE : FALSE, &state,
        previousState ? static_cast<DWORD>(sizeof previous) : bufferLength,
        previousState ? &previous : nullptr, returnLength ? &length : nullptr);
    if (previousState) {
        *previousState = FromWin32(previous);
    }
    if (returnLength) {
        *returnLength = length;
    }
    return ok != FALSE;
}

std::uint32_t CEndActionPlatformWin32::GetLastError() {
    return ::GetLastError();
}

void CEndActionPlatformWin32::CloseHandle(PlatformHandle handle) {
    ::CloseHandle(handle);
}

bool CEndActionPlatformWin32::ExitWindowsEx(std::uint32_t flags, std::uint32_t reason) {
    return ::ExitWindowsEx(flags, reason) != FALSE;
}

bool CEndActionPlatformWin32::SetSystemPowerState(bool suspend, bool force) {
    return ::SetSystemPowerState(suspend ? TRUE : FALSE, force ? TRUE : FALSE) != FALSE;
}

// powrprof is no KnownDLL: it is loaded only here, from the system folder.
bool CEndActionPlatformWin32::SetSuspendState(bool hibernate, bool force,
                                              bool wakeupEventsDisabled) {
    bool ok = false;
    DWORD error = 0;
    {
        const SystemLibrary powrprof(L"powrprof.dll");
        const auto setSuspendState = powrprof.Proc<decltype(&::SetSuspendState)>("SetSuspendState");
        ok = setSuspendState != nullptr &&
             setSuspendState(hibernate ? TRUE : FALSE, force ? TRUE : FALSE,
                             wakeupEventsDisabled ? TRUE : FALSE) != FALSE;
        error = ::GetLastError();
    }
    // The call's error, not that of freeing the library.
    ::SetLastError(error);
    return ok;
}

bool CEndActionPlatformWin32::GetPwrCapabilities(PowerCapabilities* capabilities) {
    const SystemLibrary powrprof(L"powrprof.dll");
    const auto getPwrCapabilities =
        powrprof.Proc<decltype(&::GetPwrCapabilities)>("GetPwrCapabilities");
    SYSTEM_POWER_CAPABILITIES caps{};
    if (getPwrCapabilities == nullptr || getPwrCapabilities(&caps) == FALSE) {
        return false;
    }
    *capabilities = PowerCapabilitiesOf(caps);
    return true;
}

PowerCapabilities PowerCapabilitiesOf(const SYSTEM_POWER_CAPABILITIES& caps) {
    static_assert(offsetof(SYSTEM_POWER_CAPABILITIES, spare2) + 2 == 0x14);
    PowerCapabilities out;
    out.systemS1 = caps.SystemS1 != FALSE;
    out.systemS2 = caps.SystemS2 != FALSE;
    out.systemS3 = caps.SystemS3 != FALSE;
    out.aoAc = caps.spare2[2] != 0;
    return out;
}

bool CEndActionPlatformWin32::SendMessageTimeoutW(PlatformHandle window, std::uint32_t message,
                                                  std::uintptr_t wParam, std::intptr_t lParam,
                                                  std::uint32_t flags, std::uint32_t timeout,
                                                  std::uintptr_t* result) {
    DWORD_PTR value = 0;
    const LRESULT ok = ::SendMessageTimeoutW(static_cast<HWND>(window), message, wParam, lParam,
                                             flags, timeout, result ? &value : nullptr);
    if (result) {
        *result = value;
    }
    return ok != 0;
}
