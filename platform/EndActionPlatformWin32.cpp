#include "platform/EndActionPlatformWin32.h"

#include "platform/SystemLibrary.h"

#include <shellapi.h>

#include <cstddef>

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
    out.systemS4 = caps.SystemS4 != FALSE;
    out.hiberFilePresent = caps.HiberFilePresent != FALSE;
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

bool CEndActionPlatformWin32::LockWorkStation() {
    return ::LockWorkStation() != FALSE;
}

PlatformHandle CEndActionPlatformWin32::CreateWaitableTimerW(bool manualReset) {
    return ::CreateWaitableTimerW(nullptr, manualReset ? TRUE : FALSE, nullptr);
}

bool CEndActionPlatformWin32::SetWaitableTimer(PlatformHandle timer, std::int64_t dueFileTime,
                                               bool resume) {
    LARGE_INTEGER due{};
    due.QuadPart = dueFileTime; // positive: an absolute time
    return ::SetWaitableTimer(timer, &due, 0, nullptr, nullptr, resume ? TRUE : FALSE) != FALSE;
}

bool CEndActionPlatformWin32::CancelWaitableTimer(PlatformHandle timer) {
    return ::CancelWaitableTimer(timer) != FALSE;
}

std::uint32_t CEndActionPlatformWin32::WaitForSingleObject(PlatformHandle handle,
                                                           std::uint32_t ms) {
    return ::WaitForSingleObject(handle, ms);
}

std::uint32_t CEndActionPlatformWin32::SetThreadExecutionState(std::uint32_t flags) {
    return ::SetThreadExecutionState(flags);
}

bool CEndActionPlatformWin32::QueryUserNotificationState(std::int32_t* state) {
    QUERY_USER_NOTIFICATION_STATE value{};
    if (FAILED(::SHQueryUserNotificationState(&value))) {
        return false;
    }
    *state = static_cast<std::int32_t>(value);
    return true;
}

namespace {
// The power plan's sleep settings and its "Allow wake timers" value
// (0 disable, 1 enable, 2 important wake timers only).
constexpr GUID kSleepSubgroup = {
    0x238c9fa8, 0x0aad, 0x41ed, {0x83, 0xf4, 0x97, 0xbe, 0x24, 0x2c, 0x8f, 0x20}};
constexpr GUID kAllowRtcWake = {
    0xbd3b718a, 0x0680, 0x4d9d, {0x8a, 0xb2, 0xe1, 0xd2, 0xb4, 0xac, 0x80, 0x6d}};
constexpr DWORD kWakeTimersEnabled = 1;
} // namespace

// powrprof is no KnownDLL: loaded from the system folder only.
bool CEndActionPlatformWin32::ReadWakeTimersAllowed(bool* allowed) {
    const SystemLibrary powrprof(L"powrprof.dll");
    using GetActive = DWORD(WINAPI*)(HKEY, GUID**);
    using ReadIndex = DWORD(WINAPI*)(HKEY, const GUID*, const GUID*, const GUID*, LPDWORD);
    const auto getActive = powrprof.Proc<GetActive>("PowerGetActiveScheme");
    SYSTEM_POWER_STATUS power{};
    const bool onBattery = ::GetSystemPowerStatus(&power) != FALSE && power.ACLineStatus == 0;
    const auto read =
        powrprof.Proc<ReadIndex>(onBattery ? "PowerReadDCValueIndex" : "PowerReadACValueIndex");
    GUID* scheme = nullptr;
    if (getActive == nullptr || read == nullptr || getActive(nullptr, &scheme) != ERROR_SUCCESS) {
        return false;
    }
    DWORD value = 0;
    const DWORD result = read(nullptr, scheme, &kSleepSubgroup, &kAllowRtcWake, &value);
    ::LocalFree(scheme);
    if (result != ERROR_SUCCESS) {
        return false;
    }
    *allowed = value == kWakeTimersEnabled;
    return true;
}
