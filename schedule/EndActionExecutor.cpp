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
// Displays off: HWND_BROADCAST, WM_SYSCOMMAND, SC_MONITORPOWER, 2 (off).
const PlatformHandle kBroadcast = reinterpret_cast<PlatformHandle>(0xFFFF);
constexpr std::uint32_t kWmSysCommand = 0x0112;
constexpr std::uintptr_t kScMonitorPower = 0xF170;
constexpr std::intptr_t kMonitorOff = 2;
constexpr std::uint32_t kSmtoAbortIfHung = 0x0002;
// Per window, for a broadcast: short, so that slow windows cannot hold the
// program long; hung ones are skipped at once.
constexpr std::uint32_t kMonitorOffTimeoutMs = 500;

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
        RequestStandby();
        break;
    case Logoff:
        m_platform.ExitWindowsEx(kEwxLogoff | kEwxForce, 0);
        break;
    default:
        break;
    }
}

void CEndActionExecutor::RequestStandby() {
    if (m_platform.SetSystemPowerState(true, false)) {
        return;
    }
    // SetSystemPowerState is only kept for compatibility and fails on many
    // current machines: ask by what the machine can do. A failed query
    // leaves every capability false.
    PowerCapabilities caps;
    if (!m_platform.GetPwrCapabilities(&caps)) {
        caps = PowerCapabilities{};
    }
    if (caps.systemS1 || caps.systemS2 || caps.systemS3) {
        m_platform.SetSuspendState(false, false, false);
    } else if (caps.aoAc) {
        // Modern Standby has no S1-S3; SetSuspendState fails there or
        // hibernates. Turning the displays off enters it, as the shell's own
        // sleep does. A hung window must not hold the program.
        m_platform.SendMessageTimeoutW(kBroadcast, kWmSysCommand, kScMonitorPower, kMonitorOff,
                                       kSmtoAbortIfHung, kMonitorOffTimeoutMs, nullptr);
    }
    // Neither: the machine has no sleep state that can be asked for, and
    // nothing more can be done.
}
