#include "platform/SuspendResumeNotification.h"

#include <utility>

namespace {

using RegisterFn = void*(WINAPI*)(HANDLE recipient, DWORD flags);
using UnregisterFn = BOOL(WINAPI*)(void* handle);

template <typename F>
F User32Proc(const char* name) {
    HMODULE user32 = ::GetModuleHandleW(L"user32.dll");
    if (user32 == nullptr) {
        return nullptr;
    }
    return reinterpret_cast<F>(reinterpret_cast<void (*)()>(::GetProcAddress(user32, name)));
}

} // namespace

CSuspendResumeNotification::CSuspendResumeNotification(HWND wnd) noexcept {
    if (const auto reg = User32Proc<RegisterFn>("RegisterSuspendResumeNotification")) {
        m_handle = reg(wnd, DEVICE_NOTIFY_WINDOW_HANDLE);
    }
}

CSuspendResumeNotification&
CSuspendResumeNotification::operator=(CSuspendResumeNotification&& other) noexcept {
    if (this != &other) {
        Reset();
        m_handle = std::exchange(other.m_handle, nullptr);
    }
    return *this;
}

CSuspendResumeNotification::~CSuspendResumeNotification() {
    Reset();
}

void CSuspendResumeNotification::Reset() noexcept {
    if (m_handle == nullptr) {
        return;
    }
    if (const auto unreg = User32Proc<UnregisterFn>("UnregisterSuspendResumeNotification")) {
        unreg(m_handle);
    }
    m_handle = nullptr;
}
