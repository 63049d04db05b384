#pragma once

#include "watch/WatchCondition.h"

#include <cstdint>
#include <optional>
#include <string>

// A condition on a level measured over the interval between two samples
// (network traffic, processor use), sampled every kSampleMs: it holds from
// arming, or from the end of the last interval at or above the threshold,
// and is met once that has lasted its span. A failed sample is never quiet:
// the span starts again from the next sample that can be read.
class CLevelCondition : public CWatchCondition {
public:
    WatchArm Arm(std::int64_t nowMs) override;
    bool Check(std::int64_t nowMs) override;
    bool IsMet() const override { return m_met; }
    bool CannotMeasure() const override { return m_failed; }
    std::optional<std::int64_t> NextLookMs() const override;
    std::wstring MeasureLine() const override;

protected:
    // The words of the lines: "通信" and "KB/s", "静かになって".
    struct Words {
        const wchar_t* label;
        const wchar_t* unit;
        const wchar_t* held;
    };

    // One sample compared with the one before: ok false when it failed (the
    // next one is then compared with nothing), no level when there was
    // nothing to compare with.
    struct Reading {
        bool ok = false;
        std::optional<std::uint64_t> level; // rounded down, so level < threshold exactly when quiet
    };

    CLevelCondition(int threshold, int minutes, Words words)
        : m_threshold(static_cast<std::uint64_t>(threshold)), m_spanMs(minutes * 60000LL),
          m_words(words) {}

    // Samples and compares with the previous sample, taken `intervalMs`
    // before (0 when there is none).
    virtual Reading Read(std::int64_t intervalMs) = 0;

    // floor(amount * scale / per), at most the largest value; 0 for no `per`.
    static std::uint64_t Ratio(std::uint64_t amount, std::uint64_t scale, std::uint64_t per);

    int Threshold() const { return static_cast<int>(m_threshold); }
    int SpanMinutes() const { return static_cast<int>(m_spanMs / 60000); }

private:
    void Look(std::int64_t nowMs);

    std::uint64_t m_threshold;
    std::int64_t m_spanMs;
    Words m_words;
    std::int64_t m_lastMs = 0;             // the last look
    std::optional<std::int64_t> m_sinceMs; // quiet since; none after a failed sample
    std::optional<std::uint64_t> m_level;  // over the last interval
    bool m_failed = false;
    bool m_met = false;
};
