#pragma once

#include "schedule/EndActionPlatform.h"

#include <cstdint>

// The outcome of an end action: requested, or failed with an error code and
// the reason the user is told.
struct EndActionResult {
    enum class Reason {
        System,        // the system refused: error is its code
        NoHibernation, // this PC cannot hibernate (error is ERROR_NOT_SUPPORTED)
    };
    bool done = true;
    std::uint32_t error = 0;
    Reason reason = Reason::System;
    // The displays went off for Modern Standby: whether the PC sleeps is
    // Windows' to report.
    bool awaitsSleep = false;
};

// Performs an end mode: shut down, restart, standby, hibernate, log off or
// lock.
class CEndActionExecutor {
public:
    explicit CEndActionExecutor(IEndActionPlatform& platform) : m_platform(platform) {}

    // Switches a privilege on or off in this process's token. True when the
    // platform reports no error after the adjustment (an account without the
    // privilege leaves ERROR_NOT_ALL_ASSIGNED, which gives false).
    bool EnablePrivilege(const char* name, bool enable);

    // Enables "SeShutdownPrivilege", then makes the mode's call: forced
    // shutdown, restart or logoff through ExitWindowsEx with a planned
    // reason, standby as RequestStandby says, hibernation through
    // SetSuspendState where CanHibernate, LockWorkStation for lock. Shutdown,
    // restart, standby and hibernation are not asked for without the
    // privilege, which they need; logoff and lock need none. Any other mode
    // makes no call and counts as done.
    EndActionResult ExecuteEndMode(std::int32_t mode);

    // Whether this PC can hibernate: GetPwrCapabilities succeeds and reports
    // S4 with the hibernation file present (hibernation switched on).
    bool CanHibernate();

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
    // Hibernation where CanHibernate; else no call and NoHibernation.
    EndActionResult RequestHibernate();

    IEndActionPlatform& m_platform;
};
