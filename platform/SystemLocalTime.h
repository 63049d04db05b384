#pragma once

#include "schedule/LocalTimeConverter.h"

// The runtime's own conversion, the one the clock reads with:
// localtime_r, or localtime_s on Windows (the CRT's 64-bit conversion, which
// ends with the year 3000).
class CSystemLocalTime final : public ILocalTimeConverter {
public:
    bool ToLocal(std::int64_t time, ClockReading& reading) const override;
};
