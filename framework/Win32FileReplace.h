#pragma once

#include <cstdint>
#include <string>

// Puts the file source in the place of target in one step, keeping the
// target's attributes and security (ReplaceFileW; MoveFileExW where there is
// no target yet or the file system cannot replace). Both paths are CP932
// bytes. False when it fails; target is then unchanged, and error (when
// given) holds the Win32 error code.
bool Win32ReplaceFile(const std::string& source, const std::string& target,
                      std::uint32_t* error = nullptr);
