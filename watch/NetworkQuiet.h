#pragma once

#include "watch/LevelCondition.h"
#include "watch/Samplers.h"

#include <vector>

// 通信が落ち着いた: received plus sent bytes of all counted interfaces stay
// below a rate in KB/s (1 KB = 1024 bytes). Counters are compared per
// interface, modulo 2^64, so that a counter's wrap is its true difference; an
// interface that appears or disappears between two samples counts for nothing,
// neither traffic nor a break.
class CNetworkQuiet final : public CLevelCondition {
public:
    CNetworkQuiet(INetworkSampler& sampler, int kbps, int minutes);

    std::wstring What() const override;

private:
    Reading Read(std::int64_t intervalMs) override;

    INetworkSampler& m_sampler;
    std::vector<InterfaceCounters> m_previous; // sorted by LUID
};
