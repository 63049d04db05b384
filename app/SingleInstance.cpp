#include "app/SingleInstance.h"

namespace {

// Set on the running copy's main window, so that a second start finds it.
// It carries the executable name: a copy under another name is another
// program, whose window must not get our commands.
std::wstring InstanceProp(const std::wstring& name) {
    return L"Quillaberton.Main." + name;
}

struct Search {
    std::wstring prop;
    HWND found = nullptr;
};

BOOL CALLBACK FindMain(HWND wnd, LPARAM search) {
    auto* s = reinterpret_cast<Search*>(search);
    if (::GetPropW(wnd, s->prop.c_str()) != nullptr) {
        s->found = wnd;
        return FALSE;
    }
    return TRUE;
}

} // namespace

CSingleInstance::CSingleInstance(const std::wstring& name)
    : m_name(name), m_showMessage(::RegisterWindowMessageW(L"Quillaberton.Show")) {
    HANDLE mutex = ::CreateMutexW(nullptr, TRUE, name.c_str());
    const DWORD error = ::GetLastError();
    if (mutex == nullptr) {
        return;
    }
    m_mutex.reset(mutex);
    m_start = error == ERROR_ALREADY_EXISTS ? Start::Second : Start::First;
}

bool CSingleInstance::IsHeld(const std::wstring& name, HANDLE(WINAPI* open)(DWORD, BOOL, LPCWSTR)) {
    const unique_handle mutex(open(SYNCHRONIZE, FALSE, name.c_str()));
    // A copy run as administrator may keep others from opening its mutex.
    return mutex || ::GetLastError() == ERROR_ACCESS_DENIED;
}

HWND CSingleInstance::FindFirstWindow(const std::wstring& name) {
    // The first start may still be opening its window: look for a while.
    Search search{InstanceProp(name)};
    for (int i = 0; i < 50 && search.found == nullptr; ++i) {
        ::EnumWindows(FindMain, reinterpret_cast<LPARAM>(&search));
        if (search.found == nullptr) {
            ::Sleep(100);
        }
    }
    return search.found;
}

void CSingleInstance::BringFirstForward() const {
    const HWND main = FindFirstWindow(m_name);
    if (main == nullptr || m_showMessage == 0) {
        return;
    }
    // This start has the foreground, and may hand it on.
    DWORD pid = 0;
    ::GetWindowThreadProcessId(main, &pid);
    ::AllowSetForegroundWindow(pid);
    DWORD_PTR result = 0;
    ::SendMessageTimeoutW(main, m_showMessage, 0, 0, SMTO_ABORTIFHUNG, 5000, &result);
    ::SetForegroundWindow(::GetLastActivePopup(main));
}

void CSingleInstance::Mark(HWND main) {
    ::SetPropW(main, InstanceProp(m_name).c_str(), main);
    if (m_showMessage != 0) {
        ::ChangeWindowMessageFilterEx(main, m_showMessage, MSGFLT_ALLOW, nullptr);
    }
    ::ChangeWindowMessageFilterEx(main, WM_COPYDATA, MSGFLT_ALLOW, nullptr);
}

void CSingleInstance::Unmark(HWND main) {
    ::RemovePropW(main, InstanceProp(m_name).c_str());
}
