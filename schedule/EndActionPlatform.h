#pragma once

#include <cstdint>

// Opaque Win32 handle (HANDLE).
using PlatformHandle = void*;

// Locally unique identifier of a privilege (LUID).
struct PrivilegeLuid {
    std::uint32_t lowPart = 0;
    std::int32_t highPart = 0;
};

// A TOKEN_PRIVILEGES record with one entry.
struct TokenPrivilege {
    std::uint32_t count = 1;
    PrivilegeLuid luid;
    std::uint32_t attributes = 0; // 2 = SE_PRIVILEGE_ENABLED
};

// What GetPwrCapabilities reports (SYSTEM_POWER_CAPABILITIES), as far as
// standby and hibernation need it.
struct PowerCapabilities {
    bool systemS1 = false; // the system supports sleep state S1
    bool systemS2 = false; // ... S2
    bool systemS3 = false; // ... S3
    bool aoAc = false;     // the system supports the S0 low-power idle model (Modern Standby)
    bool systemS4 = false; // ... sleep state S4 (hibernation)
    bool hiberFilePresent = false; // the hibernation file exists: hibernation is on
};

// The Win32 calls the end actions and the power handling around them make, one
// member per call with the same arguments (but for ReadWakeTimersAllowed, a
// few calls in one), so that a recording stand-in can take the real one's
// place. Results are true for a non-zero BOOL.
class IEndActionPlatform {
public:
    virtual PlatformHandle GetCurrentProcess() = 0;
    virtual bool OpenProcessToken(PlatformHandle process, std::uint32_t desiredAccess,
                                  PlatformHandle* token) = 0;
    virtual bool LookupPrivilegeValueA(const char* systemName, const char* name,
                                       PrivilegeLuid* luid) = 0;
    virtual bool AdjustTokenPrivileges(PlatformHandle token, bool disableAll,
                                       const TokenPrivilege* newState, std::uint32_t bufferLength,
                                       TokenPrivilege* previousState,
                                       std::uint32_t* returnLength) = 0;
    virtual std::uint32_t GetLastError() = 0;
    virtual void CloseHandle(PlatformHandle handle) = 0;
    virtual bool ExitWindowsEx(std::uint32_t flags, std::uint32_t reason) = 0;
    virtual bool SetSystemPowerState(bool suspend, bool force) = 0;
    virtual bool SetSuspendState(bool hibernate, bool force, bool wakeupEventsDisabled) = 0;
    virtual bool GetPwrCapabilities(PowerCapabilities* capabilities) = 0;
    virtual bool SendMessageTimeoutW(PlatformHandle window, std::uint32_t message,
                                     std::uintptr_t wParam, std::intptr_t lParam,
                                     std::uint32_t flags, std::uint32_t timeout,
                                     std::uintptr_t* result) = 0;
    virtual bool LockWorkStation() = 0;
    // An unnamed waitable timer; null when it cannot be made.
    virtual PlatformHandle CreateWaitableTimerW(bool manualReset) = 0;
    // Due at an absolute time: 100 ns units since 1601-01-01 UTC (a FILETIME).
    // `resume`: the timer wakes the machine from sleep.
    virtual bool SetWaitableTimer(PlatformHandle timer, std::int64_t dueFileTime, bool resume) = 0;
    virtual bool CancelWaitableTimer(PlatformHandle timer) = 0;
    virtual std::uint32_t WaitForSingleObject(PlatformHandle handle, std::uint32_t ms) = 0;
    // The previous state; 0 when the call failed.
    virtual std::uint32_t SetThreadExecutionState(std::uint32_t flags) = 0;
    // SHQueryUserNotificationState (a QUERY_USER_NOTIFICATION_STATE value).
    virtual bool QueryUserNotificationState(std::int32_t* state) = 0;
    // Whether the active power plan allows wake timers on the power source in
    // use (the "Allow wake timers" setting is Enable); false when unknown.
    virtual bool ReadWakeTimersAllowed(bool* allowed) = 0;

protected:
    ~IEndActionPlatform() = default;
};
