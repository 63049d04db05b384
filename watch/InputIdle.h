#pragma once

#include "watch/Samplers.h"
#include "watch/WatchCondition.h"

// 操作がない: no keyboard or mouse input for a span. It holds for the
// shorter of the time since arming and the time since the last input, the
// latter by unsigned subtraction, as the tick wraps. It looks again when what
// is left of the span has passed, or after kSampleMs when a sample failed.
class CInputIdle final : public CWatchCondition {
public:
    CInputIdle(IInputSampler& sampler, int minutes)
        : m_sampler(sampler), m_spanMs(minutes * 60000LL) {}

    WatchArm Arm(std::int64_t nowMs) override;
    bool Check(std::int64_t nowMs) override;
    bool IsMet() const override { return m_met; }
    bool CannotMeasure() const override { return m_failed; }
    std::optional<std::int64_t> NextLookMs() const override;
    std::wstring What() const override;
    std::wstring MeasureLine() const override;

private:
    IInputSampler& m_sampler;
    std::int64_t m_spanMs;
    std::int64_t m_armedMs = 0;
    std::int64_t m_lastMs = 0; // the last look
    std::int64_t m_heldMs = 0; // at the last look
    bool m_failed = false;
    bool m_met = false;
};
