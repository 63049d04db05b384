// The commands of a start on their real way: the start's sender, WM_COPYDATA,
// the running copy's receiver and its check cycle, in one process. What is
// refused exits 3; the one-copy rule and the console's code page.
#include "app/CommandSender.h"
#include "app/ConsoleOutput.h"
#include "app/SingleInstance.h"
#include "tests/schedule/CancellingCycleHost.h"
#include "tests/schedule/FakeClock.h"
#include "tests/schedule/FakeLocalTime.h"
#include "tests/schedule/StubEndActionPlatform.h"
#include "tests/schedule/StubSamplers.h"
#include "ui/CommandReceiver.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

namespace {

// The running copy's main window, as far as commands go.
class CommandWindow final : public CWnd {
public:
    CCommandReceiver* receiver = nullptr;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_COPYDATA) {
            return receiver->OnCopyData(reinterpret_cast<HWND>(wParam),
                                        reinterpret_cast<const COPYDATASTRUCT*>(lParam));
        }
        return CWnd::WindowProc(message, wParam, lParam);
    }
};

// With a quick timer set, a command is sent while a window of ours is open
// (the main window disabled) or not, while the timer's warning is open or
// not, on a PC that can hibernate or not: its exit code, and the timers
// after it.
TEST(CommandReceiver, RefusedWhileAWindowIsOpenButNextOrWhenImpossibleOrTooLate) {
    struct Row {
        const char* what;
        bool windowOpen;
        bool canHibernate;
        bool inWarning;
        std::vector<std::wstring> args;
        int code;
        int oneOffs;
    };
    const Row rows[] = {
        {"/next with a window open", true, true, false, {L"/next"}, 0, 1},
        {"/timer with a window open", true, true, false, {L"/timer", L"15", L"lock"}, 3, 1},
        {"/cancel with a window open", true, true, false, {L"/cancel"}, 3, 1},
        {"/skip with a window open", true, true, false, {L"/skip"}, 3, 1},
        {"a hibernate timer", false, true, false, {L"/timer", L"15", L"hibernate"}, 0, 2},
        {"... on a PC that cannot hibernate",
         false,
         false,
         false,
         {L"/timer", L"15", L"hibernate"},
         3,
         1},
        {"a skip", false, true, false, {L"/skip"}, 0, 0},
        {"... too late: its warning is open", false, true, true, {L"/skip"}, 3, 1},
        {"/when idle", false, true, false, {L"/when", L"idle", L"5", L"lock"}, 0, 1},
        {"/when on a PC that cannot hibernate",
         false,
         false,
         false,
         {L"/when", L"idle", L"5", L"hibernate"},
         3,
         1},
        {"/when a program ends that does not run",
         false,
         true,
         false,
         {L"/when", L"exit", L"none.exe", L"lock"},
         3,
         1},
    };
    // No process runs, and the last input was just now.
    struct : IProcessSampler {
        ProcessSample Sample(std::wstring_view) override { return {true, {}, false}; }
    } processes;
    struct : IInputSampler {
        InputSample Sample() override { return {true, 5, 5}; }
    } input;
    CNoNetworkSampler network;
    CNoCpuSampler cpu;
    const WatchSamplers samplers{processes, network, input, cpu};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        ScheduleList list;
        FakeClock clock;
        clock.now = At(2011, 3, 7, 1, 18, 0, 0);
        FakeUptime uptime;
        const FakeLocalTime utc;
        CCancellingCycleHost host;
        CStubEndActionPlatform platform;
        CScheduler scheduler(
            list, clock, uptime, utc, host, platform,
            {[](const Look&) {}, [](bool) {}, [] { return std::int64_t{0}; }, [] {}}, nullptr,
            nullptr, &samplers);
        const CCheckCycle& cycle = scheduler.Cycle();
        CNextDuePresenter nextDue(list, cycle, utc, clock, 100, [](const NextDueText&) {});
        CommandWindow wnd;
        ASSERT_TRUE(wnd.SubclassWindow(::CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0,
                                                         HWND_MESSAGE, nullptr, nullptr, nullptr)));
        CCommandReceiver receiver(wnd, scheduler, nextDue,
                                  {[] {}, [&] { return row.canHibernate; }, 32772});
        wnd.receiver = &receiver;
        scheduler.AddTimer(2, 1, CScheduler::By::Tray);
        wnd.EnableWindow(!row.windowOpen);
        int code = -1;
        int oneOffs = -1;
        host.whileWarning = [&] {
            code = CCommandSender(wnd).Send(CCommandLine(row.args));
            oneOffs = cycle.OneOffs().GetCount();
        };
        if (row.inWarning) {
            clock.now.minute = 1;
            uptime.Pass(60000);
            scheduler.OnTick();
        } else {
            host.whileWarning();
        }
        EXPECT_EQ(code, row.code);
        EXPECT_EQ(oneOffs, row.oneOffs);
        ::DestroyWindow(wnd);
    }
}

// A copy run as administrator may keep others from opening its mutex: it
// counts as running, so that commands go to it (through a seam: Wine lets
// anyone open any mutex).
HANDLE WINAPI OpenDenied(DWORD, BOOL, LPCWSTR) {
    ::SetLastError(ERROR_ACCESS_DENIED);
    return nullptr;
}
HANDLE WINAPI OpenNone(DWORD, BOOL, LPCWSTR) {
    ::SetLastError(ERROR_FILE_NOT_FOUND);
    return nullptr;
}

TEST(SingleInstance, AMutexThatDeniesAccessCountsAsRunningThroughTheSeam) {
    EXPECT_TRUE(CSingleInstance::IsHeld(L"Quillaberton", OpenDenied));
    EXPECT_FALSE(CSingleInstance::IsHeld(L"Quillaberton", OpenNone));
}

// /next into `for /f` on Japanese Windows: the line in the console's output
// code page, 932 (through a seam: Wine's console here is not 932).
BOOL WINAPI Attached(DWORD) {
    return TRUE;
}
UINT WINAPI Cp932() {
    return 932;
}
BOOL WINAPI Detached() {
    return TRUE;
}

TEST(ConsoleOutput, RedirectedTextInTheConsolesCodePage932ThroughTheSeam) {
    const std::filesystem::path path = std::filesystem::temp_directory_path() / "qb-cp932.txt";
    const HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    const HANDLE out = ::GetStdHandle(STD_OUTPUT_HANDLE);
    ::SetStdHandle(STD_OUTPUT_HANDLE, file);
    const bool written = CConsoleOutput({Attached, Cp932, Detached}).Write(L"次回 シャットダウン");
    ::SetStdHandle(STD_OUTPUT_HANDLE, out);
    ::CloseHandle(file);
    EXPECT_TRUE(written);
    std::ifstream in(path, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}),
              "\x8e\x9f\x89\xf1 \x83V\x83\x83\x83"
              "b\x83g\x83_\x83"
              "E\x83\x93");
}

} // namespace
