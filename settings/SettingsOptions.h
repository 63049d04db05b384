#pragma once

#include <cstdint>

// The program's options kept in the settings file's [COM] section beside the
// tray flag. Each is written only when it differs from its default (0, or 1
// for history), so that a file without them keeps the bytes an older copy of
// the program writes; missing, each reads as its default. Kept as the 32-bit
// numbers read, as the tray flag is.
struct SettingsOptions {
    // Non-zero: the program keeps running after standby or hibernation returns.
    std::int32_t resume = 0;
    // Non-zero: an occurrence waits while a fullscreen program or a
    // presentation runs, for up to 60 minutes.
    std::int32_t fullscreen = 0;
    // Zero: no event is recorded in the record file (on unless turned off).
    std::int32_t history = 1;

    bool operator==(const SettingsOptions&) const = default;
};
