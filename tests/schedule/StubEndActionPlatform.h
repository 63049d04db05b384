#pragma once

#include "schedule/EndActionPlatform.h"

// Every call fails and does nothing; a test's stand-in overrides the calls
// it looks at.
class CStubEndActionPlatform : public IEndActionPlatform {
public:
    PlatformHandle GetCurrentProcess() override { return nullptr; }
    bool OpenProcessToken(PlatformHandle, std::uint32_t, PlatformHandle*) override { return false; }
    bool LookupPrivilegeValueA(const char*, const char*, PrivilegeLuid*) override { return false; }
    bool AdjustTokenPrivileges(PlatformHandle, bool, const TokenPrivilege*, std::uint32_t,
                               TokenPrivilege*, std::uint32_t*) override {
        return false;
    }
    std::uint32_t GetLastError() override { return 0; }
    void CloseHandle(PlatformHandle) override {}
    bool ExitWindowsEx(std::uint32_t, std::uint32_t) override { return false; }
    bool SetSystemPowerState(bool, bool) override { return false; }
    bool SetSuspendState(bool, bool, bool) override { return false; }
    bool GetPwrCapabilities(PowerCapabilities*) override { return false; }
    bool SendMessageTimeoutW(PlatformHandle, std::uint32_t, std::uintptr_t, std::intptr_t,
                             std::uint32_t, std::uint32_t, std::uintptr_t*) override {
        return false;
    }
    bool LockWorkStation() override { return false; }
    PlatformHandle CreateWaitableTimerW(bool) override { return nullptr; }
    bool SetWaitableTimer(PlatformHandle, std::int64_t, bool) override { return false; }
    bool CancelWaitableTimer(PlatformHandle) override { return false; }
    std::uint32_t WaitForSingleObject(PlatformHandle, std::uint32_t) override {
        return 0xFFFFFFFF; // WAIT_FAILED
    }
    std::uint32_t SetThreadExecutionState(std::uint32_t) override { return 0; }
    bool QueryUserNotificationState(std::int32_t*) override { return false; }
    bool ReadWakeTimersAllowed(bool*) override { return false; }
};
