#pragma once

#include "platform/CpuSampler.h"
#include "platform/InputSampler.h"
#include "platform/NetworkSampler.h"
#include "platform/ProcessSampler.h"
#include "watch/Samplers.h"

#include <functional>
#include <utility>

// The system's four samplers for the conditions, as the scheduler reads
// them. `processEnded` is called on a pool thread when a waited process ends.
class CWatchSamplersWin32 {
public:
    explicit CWatchSamplersWin32(std::function<void()> processEnded)
        : m_process(std::move(processEnded)) {}
    CWatchSamplersWin32(const CWatchSamplersWin32&) = delete;
    CWatchSamplersWin32& operator=(const CWatchSamplersWin32&) = delete;

    const WatchSamplers& View() const { return m_view; }

private:
    CProcessSamplerWin32 m_process;
    CNetworkSamplerWin32 m_network;
    CInputSamplerWin32 m_input;
    CCpuSamplerWin32 m_cpu;
    WatchSamplers m_view{m_process, m_network, m_input, m_cpu};
};
