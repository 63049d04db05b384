#include "app/SingleInstance.h"

namespace {

// Set on the running copy's main window, so that a second start finds it.
constexpr wchar_t kInstanceProp[] = L"Quillaberton.Main";

BOOL CALLBACK FindMain(HWND wnd, LPARAM found) {
    if (::GetPropW(wnd, kInstanceProp) != nullptr) {
        *reinterpret_cast<HWND*>(found) = wnd;
        return FALSE;
    }
    return TRUE;
}

} // namespace

CSingleInstance::CSingleInstance(const std::wstring& name)
    : m_showMessage(::RegisterWindowMessageW(L"Quillaberton.Show")) {
    HANDLE mutex = ::CreateMutexW(nullptr, TRUE, name.c_str());
    const DWORD error = ::GetLastError();
    if (mutex == nullptr) {
        return;
    }
    m_mutex.reset(mutex);
    m_start = error == ERROR_ALREADY_EXISTS ? Start::Second : Start::First;
}

void CSingleInstance::BringFirstForward() const {
    // The first start may still be opening its window: look for a while.
    HWND main = nullptr;
    for (int i = 0; i < 50 && main == nullptr; ++i) {
        ::EnumWindows(FindMain, reinterpret_cast<LPARAM>(&main));
        if (main == nullptr) {
            ::Sleep(100);
        }
    }
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
    ::SetPropW(main, kInstanceProp, main);
    if (m_showMessage != 0) {
        ::ChangeWindowMessageFilterEx(main, m_showMessage, MSGFLT_ALLOW, nullptr);
    }
}

void CSingleInstance::Unmark(HWND main) {
    ::RemovePropW(main, kInstanceProp);
}
