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
    // standby through SetSystemPowerState (see RequestStandby for when that
    // fails). Any other mode makes no call.
    void ExecuteEndMode(std::int32_t mode);

private:
    // SetSystemPowerState(TRUE, FALSE); when it fails, by GetPwrCapabilities:
    // SetSuspendState(FALSE, FALSE, FALSE) on a machine with S1, S2 or S3,
    // the displays turned off on a Modern Standby machine, else nothing.
    void RequestStandby();

    IEndActionPlatform& m_platform;
};
