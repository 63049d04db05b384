#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

// What the conditions read, one sample per call. The Win32 adapters in
// platform/ implement these; a sample with ok false could not be read.

// The 64-bit byte counters of one network interface, keyed by its LUID.
struct InterfaceCounters {
    std::uint64_t luid = 0;
    std::uint64_t received = 0;
    std::uint64_t sent = 0;
};

// Every counted interface: loopback, filter and tunnel-pseudo interfaces are
// left out by the adapter.
struct NetworkSample {
    bool ok = false;
    std::vector<InterfaceCounters> interfaces;
};

// The processor's times since start, in 100 ns, as GetSystemTimes gives
// them: kernel includes idle.
struct CpuSample {
    bool ok = false;
    std::uint64_t idle = 0;
    std::uint64_t kernel = 0;
    std::uint64_t user = 0;
};

// The tick of the last input and the tick now, in milliseconds; both wrap
// after 49.7 days. The adapter reads the last input first, so that it never
// lies after the tick now.
struct InputSample {
    bool ok = false;
    std::uint32_t lastInputTick = 0;
    std::uint32_t nowTick = 0;
};

// The processes of one executable name in the user's session, all of them;
// someUnopened when some could not be opened to be waited on (elevated,
// protected), so that only a later sample tells their end.
struct ProcessSample {
    bool ok = false;
    std::vector<std::uint32_t> pids;
    bool someUnopened = false;
};

class INetworkSampler {
public:
    virtual NetworkSample Sample() = 0;

protected:
    ~INetworkSampler() = default;
};

class ICpuSampler {
public:
    virtual CpuSample Sample() = 0;

protected:
    ~ICpuSampler() = default;
};

class IInputSampler {
public:
    virtual InputSample Sample() = 0;

protected:
    ~IInputSampler() = default;
};

class IProcessSampler {
public:
    // `name` is a file name alone (IsValidProgramName), matched without case.
    virtual ProcessSample Sample(std::wstring_view name) = 0;
    // Nothing needs waiting on any more: the condition is gone, or another
    // is about to be armed (a sample replaces the waits with its own).
    virtual void Forget() {}

protected:
    ~IProcessSampler() = default;
};

// The four samplers an armed condition may read.
struct WatchSamplers {
    IProcessSampler& process;
    INetworkSampler& network;
    IInputSampler& input;
    ICpuSampler& cpu;
};
