// The samplers' decisions through their seams, and their real calls under Wine.
#include "platform/CpuSampler.h"
#include "platform/InputSampler.h"
#include "platform/NetworkSampler.h"
#include "platform/ProcessSampler.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdlib>
#include <vector>

// Left out: loopback, a filter stacked on an adapter, a tunnel pseudo-interface.
TEST(SamplersWin32, NetworkCountsAdaptersOnlyThroughTheSeam) {
    const struct {
        IFTYPE type;
        bool filter, hardware;
    } rows[] = {
        {IF_TYPE_ETHERNET_CSMACD, false, true}, {IF_TYPE_SOFTWARE_LOOPBACK, false, false},
        {IF_TYPE_ETHERNET_CSMACD, true, false}, {IF_TYPE_TUNNEL, false, false},
        {IF_TYPE_TUNNEL, false, true},          {IF_TYPE_PROP_VIRTUAL, false, false}, // a VPN
    };
    const std::size_t n = std::size(rows);
    const std::uint64_t luid = 0x1000000000ULL;
    auto* table = static_cast<MIB_IF_TABLE2*>(
        std::calloc(1, offsetof(MIB_IF_TABLE2, Table) + n * sizeof(MIB_IF_ROW2)));
    table->NumEntries = static_cast<ULONG>(n);
    for (std::size_t i = 0; i < n; ++i) {
        MIB_IF_ROW2& row = table->Table[i];
        row.Type = rows[i].type;
        row.InterfaceAndOperStatusFlags.FilterInterface = rows[i].filter;
        row.InterfaceAndOperStatusFlags.HardwareInterface = rows[i].hardware;
        row.InterfaceLuid.Value = luid + i;
        row.InOctets = luid + i + 0x100000000ULL;
        row.OutOctets = luid + i + 0x200000000ULL;
    }
    DWORD result = NO_ERROR;
    int freed = 0;
    CNetworkSamplerWin32 sampler({[&](PMIB_IF_TABLE2* out) { return *out = table, result; },
                                  [&](PVOID p) { ++freed, std::free(p); }});
    const NetworkSample sample = sampler.Sample();
    EXPECT_TRUE(sample.ok && freed == 1);
    std::vector<std::uint64_t> luids;
    for (const InterfaceCounters& counters : sample.interfaces) {
        luids.push_back(counters.luid);
        EXPECT_EQ(counters.received, counters.luid + 0x100000000ULL);
        EXPECT_EQ(counters.sent, counters.luid + 0x200000000ULL);
    }
    EXPECT_EQ(luids, (std::vector<std::uint64_t>{luid, luid + 4, luid + 5}));

    result = ERROR_NOT_ENOUGH_MEMORY;
    table = nullptr;
    EXPECT_FALSE(sampler.Sample().ok);
    EXPECT_TRUE(CNetworkSamplerWin32().Sample().ok);
}

TEST(SamplersWin32, CpuAndInputThroughTheSeam) {
    BOOL ok = TRUE;
    CCpuSamplerWin32 cpu([&](FILETIME* idle, FILETIME* kernel, FILETIME* user) {
        *idle = {1, 2}, *kernel = {3, 4}, *user = {5, 6};
        return ok;
    });
    const CpuSample times = cpu.Sample();
    EXPECT_TRUE(times.ok && times.idle == ((2ULL << 32) | 1) &&
                times.kernel == ((4ULL << 32) | 3) && times.user == ((6ULL << 32) | 5));
    ok = FALSE;
    EXPECT_FALSE(cpu.Sample().ok);

    // Each call reads a later tick: the last input must be read first.
    DWORD tick = 0;
    CInputSamplerWin32 input(
        {[&](LASTINPUTINFO* info) { return info->dwTime = ++tick, ok; }, [&] { return ++tick; }});
    EXPECT_FALSE(input.Sample().ok);
    ok = TRUE;
    const InputSample last = input.Sample();
    EXPECT_TRUE(last.ok && last.lastInputTick < last.nowTick);

    EXPECT_TRUE(CCpuSamplerWin32().Sample().ok && CInputSamplerWin32().Sample().ok);
}

TEST(SamplersWin32, ProcessesOfTheNameInThisSessionThroughTheSeam) {
    using Entry = CProcessSamplerWin32::Entry;
    const std::vector<Entry> all = {
        {::GetCurrentProcessId(), L"render.exe"},
        {10, L"Render.EXE"},
        {11, L"render.exe"}, // another session
        {12, L"render.exe"}, // its session unknown, and it cannot be opened
        {13, L"other.exe"},
        {14, L"render.exe"}, // ended, still listed
    };
    std::vector<Entry> listed = all;
    bool listOk = true;
    std::vector<DWORD> opened;
    CProcessSamplerWin32 sampler(
        nullptr, {[&](std::vector<Entry>& out) { return out = listed, listOk; },
                  [&](DWORD pid) {
                      return pid == 12 ? std::nullopt : std::optional<DWORD>(pid == 11 ? 7 : 1);
                  },
                  [&](DWORD pid, std::wstring_view) -> HANDLE {
                      opened.push_back(pid);
                      return pid == 12 ? nullptr
                                       : ::CreateEventW(nullptr, TRUE, pid == 14, nullptr);
                  }});
    const std::vector<std::uint32_t> both{10, 12}, only12{12};
    for (const bool with10 : {true, true, false, true}) {
        listed = with10 ? all : std::vector<Entry>(all.begin() + 2, all.end());
        const ProcessSample sample = sampler.Sample(L"render.exe");
        EXPECT_TRUE(sample.ok && sample.someUnopened);
        EXPECT_EQ(sample.pids, with10 ? both : only12);
    }
    // 10 is opened again only after a sample without it.
    EXPECT_EQ(opened, (std::vector<DWORD>{10, 12, 14, 12, 14, 12, 14, 10, 12, 14}));
    listOk = false;
    EXPECT_FALSE(sampler.Sample(L"render.exe").ok);
}

// A suspended copy of this test program: the sampler must find it (and not
// this process) under its name in capitals, and wake when it ends.
TEST(SamplersWin32, WaitsOnAChildProcessUntilItEndsUnderWine) {
    wchar_t exe[MAX_PATH];
    const DWORD n = ::GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring name(exe, n);
    name.erase(0, name.find_last_of(L'\\') + 1);
    ::CharUpperW(name.data());
    STARTUPINFOW startup{sizeof startup};
    PROCESS_INFORMATION child{};
    ASSERT_TRUE(::CreateProcessW(exe, nullptr, nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr,
                                 nullptr, &startup, &child));
    const unique_handle process(child.hProcess), thread(child.hThread);
    const unique_handle ended(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    CProcessSamplerWin32 sampler([&] { ::SetEvent(ended.get()); });

    ProcessSample sample = sampler.Sample(name);
    EXPECT_TRUE(sample.ok && !sample.someUnopened);
    EXPECT_EQ(sample.pids, std::vector<std::uint32_t>{child.dwProcessId});
    ::TerminateProcess(process.get(), 1);
    EXPECT_EQ(::WaitForSingleObject(ended.get(), 60000), WAIT_OBJECT_0);
    sample = sampler.Sample(name);
    EXPECT_TRUE(sample.ok && sample.pids.empty());
}
