#pragma once

#include "schedule/EndActionPlatform.h"

#include <cstdint>

// Keeps the system from sleeping on its own for as long as any holder asks.
// The execution state is one per thread, and a later call replaces an
// earlier one, so the holders share this object: a release lets the system
// sleep only once no other holder remains.
class CSleepHold {
public:
    enum Holder : unsigned {
        WakeTimer = 1, // a wake by the wake timer, until its occurrence is answered
        Watch = 2,     // an armed condition, until it is met or ends
    };
    static constexpr std::uint32_t kHoldAwake = 0x80000001; // ES_SYSTEM_REQUIRED | ES_CONTINUOUS
    static constexpr std::uint32_t kLetSleep = 0x80000000;  // ES_CONTINUOUS

    explicit CSleepHold(IEndActionPlatform& platform) : m_platform(platform) {}
    CSleepHold(const CSleepHold&) = delete;
    CSleepHold& operator=(const CSleepHold&) = delete;
    ~CSleepHold();

    // False when the system could not be held (the call failed and nobody
    // held it before).
    bool Hold(Holder who);
    void Release(Holder who);
    bool IsHeld(Holder who) const { return (m_holders & who) != 0; }

private:
    IEndActionPlatform& m_platform;
    unsigned m_holders = 0;
};
