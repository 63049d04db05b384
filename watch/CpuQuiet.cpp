#include "watch/CpuQuiet.h"

CCpuQuiet::CCpuQuiet(ICpuSampler& sampler, int percent, int minutes)
    : CLevelCondition(percent, minutes, {L"CPU", L"%", L"落ち着いて"}), m_sampler(sampler) {}

std::wstring CCpuQuiet::What() const {
    return L"CPU " + std::to_wstring(Threshold()) + L" % 未満が " + std::to_wstring(SpanMinutes()) +
           L" 分続いた後";
}

CLevelCondition::Reading CCpuQuiet::Read(std::int64_t intervalMs) {
    const CpuSample previous = m_previous;
    m_previous = m_sampler.Sample();
    const CpuSample& sample = m_previous;
    // After a failed sample the interval is 0: nothing to compare with.
    if (!sample.ok || intervalMs <= 0) {
        return {sample.ok, std::nullopt};
    }
    const std::uint64_t idle = sample.idle - previous.idle;
    const std::uint64_t kernel = sample.kernel - previous.kernel;
    const std::uint64_t total = kernel + (sample.user - previous.user);
    if (idle > kernel || total < kernel || total == 0) {
        return {};
    }
    return {true, Ratio(total - idle, 100, total)};
}
