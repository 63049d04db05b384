// The cost of one network sample and of one process sample under Wine:
// through made-up tables the size of a busy PC's (50 interfaces, 500
// processes) and through the real calls. Prints the median and the worst of
// many runs of each.
#include "platform/NetworkSampler.h"
#include "platform/ProcessSampler.h"

#include <windows.h>

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

template <class Work>
void Measure(const char* what, int runs, Work work) {
    LARGE_INTEGER frequency{};
    ::QueryPerformanceFrequency(&frequency);
    std::vector<double> us;
    us.reserve(static_cast<std::size_t>(runs));
    for (int i = 0; i < runs; ++i) {
        LARGE_INTEGER before{}, after{};
        ::QueryPerformanceCounter(&before);
        work();
        ::QueryPerformanceCounter(&after);
        us.push_back(static_cast<double>(after.QuadPart - before.QuadPart) * 1e6 /
                     static_cast<double>(frequency.QuadPart));
    }
    std::sort(us.begin(), us.end());
    std::printf("%-44s median %9.1f us, worst %9.1f us (%d runs)\n", what, us[us.size() / 2],
                us.back(), runs);
}

// 50 interfaces of every kind, freshly allocated as GetIfTable2 does.
DWORD MadeUpIfTable(PMIB_IF_TABLE2* out) {
    constexpr ULONG n = 50;
    const IFTYPE types[] = {IF_TYPE_ETHERNET_CSMACD, IF_TYPE_IEEE80211, IF_TYPE_SOFTWARE_LOOPBACK,
                            IF_TYPE_TUNNEL, IF_TYPE_PROP_VIRTUAL};
    auto* table = static_cast<MIB_IF_TABLE2*>(
        std::calloc(1, offsetof(MIB_IF_TABLE2, Table) + n * sizeof(MIB_IF_ROW2)));
    if (table == nullptr) {
        return ERROR_NOT_ENOUGH_MEMORY;
    }
    table->NumEntries = n;
    for (ULONG i = 0; i < n; ++i) {
        MIB_IF_ROW2& row = table->Table[i];
        row.InterfaceLuid.Value = 0x6000000000000ULL + i;
        row.Type = types[i % std::size(types)];
        row.InterfaceAndOperStatusFlags.FilterInterface = i % 3 == 0;
        row.InOctets = 0x100000000ULL * i;
        row.OutOctets = 0x10000000ULL * i;
    }
    *out = table;
    return NO_ERROR;
}

} // namespace

int main() {
    CNetworkSamplerWin32 madeUpNetwork({&MadeUpIfTable, [](PVOID table) { std::free(table); }});
    std::printf("(the made-up table: %zu counted interfaces)\n",
                madeUpNetwork.Sample().interfaces.size());
    Measure("network, 50 made-up interfaces", 2000, [&] { madeUpNetwork.Sample(); });
    CNetworkSamplerWin32 network;
    std::printf("(the real table: %zu counted interfaces)\n", network.Sample().interfaces.size());
    Measure("network, the real GetIfTable2", 200, [&] { network.Sample(); });

    // 500 processes, 5 of the name asked for: each of those is waited on,
    // from the first sample on, by an event standing in for its handle.
    std::vector<CProcessSamplerWin32::Entry> listed;
    for (DWORD i = 0; i < 500; ++i) {
        listed.push_back(
            {8 + 4 * i, i % 100 == 7 ? L"Render.exe" : L"program" + std::to_wstring(i) + L".exe"});
    }
    CProcessSamplerWin32 madeUpProcesses(
        [] {}, {[&](std::vector<CProcessSamplerWin32::Entry>& out) { return out = listed, true; },
                [](DWORD) { return std::optional<DWORD>(1); },
                [](DWORD, std::wstring_view) -> HANDLE {
                    return ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
                }});
    Measure("processes, 500 made up, 5 waited on", 2000,
            [&] { madeUpProcesses.Sample(L"render.exe"); });
    CProcessSamplerWin32 processes([] {});
    std::printf("(the real snapshot: %zu of svchost.exe)\n",
                processes.Sample(L"svchost.exe").pids.size());
    Measure("processes, the real snapshot", 200, [&] { processes.Sample(L"svchost.exe"); });
    // Of which the listing alone, to tell Wine's share.
    const auto list = CProcessSamplerWin32::SystemCalls().list;
    Measure("processes, the real snapshot's listing alone", 200, [&] {
        std::vector<CProcessSamplerWin32::Entry> entries;
        list(entries);
    });
    return 0;
}
