#pragma once

#include "platform/SystemLibrary.h"
#include "watch/Samplers.h"

#include <winsock2.h>
#include <ws2ipdef.h>
#include <iphlpapi.h>

#include <functional>
#include <optional>

// The byte counters of the network interfaces, from GetIfTable2. iphlpapi is
// no KnownDLL: it is loaded from the system folder only, at the first sample,
// so that a program with no condition armed never loads it.
class CNetworkSamplerWin32 final : public INetworkSampler {
public:
    // The table's two calls; a test hands in a made-up table.
    struct Calls {
        std::function<DWORD(PMIB_IF_TABLE2*)> getIfTable2;
        std::function<void(PVOID)> freeMibTable;
    };

    CNetworkSamplerWin32() = default;
    explicit CNetworkSamplerWin32(Calls calls) : m_calls(std::move(calls)) {}
    CNetworkSamplerWin32(const CNetworkSamplerWin32&) = delete;
    CNetworkSamplerWin32& operator=(const CNetworkSamplerWin32&) = delete;

    NetworkSample Sample() override;

private:
    void Load();

    std::optional<SystemLibrary> m_iphlpapi; // once loaded
    Calls m_calls;
};
