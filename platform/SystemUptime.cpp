#include "platform/SystemUptime.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <time.h>
#endif

#ifdef _WIN32

namespace {

CSystemUptime::Unbiased LookUpUnbiased() {
    const HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
    const FARPROC proc =
        kernel != nullptr ? ::GetProcAddress(kernel, "QueryUnbiasedInterruptTime") : nullptr;
    return reinterpret_cast<CSystemUptime::Unbiased>(reinterpret_cast<void*>(proc));
}

} // namespace

CSystemUptime::CSystemUptime() : CSystemUptime(LookUpUnbiased()) {}

CSystemUptime::CSystemUptime(Unbiased unbiased) : m_unbiased(unbiased) {
    // Decided once: the awake count never switches between two starts.
    unsigned long long ticks = 0;
    if (m_unbiased != nullptr && m_unbiased(&ticks) == 0) {
        m_unbiased = nullptr;
    }
}

std::int64_t CSystemUptime::ElapsedMs() {
    return static_cast<std::int64_t>(::GetTickCount64());
}

std::int64_t CSystemUptime::AwakeMs() {
    unsigned long long ticks = 0; // 100 ns units
    if (m_unbiased != nullptr && m_unbiased(&ticks) != 0) {
        return static_cast<std::int64_t>(ticks / 10000);
    }
    return ElapsedMs();
}

#else

namespace {

std::int64_t Milliseconds(clockid_t id) {
    timespec ts{};
    clock_gettime(id, &ts);
    return std::int64_t{ts.tv_sec} * 1000 + ts.tv_nsec / 1000000;
}

} // namespace

CSystemUptime::CSystemUptime() = default;

std::int64_t CSystemUptime::ElapsedMs() {
#ifdef CLOCK_BOOTTIME
    return Milliseconds(CLOCK_BOOTTIME);
#else
    return Milliseconds(CLOCK_MONOTONIC);
#endif
}

std::int64_t CSystemUptime::AwakeMs() {
    return Milliseconds(CLOCK_MONOTONIC);
}

#endif
