#include "platform/Win32FileReplace.h"

#include "platform/SystemText.h"

#include <windows.h>

namespace {

constexpr UINT kCp932 = 932;
// What the user may have set on the settings file and a save keeps.
constexpr DWORD kKeptAttributes =
    FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

// CP932 bytes to UTF-16; false for bytes that are not valid CP932.
bool ToWide(const std::string& text, std::wstring& out) {
    if (text.empty()) {
        return false;
    }
    const int size = static_cast<int>(text.size());
    const int n = MultiByteToWideChar(kCp932, MB_ERR_INVALID_CHARS, text.data(), size, nullptr, 0);
    if (n <= 0) {
        return false;
    }
    out.assign(static_cast<std::size_t>(n), L'\0');
    return MultiByteToWideChar(kCp932, MB_ERR_INVALID_CHARS, text.data(), size, out.data(), n) == n;
}

// The full path of a name, with the \\?\ prefix where it is too long for
// the plain form. ReplaceFileW refuses relative names on some systems.
bool FullPath(const std::wstring& name, std::wstring& out) {
    std::optional<std::wstring> path = FullPathName(name);
    if (!path) {
        return false;
    }
    std::wstring& full = *path;
    if (full.size() >= MAX_PATH && full.rfind(L"\\\\", 0) != 0) {
        full.insert(0, L"\\\\?\\");
    } else if (full.size() >= MAX_PATH && full.rfind(L"\\\\?\\", 0) != 0) {
        full.replace(0, 2, L"\\\\?\\UNC\\"); // \\server\share
    }
    out = std::move(full);
    return true;
}

std::uint32_t Replace(const wchar_t* target, const wchar_t* source) {
    return ::ReplaceFileW(target, source, nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr,
                          nullptr)
               ? 0
               : ::GetLastError();
}

std::uint32_t Move(const wchar_t* source, const wchar_t* target) {
    return ::MoveFileExW(source, target, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)
               ? 0
               : ::GetLastError();
}

} // namespace

bool Win32ReplaceFile(const std::string& source, const std::string& target, std::uint32_t* error,
                      bool* moved) {
    return Win32ReplaceFile(source, target, error, moved, {Replace, Move});
}

bool Win32ReplaceFile(const std::string& source, const std::string& target, std::uint32_t* error,
                      bool* moved, const Win32ReplaceCalls& calls) {
    if (moved != nullptr) {
        *moved = false;
    }
    auto failed = [error](DWORD code) {
        if (error != nullptr) {
            *error = code;
        }
        return false;
    };
    std::wstring from;
    std::wstring to;
    if (!ToWide(source, from) || !ToWide(target, to)) {
        return failed(ERROR_INVALID_NAME);
    }
    if (!FullPath(from, from) || !FullPath(to, to)) {
        return failed(::GetLastError() != 0 ? ::GetLastError() : ERROR_INVALID_NAME);
    }
    // The target's attributes go onto the new file first, so that it stays
    // hidden (say) whichever way it is put in place below.
    const DWORD attributes = ::GetFileAttributesW(to.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        ::SetFileAttributesW(from.c_str(), attributes & kKeptAttributes);
        // Fail early where the replace would fail, before it starts: a file
        // another program holds without sharing its deletion, or one we may
        // not delete. (Some implementations leave a stray file behind then.)
        HANDLE probe = ::CreateFileW(to.c_str(), DELETE | SYNCHRONIZE,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                     nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (probe == INVALID_HANDLE_VALUE) {
            return failed(::GetLastError());
        }
        ::CloseHandle(probe);
        // ReplaceFileW also keeps the target's security descriptor, creation
        // time and short name. MoveFileExW serves where it cannot:
        // - ERROR_FILE_NOT_FOUND: the target went away meanwhile;
        // - ERROR_UNABLE_TO_MOVE_REPLACEMENT(_2): the old file is already gone
        //   from its name and the new one still has the temporary name, which
        //   the move completes; should the move fail, the temporary file is
        //   the only copy and must stay;
        // - ERROR_INVALID_FUNCTION, ERROR_NOT_SUPPORTED: the file system (some
        //   network shares) has no replace.
        // Any other failure leaves the target as it was, and a move would fail
        // alike.
        const DWORD code = calls.replace(to.c_str(), from.c_str());
        if (code == 0) {
            return true;
        }
        const bool oldGone =
            code == ERROR_UNABLE_TO_MOVE_REPLACEMENT || code == ERROR_UNABLE_TO_MOVE_REPLACEMENT_2;
        if (oldGone) {
            const DWORD moveError = calls.move(from.c_str(), to.c_str());
            if (moveError == 0) {
                return true;
            }
            if (moved != nullptr) {
                *moved = true;
            }
            return failed(moveError);
        }
        if (code != ERROR_FILE_NOT_FOUND && code != ERROR_INVALID_FUNCTION &&
            code != ERROR_NOT_SUPPORTED) {
            return failed(code);
        }
    }
    // No target yet, or one the replace cannot serve.
    const DWORD moveError = calls.move(from.c_str(), to.c_str());
    return moveError == 0 || failed(moveError);
}
