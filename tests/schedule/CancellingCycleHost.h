#pragma once

#include "schedule/CheckCycle.h"

#include <functional>

// Cancels every warning (after running `whileWarning`, if set), performs
// nothing, and reports the user busy when told.
class CCancellingCycleHost final : public ICheckCycleHost {
public:
    WarnAnswer Warn(std::int32_t) override {
        if (whileWarning) {
            whileWarning();
        }
        return {WarnAnswer::Cancel};
    }
    void WithdrawWarning() override {}
    EndActionOutcome ExecuteEndMode(std::int32_t) override { return EndActionOutcome::Failed; }
    void Close() override {}
    void OneOffsChanged() override {}
    bool UserBusy() override { return busy; }

    std::function<void()> whileWarning;
    bool busy = false;
};
