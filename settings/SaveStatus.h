#pragma once

#include <cstdint>

// What a save of the settings file did.
struct SaveStatus {
    bool saved = false;
    // The system's error number when not saved (a Win32 error code on
    // Windows, errno elsewhere); 0 when the system gave none.
    std::uint32_t error = 0;
};
