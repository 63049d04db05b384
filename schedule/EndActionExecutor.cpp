#include "schedule/EndActionExecutor.h"

#include "schedule/EndMode.h"

namespace {
constexpr std::uint32_t kTokenAdjustPrivileges = 0x20;
constexpr std::uint32_t kTokenQuery = 0x8;
constexpr std::uint32_t kPrivilegeEnabled = 2;
constexpr std::uint32_t kEwxLogoff = 0;
constexpr std::uint32_t kEwxShutdown = 1;
constexpr std::uint32_t kEwxReboot = 2;
constexpr std::uint32_t kEwxForce = 4;

// Closes the token when the privilege adjustment is done.
class TokenHandle {
public:
    explicit TokenHandle(IEndActionPlatform& platform) : m_platform(platform) {}
    TokenHandle(const TokenHandle&) = delete;
    TokenHandle& operator=(const TokenHandle&) = delete;
    ~TokenHandle() {
        if (m_handle != nullptr) {
            m_platform.CloseHandle(m_handle);
        }
    }
    PlatformHandle* Out() { return &m_handle; }
    PlatformHandle Get() const { return m_handle; }

private:
    IEndActionPlatform& m_platform;
    PlatformHandle m_handle = nullptr;
};
} // namespace

bool CEndActionExecutor::EnablePrivilege(const char* name, bool enable) {
    TokenHandle token(m_platform);
    if (!m_platform.OpenProcessToken(m_platform.GetCurrentProcess(),
                                     kTokenAdjustPrivileges | kTokenQuery, token.Out())) {
        return false;
    }
    TokenPrivilege privilege;
    if (!m_platform.LookupPrivilegeValueA(nullptr, name, &privilege.luid)) {
        return false;
    }
    privilege.count = 1;
    privilege.attributes = enable ? kPrivilegeEnabled : 0;
    // The call's own result says nothing about whether the privilege was
    // assigned; the last error does.
    m_platform.AdjustTokenPrivileges(token.Get(), false, &privilege, 0, nullptr, nullptr);
    return m_platform.GetLastError() == 0;
}

void CEndActionExecutor::ExecuteEndMode(std::int32_t mode) {
    EnablePrivilege("SeShutdownPrivilege", true);
    switch (mode) {
    case Shutdown:
        m_platform.ExitWindowsEx(kEwxShutdown | kEwxForce, 0);
        break;
    case Reboot:
        m_platform.ExitWindowsEx(kEwxReboot | kEwxForce, 0);
        break;
    case Standby:
        // SetSystemPowerState is only kept for compatibility; where it fails,
        // ask for the suspend through its successor instead of doing nothing.
        if (!m_platform.SetSystemPowerState(true, false)) {
            m_platform.SetSuspendState(false, false, false);
        }
        break;
    case Logoff:
        m_platform.ExitWindowsEx(kEwxLogoff | kEwxForce, 0);
        break;
    default:
        break;
    }
}
