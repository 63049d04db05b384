#include "platform/NetworkSampler.h"

#include <memory>

namespace {

// Left out: loopback, which is no network; filter interfaces, which are
// layers stacked on an adapter that count its bytes again; and tunnel
// pseudo-interfaces without hardware (Teredo, 6to4, ISATAP, IP-HTTPS), whose
// packets the adapter beneath carries and counts. Every other interface
// counts, a VPN's virtual adapter too: a rate read too high only waits
// longer, one read too low could end a download early.
bool Counts(const MIB_IF_ROW2& row) {
    const auto& flags = row.InterfaceAndOperStatusFlags;
    return row.Type != IF_TYPE_SOFTWARE_LOOPBACK && !flags.FilterInterface &&
           !(row.Type == IF_TYPE_TUNNEL && !flags.HardwareInterface);
}

} // namespace

void CNetworkSamplerWin32::Load() {
    m_iphlpapi.emplace(L"iphlpapi.dll");
    const auto get = m_iphlpapi->Proc<decltype(&::GetIfTable2)>("GetIfTable2");
    const auto free = m_iphlpapi->Proc<decltype(&::FreeMibTable)>("FreeMibTable");
    if (get != nullptr && free != nullptr) {
        m_calls = {get, free};
    }
}

NetworkSample CNetworkSamplerWin32::Sample() {
    if (!m_calls.getIfTable2 && !m_iphlpapi) {
        Load(); // once: a library that cannot be loaded fails every sample
    }
    NetworkSample sample;
    PMIB_IF_TABLE2 raw = nullptr;
    if (!m_calls.getIfTable2 || m_calls.getIfTable2(&raw) != NO_ERROR) {
        return sample;
    }
    const std::unique_ptr<MIB_IF_TABLE2, const std::function<void(PVOID)>&> table(
        raw, m_calls.freeMibTable);
    sample.interfaces.reserve(table->NumEntries);
    for (ULONG i = 0; i < table->NumEntries; ++i) {
        const MIB_IF_ROW2& row = table->Table[i];
        if (Counts(row)) {
            sample.interfaces.push_back({row.InterfaceLuid.Value, row.InOctets, row.OutOctets});
        }
    }
    sample.ok = true;
    return sample;
}
