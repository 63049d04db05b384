#pragma once

#include "watch/Samplers.h"

#include <windows.h>

#include <functional>

// The processor's idle, kernel and user times, from GetSystemTimes.
class CCpuSamplerWin32 final : public ICpuSampler {
public:
    using GetTimes = std::function<BOOL(FILETIME* idle, FILETIME* kernel, FILETIME* user)>;

    CCpuSamplerWin32() : m_getTimes(&::GetSystemTimes) {}
    // A seam for tests: `getTimes` in the place of GetSystemTimes.
    explicit CCpuSamplerWin32(GetTimes getTimes) : m_getTimes(std::move(getTimes)) {}

    CpuSample Sample() override;

private:
    GetTimes m_getTimes;
};
