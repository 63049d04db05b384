#pragma once

#include "schedule/EndActionPlatform.h"

#include <cstdint>

// Performs an end mode: shut down, restart, standby or log off.
// Results of the platform calls are not reported to anyone.
class CEndActionExecutor {
public:
    explicit CEndActionExecutor(IEndActionPlatform& platform) : m_platform(platform) {}

    // Switches a privilege on or off in this process's token. True when the
    // platform reports no error after the adjustment (an account without the
    // privilege leaves ERROR_NOT_ALL_ASSIGNED, which gives false).
    bool EnablePrivilege(const char* name, bool enable);

    // Enables "SeShutdownPrivilege" (whatever the result), then makes the
    // mode's call: forced shutdown, restart or logoff through ExitWindowsEx,
    // standby through SetSystemPowerState, falling back to SetSuspendState
    // when that fails. Any other mode makes no call.
    void ExecuteEndMode(std::int32_t mode);

private:
    IEndActionPlatform& m_platform;
};
