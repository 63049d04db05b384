#include "watch/NetworkQuiet.h"

#include <algorithm>
#include <limits>

namespace {

std::uint64_t AddCapped(std::uint64_t a, std::uint64_t b) {
    return b > std::numeric_limits<std::uint64_t>::max() - a
               ? std::numeric_limits<std::uint64_t>::max()
               : a + b;
}

} // namespace

CNetworkQuiet::CNetworkQuiet(INetworkSampler& sampler, int kbps, int minutes)
    : CLevelCondition(kbps, minutes, {L"通信", L"KB/s", L"静かになって"}), m_sampler(sampler) {}

std::wstring CNetworkQuiet::What() const {
    return L"通信 " + std::to_wstring(Threshold()) + L" KB/s 未満が " +
           std::to_wstring(SpanMinutes()) + L" 分続いた後";
}

CLevelCondition::Reading CNetworkQuiet::Read(std::int64_t intervalMs) {
    NetworkSample sample = m_sampler.Sample();
    if (!sample.ok) {
        return {}; // the next sample is compared with nothing (interval 0)
    }
    std::vector<InterfaceCounters>& now = sample.interfaces;
    const auto byLuid = [](const InterfaceCounters& a, const InterfaceCounters& b) {
        return a.luid < b.luid;
    };
    std::sort(now.begin(), now.end(), byLuid);
    Reading reading{true, std::nullopt};
    if (intervalMs > 0) {
        // Only the interfaces in both samples.
        std::uint64_t bytes = 0;
        auto before = m_previous.begin();
        for (const InterfaceCounters& counters : now) {
            before = std::lower_bound(before, m_previous.end(), counters, byLuid);
            if (before != m_previous.end() && before->luid == counters.luid) {
                bytes = AddCapped(bytes, AddCapped(counters.received - before->received,
                                                   counters.sent - before->sent));
            }
        }
        reading.level = Ratio(bytes, 1000, static_cast<std::uint64_t>(intervalMs) * 1024);
    }
    m_previous = std::move(now);
    return reading;
}
