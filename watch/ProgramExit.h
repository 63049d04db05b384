#pragma once

#include "watch/Samplers.h"
#include "watch/WatchCondition.h"

#include <cstddef>
#include <string>
#include <utility>

// プログラムの終了: no process of one executable name runs any more. It is
// met at the first look that finds none, so a process of the same name
// started before the last one ended keeps it waiting. The adapter wakes it
// when a waited process ends; processes it could not open are looked for
// again every kSampleMs, as is everything after a failed sample. Arming is
// refused when none runs, or when that cannot be told: a mistyped name must
// not read as a program that has already ended.
class CProgramExit final : public CWatchCondition {
public:
    CProgramExit(IProcessSampler& sampler, std::wstring name)
        : m_sampler(sampler), m_name(std::move(name)) {}

    WatchArm Arm(std::int64_t nowMs) override;
    bool Check(std::int64_t nowMs) override;
    bool IsMet() const override { return m_met; }
    bool CannotMeasure() const override { return m_failed; }
    std::optional<std::int64_t> NextLookMs() const override;
    std::wstring What() const override { return m_name + L" の終了後"; }
    std::wstring MeasureLine() const override;

private:
    IProcessSampler& m_sampler;
    std::wstring m_name;
    std::int64_t m_lastMs = 0;
    std::size_t m_running = 0; // processes at the last look
    bool m_someUnopened = false;
    bool m_failed = false;
    bool m_met = false;
};
