#pragma once

#include "schedule/Clock.h"

#include <cstdint>
#include <optional>
#include <string>

struct WarnAnswer;

// An occurrence as the record names it: its entry's name (none for a quick
// timer), its end mode and its due time as the clock shows it.
struct CycleOccurrence {
    std::optional<std::string> name;
    std::int32_t mode = -1;
    ClockReading due;
};

// Told what the check cycle does with its warnings and occurrences, e.g. by
// the record. It must not call back into the cycle.
class ICheckCycleObserver {
public:
    // Why an open warning was withdrawn: a sleep the system told of, one
    // seen only on the uptime (a stall), or a cancel of the one-offs.
    enum class Withdrawal { Sleep, Stall, Cancel };

    virtual void WarningShown(const CycleOccurrence& due) = 0;
    // Cancel, Postpone, or Confirm (the time-out).
    virtual void WarningAnswered(const WarnAnswer& answer) = 0;
    virtual void WarningWithdrawn(Withdrawal why) = 0;
    // Dropped because the machine slept through it.
    virtual void OccurrenceDropped(const CycleOccurrence& due) = 0;
    // Held while the user is busy, and warned about after all.
    virtual void OccurrenceHeld(const CycleOccurrence& due) = 0;
    virtual void HoldEnded(const CycleOccurrence& due, bool timeLimit) = 0;
    // The held occurrence's entry was edited or deleted: it will not come.
    virtual void HoldDropped(const CycleOccurrence& due) = 0;

protected:
    ~ICheckCycleObserver() = default;
};
