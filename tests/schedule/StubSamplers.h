#pragma once

#include "watch/Samplers.h"

// Samplers that never read anything, for conditions a test does not arm.
struct CNoNetworkSampler final : INetworkSampler {
    NetworkSample Sample() override { return {}; }
};

struct CNoCpuSampler final : ICpuSampler {
    CpuSample Sample() override { return {}; }
};
