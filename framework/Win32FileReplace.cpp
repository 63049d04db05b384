#include "framework/Win32FileReplace.h"

#include <windows.h>

namespace {

constexpr UINT kCp932 = 932;

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

} // namespace

bool Win32ReplaceFile(const std::string& source, const std::string& target, std::uint32_t* error) {
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
    if (!MoveFileExW(from.c_str(), to.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        return failed(::GetLastError());
    }
    return true;
}
