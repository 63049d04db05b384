#pragma once

#include <cstdint>
#include <optional>
#include <string>

// What arming a condition came to.
enum class WatchArm {
    Armed,
    NotRunning,    // no process of the name runs: nothing to wait for
    CannotMeasure, // the processes could not be listed
};

// One condition, fed samples at times given in elapsed milliseconds (only
// differences count). It holds only once it has held for its whole span after
// arming, even when it was already true then; once met it stays met and looks
// no more.
class CWatchCondition {
public:
    static constexpr std::int64_t kSampleMs = 10000;

    virtual ~CWatchCondition() = default;

    // Takes the first sample.
    virtual WatchArm Arm(std::int64_t nowMs) = 0;
    // Looks again (the conditions sampled on a period look only once their
    // next look has come); true once the condition is met.
    virtual bool Check(std::int64_t nowMs) = 0;
    virtual bool IsMet() const = 0;
    // The last sample could not be read: the condition cannot be met by it.
    virtual bool CannotMeasure() const = 0;
    // When the next look is due; none once met, or when only an event (a
    // waited process's end) can change anything.
    virtual std::optional<std::int64_t> NextLookMs() const = 0;
    // The condition in words, e.g. "render.exe の終了後".
    virtual std::wstring What() const = 0;
    // The live measure as of the last look, e.g.
    // "通信 12 KB/s、静かになって 3 分 / 5 分".
    virtual std::wstring MeasureLine() const = 0;
};
