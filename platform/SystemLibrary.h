#pragma once

#include <windows.h>

// A DLL loaded from the system folder only, never from the exe's folder or
// the working folder, and freed when done: for the DLLs that are no
// KnownDLLs (powrprof, iphlpapi), which Windows would otherwise look for
// beside the exe first.
class SystemLibrary {
public:
    explicit SystemLibrary(const wchar_t* name);
    SystemLibrary(const SystemLibrary&) = delete;
    SystemLibrary& operator=(const SystemLibrary&) = delete;
    ~SystemLibrary();

    // The named export as a pointer of F's type, or null.
    template <typename F>
    F Proc(const char* name) const {
        if (m_module == nullptr) {
            return nullptr;
        }
        return reinterpret_cast<F>(reinterpret_cast<void (*)()>(::GetProcAddress(m_module, name)));
    }

private:
    HMODULE m_module = nullptr;
};
