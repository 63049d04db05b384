#pragma once

#include <cstdint>

// Two monotonic counts of milliseconds since an arbitrary start, each with its
// own start: only differences mean anything. Where they advance apart, the
// machine slept.
class IUptime {
public:
    virtual std::int64_t ElapsedMs() = 0; // counts time the machine slept
    virtual std::int64_t AwakeMs() = 0;   // does not

protected:
    ~IUptime() = default;
};
