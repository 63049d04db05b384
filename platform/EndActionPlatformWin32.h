#pragma once

#include "schedule/EndActionPlatform.h"

#include <windows.h>
#include <powrprof.h>

// The real Win32 calls behind the end actions (Windows builds only).
class CEndActionPlatformWin32 : public IEndActionPlatform {
public:
    PlatformHandle GetCurrentProcess() override;
    bool OpenProcessToken(PlatformHandle process, std::uint32_t desiredAccess,
                          PlatformHandle* token) override;
    bool LookupPrivilegeValueA(const char* systemName, const char* name,
                               PrivilegeLuid* luid) override;
    bool AdjustTokenPrivileges(PlatformHandle token, bool disableAll,
                               const TokenPrivilege* newState, std::uint32_t bufferLength,
                               TokenPrivilege* previousState, std::uint32_t* returnLength) override;
    std::uint32_t GetLastError() override;
    void CloseHandle(PlatformHandle handle) override;
    bool ExitWindowsEx(std::uint32_t flags, std::uint32_t reason) override;
    bool SetSystemPowerState(bool suspend, bool force) override;
    bool SetSuspendState(bool hibernate, bool force, bool wakeupEventsDisabled) override;
    bool GetPwrCapabilities(PowerCapabilities* capabilities) override;
    bool SendMessageTimeoutW(PlatformHandle window, std::uint32_t message, std::uintptr_t wParam,
                             std::intptr_t lParam, std::uint32_t flags, std::uint32_t timeout,
                             std::uintptr_t* result) override;
    bool LockWorkStation() override;
    PlatformHandle CreateWaitableTimerW(bool manualReset) override;
    bool SetWaitableTimer(PlatformHandle timer, std::int64_t dueFileTime, bool resume) override;
    bool CancelWaitableTimer(PlatformHandle timer) override;
    std::uint32_t WaitForSingleObject(PlatformHandle handle, std::uint32_t ms) override;
    std::uint32_t SetThreadExecutionState(std::uint32_t flags) override;
    bool QueryUserNotificationState(std::int32_t* state) override;
    bool ReadWakeTimersAllowed(bool* allowed) override;
};

// What standby needs of Windows' power capabilities. AoAc (Modern Standby)
// is the byte at offset 0x14, which MinGW's header still calls spare2[2].
PowerCapabilities PowerCapabilitiesOf(const SYSTEM_POWER_CAPABILITIES& caps);
