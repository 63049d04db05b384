#pragma once

#include "platform/EndActionPlatformWin32.h"

// The real system calls, but for the shell's answer about the user: busy
// with a fullscreen program (QUNS_BUSY), which Wine never reports.
class CBusyUserPlatform final : public CEndActionPlatformWin32 {
public:
    bool QueryUserNotificationState(std::int32_t* state) override {
        *state = 2;
        return true;
    }
};

// The real system calls, but for a PC without hibernation (Wine's can).
class CNoHibernationPlatform final : public CEndActionPlatformWin32 {
public:
    bool GetPwrCapabilities(PowerCapabilities* capabilities) override {
        const bool ok = CEndActionPlatformWin32::GetPwrCapabilities(capabilities);
        capabilities->systemS4 = false;
        return ok;
    }
};
