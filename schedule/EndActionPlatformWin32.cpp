#include "schedule/EndActionPlatformWin32.h"

#include <windows.h>
#include <powrprof.h>

namespace {
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

bool CEndActionPlatformWin32::SetSuspendState(bool hibernate, bool force,
                                              bool wakeupEventsDisabled) {
    return ::SetSuspendState(hibernate ? TRUE : FALSE, force ? TRUE : FALSE,
                             wakeupEventsDisabled ? TRUE : FALSE) != FALSE;
}
