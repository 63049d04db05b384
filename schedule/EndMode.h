#pragma once

#include <cstdint>
#include <string>

// The end action of an entry (its sd_mode). Any other value has no name and
// no action; -1 also means "no match" in the due check. An older copy of the
// program knows only 0 to 3 and does nothing at the time of 4 or 5.
enum EndMode : std::int32_t {
    Shutdown = 0,
    Reboot = 1,
    Standby = 2,
    Logoff = 3,
    Hibernate = 4,
    Lock = 5, // the session goes on: the program keeps running after it
};

// Display name of an end mode as CP932 bytes; empty for any other value.
std::string EndModeName(std::int32_t mode);
