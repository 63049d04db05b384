#pragma once

#include <cstdint>
#include <optional>
#include <string>

// What the system says about an error and a file name, in the words a
// message to the user needs.

// The system's own words for a Win32 error code, without the line end; a
// plain "no cause known" for 0, the number where the system has no text.
std::wstring SystemMessage(std::uint32_t error);

// The full path of a file name relative to the working folder (or already
// full); nullopt when the system cannot make one.
std::optional<std::wstring> FullPathName(const std::wstring& name);
