#include "platform/SystemLibrary.h"

#include <string>

SystemLibrary::SystemLibrary(const wchar_t* name) {
    m_module = ::LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (m_module == nullptr && ::GetLastError() == ERROR_INVALID_PARAMETER) {
        // Vista and 7 without KB2533623 do not know the flag: name the
        // file by its full path instead.
        wchar_t folder[MAX_PATH];
        const UINT n = ::GetSystemDirectoryW(folder, MAX_PATH);
        if (n > 0 && n < MAX_PATH) {
            const std::wstring path = std::wstring(folder, n) + L'\\' + name;
            m_module = ::LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
        }
    }
}

SystemLibrary::~SystemLibrary() {
    if (m_module != nullptr) {
        ::FreeLibrary(m_module);
    }
}
