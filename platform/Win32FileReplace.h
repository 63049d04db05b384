#pragma once

#include <cstdint>
#include <string>

// Puts the file source in the place of target in one step, keeping the
// target's attributes and security (ReplaceFileW; MoveFileExW where there is
// no target yet or the file system cannot replace). Both paths are CP932
// bytes, relative to the working folder or full. False when it fails, with
// the Win32 error code in error (when given). Target is then unchanged,
// unless moved (when given) is set: the old target was already taken away
// and source, which still exists, holds the only copy.
bool Win32ReplaceFile(const std::string& source, const std::string& target,
                      std::uint32_t* error = nullptr, bool* moved = nullptr);

// A seam for tests: the replace (ReplaceFileW) and the move (MoveFileExW)
// that Win32ReplaceFile makes, each giving 0 or the Win32 error code.
struct Win32ReplaceCalls {
    std::uint32_t (*replace)(const wchar_t* target, const wchar_t* source);
    std::uint32_t (*move)(const wchar_t* source, const wchar_t* target);
};
bool Win32ReplaceFile(const std::string& source, const std::string& target, std::uint32_t* error,
                      bool* moved, const Win32ReplaceCalls& calls);
