#pragma once

#include "watch/LevelCondition.h"
#include "watch/Samplers.h"

// CPU が落ち着いた: processor use, the share of all processors' time not
// spent idle, stays below a percentage. Times are compared modulo 2^64; a
// sample whose idle time grew more than its kernel time, which includes idle,
// or in which no time passed, cannot be read.
class CCpuQuiet final : public CLevelCondition {
public:
    CCpuQuiet(ICpuSampler& sampler, int percent, int minutes);

    std::wstring What() const override;

private:
    Reading Read(std::int64_t intervalMs) override;

    ICpuSampler& m_sampler;
    CpuSample m_previous; // compared with only when the interval is not 0
};
