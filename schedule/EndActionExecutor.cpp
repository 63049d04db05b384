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
// SHTDN_REASON_MAJOR_OTHER (0) | SHTDN_REASON_MINOR_OTHER (0) |
// SHTDN_REASON_FLAG_PLANNED (0x80000000): Windows logs the shutdown as
// planned and does not first collect the state of an unplanned one.
constexpr std::uint32_t kPlannedReason = 0x80000000;
constexpr std::uint32_t kErrorNotSupported = 50;
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
    return AdjustPrivilege(name, enable) == 0;
}

std::uint32_t CEndActionExecutor::LastErrorOr(std::uint32_t fallback) {
    const std::uint32_t error = m_platform.GetLastError();
    return error != 0 ? error : fallback;
}

std::uint32_t CEndActionExecutor::AdjustPrivilege(const char* name, bool enable) {
    TokenHandle token(m_platform);
    if (!m_platform.OpenProcessToken(m_platform.GetCurrentProcess(),
                                     kTokenAdjustPrivileges | kTokenQuery, token.Out())) {
        return LastErrorOr(kErrorNotSupported);
    }
    TokenPrivilege privilege;
    if (!m_platform.LookupPrivilegeValueA(nullptr, name, &privilege.luid)) {
        return LastErrorOr(kErrorNotSupported);
    }
    privilege.count = 1;
    privilege.attributes = enable ? kPrivilegeEnabled : 0;
    // A call that succeeds can still leave the privilege unassigned
    // (ERROR_NOT_ALL_ASSIGNED): the last error tells, in both cases.
    m_platform.AdjustTokenPrivileges(token.Get(), false, &privilege, 0, nullptr, nullptr);
    return m_platform.GetLastError();
}

EndActionResult CEndActionExecutor::ExecuteEndMode(std::int32_t mode) {
    const std::uint32_t privilege = AdjustPrivilege("SeShutdownPrivilege", true);
    if (mode < Shutdown || mode > Lock) {
        return {};
    }
    if (privilege != 0 && mode != Logoff && mode != Lock) {
        return {false, privilege}; // the call would be refused
    }
    std::uint32_t flags = kEwxLogoff | kEwxForce;
    switch (mode) {
    case Shutdown:
        flags = kEwxShutdown | kEwxForce;
        break;
    case Reboot:
        flags = kEwxReboot | kEwxForce;
        break;
    case Standby:
        return RequestStandby();
    case Hibernate:
        return RequestHibernate();
    case Lock:
        if (!m_platform.LockWorkStation()) {
            return {false, LastErrorOr(kErrorNotSupported)};
        }
        return {};
    default:
        break;
    }
    if (!m_platform.ExitWindowsEx(flags, kPlannedReason)) {
        return {false, LastErrorOr(kErrorNotSupported)};
    }
    return {};
}

EndActionResult CEndActionExecutor::RequestStandby() {
    PowerCapabilities caps;
    if (!m_platform.GetPwrCapabilities(&caps)) {
        caps = PowerCapabilities{}; // nothing known: as on any other machine
    }
    const bool classicSleep = caps.systemS1 || caps.systemS2 || caps.systemS3;
    if (caps.aoAc && !classicSleep) {
        // Turning the displays off enters Modern Standby, as the shell's own
        // sleep does. A hung window must not hold the program.
        if (!m_platform.SendMessageTimeoutW(kBroadcast, kWmSysCommand, kScMonitorPower, kMonitorOff,
                                            kSmtoAbortIfHung, kMonitorOffTimeoutMs, nullptr)) {
            return {false, LastErrorOr(kErrorNotSupported)};
        }
        return {.awaitsSleep = true};
    }
    // SetSystemPowerState is only kept for compatibility and fails on many
    // current machines; it returns only after the resume.
    if (m_platform.SetSystemPowerState(true, false)) {
        return {};
    }
    const std::uint32_t error = LastErrorOr(kErrorNotSupported);
    if (!classicSleep) {
        return {false, error}; // no sleep state that can be asked for
    }
    if (!m_platform.SetSuspendState(false, false, false)) {
        return {false, LastErrorOr(kErrorNotSupported)};
    }
    return {};
}

bool CEndActionExecutor::CanHibernate() {
    PowerCapabilities caps;
    return m_platform.GetPwrCapabilities(&caps) && caps.systemS4 && caps.hiberFilePresent;
}

EndActionResult CEndActionExecutor::RequestHibernate() {
    // Without S4 or its file no request can hibernate: none is made, and the
    // reason is one the user can act on (hibernation switched off).
    if (!CanHibernate()) {
        return {false, kErrorNotSupported, EndActionResult::Reason::NoHibernation};
    }
    if (!m_platform.SetSuspendState(true, false, false)) {
        return {false, LastErrorOr(kErrorNotSupported)};
    }
    return {};
}
