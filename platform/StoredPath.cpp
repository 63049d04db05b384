#include "platform/StoredPath.h"

#include "framework/Handle.h"

#include <windows.h>

std::wstring StoredPath(std::wstring_view path) {
    // No access asked: naming the file needs none, and any sharer is let be.
    const unique_hfile file(::CreateFileW(
        std::wstring(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
        nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!file) {
        return {};
    }
    std::wstring stored(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = ::GetFinalPathNameByHandleW(file.get(), stored.data(),
                                                    static_cast<DWORD>(stored.size()),
                                                    FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
        if (n == 0) {
            return {};
        }
        if (n < stored.size()) {
            stored.resize(n);
            break;
        }
        stored.resize(n); // n counts the terminating NUL here
    }
    // "\\?\C:\..." and "\\?\UNC\server\..." back to the usual forms.
    if (stored.starts_with(L"\\\\?\\UNC\\")) {
        return L"\\" + stored.substr(7);
    }
    if (stored.starts_with(L"\\\\?\\")) {
        return stored.substr(4);
    }
    return stored;
}
