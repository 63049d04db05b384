#pragma once

#include <windows.h>

// Asks Windows to send a window PBT_APMSUSPEND and the resume messages on
// Modern Standby machines too (RegisterSuspendResumeNotification, Windows 8
// and later; before that every top-level window gets them anyway, and the
// call is looked up at run time so that the program still starts there).
// Unregisters when destroyed.
class CSuspendResumeNotification {
public:
    CSuspendResumeNotification() noexcept = default;
    explicit CSuspendResumeNotification(HWND wnd) noexcept;
    CSuspendResumeNotification(CSuspendResumeNotification&& other) noexcept
        : m_handle(other.m_handle) {
        other.m_handle = nullptr;
    }
    CSuspendResumeNotification& operator=(CSuspendResumeNotification&& other) noexcept;
    ~CSuspendResumeNotification();

    bool IsRegistered() const { return m_handle != nullptr; }

private:
    void Reset() noexcept;

    void* m_handle = nullptr; // HPOWERNOTIFY
};
