#pragma once

#include "schedule/Uptime.h"

// The machine's uptime. Windows: GetTickCount64, which counts sleep, and
// QueryUnbiasedInterruptTime, which does not; the latter is looked up at run
// time (Windows 7 and later), and without it both counts are the tick count,
// so no sleep is seen. Elsewhere: CLOCK_BOOTTIME and CLOCK_MONOTONIC.
class CSystemUptime final : public IUptime {
public:
    CSystemUptime();
#ifdef _WIN32
    using Unbiased = int(__stdcall*)(unsigned long long*);
    // A seam for tests: `unbiased` in the place of QueryUnbiasedInterruptTime.
    explicit CSystemUptime(Unbiased unbiased);
#endif
    std::int64_t ElapsedMs() override;
    std::int64_t AwakeMs() override;

private:
#ifdef _WIN32
    Unbiased m_unbiased = nullptr; // QueryUnbiasedInterruptTime
#endif
};
