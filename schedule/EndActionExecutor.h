#pragma once

#include "schedule/EndActionPlatform.h"

#include <cstdint>

// The outcome of an end action: requested, or failed with the system's error
// code.
struct EndActionResult {
    bool done = true;
    std::uint32_t error = 0;
};

// Performs an end mode: shut down, restart, standby or log off.
class CEndActionExecutor {
public:
    explicit CEndActionExecutor(IEndActionPlatform& platform) : m_platform(platform) {}

    // Switches a privilege on or off in this process's token. True when the
    // platform reports no error after the adjustment (an account without the
    // privilege leaves ERROR_NOT_ALL_ASSIGNED, which gives false).
    bool EnablePrivilege(const char* name, bool enable);

    // Enables "SeShutdownPrivilege", then makes the mode's call: forced
    // shutdown, restart or logoff through ExitWindowsEx with a planned
    // reason, standby as RequestStandby says. Shutdown, restart and standby
    // are not asked for without the privilege, which they need; logoff needs
    // none. Any other mode makes no call and counts as done.
    EndActionResult ExecuteEndMode(std::int32_t mode);

private:
    // 0 when the privilege was switched, else the system's error code.
    std::uint32_t AdjustPrivilege(const char* name, bool enable);
    std::uint32_t LastErrorOr(std::uint32_t fallback);

    // By GetPwrCapabilities: a Modern Standby machine without S1 to S3 has
    // its displays turned off, which is how it enters standby (a classic
    // sleep request can hibernate it). Any other machine, or a failed query:
    // SetSystemPowerState(TRUE, FALSE), and where that fails
    // SetSuspendState(FALSE, FALSE, FALSE) on a machine with S1, S2 or S3.
    EndActionResult RequestStandby();

    IEndActionPlatform& m_platform;
};
