#pragma once

#include "schedule/Clock.h"

#include <cstdint>

// Converts a calendar time (seconds since 1970-01-01 00:00:00 UTC) into a
// local reading; replaceable so that tests can choose the time zone.
class ILocalTimeConverter {
public:
    // False when the time lies outside the range the conversion covers.
    virtual bool ToLocal(std::int64_t time, ClockReading& reading) const = 0;

protected:
    ~ILocalTimeConverter() = default;
};
