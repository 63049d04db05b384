// Who may command the running copy, and what its own start is told. Wine
// runs every process at one integrity level, outside any AppContainer: the
// sender's token comes from a stand-in here.
#include "tests/schedule/CancellingCycleHost.h"
#include "tests/schedule/FakeClock.h"
#include "tests/schedule/FakeLocalTime.h"
#include "tests/schedule/StubEndActionPlatform.h"
#include "ui/CommandReceiver.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

struct Receiver {
    explicit Receiver(std::optional<SenderToken> token)
        : receiver(wnd, scheduler, nextDue,
                   {[this] { ++shown; },
                    [] { return false; },
                    0,
                    {},
                    [this, token](HWND) { return token; },
                    [this](const std::wstring& text) { told.push_back(text); }}) {}
    ~Receiver() { ::DestroyWindow(wnd.m_hWnd); }

    CWnd wnd{
        ::CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr)};
    ScheduleList list;
    FakeClock clock;
    FakeUptime uptime;
    FakeLocalTime zone;
    CCancellingCycleHost host;
    CStubEndActionPlatform platform;
    CScheduler scheduler{list,
                         clock,
                         uptime,
                         zone,
                         host,
                         platform,
                         {[](const Look&) {}, [](bool) {}, [] { return std::int64_t{0}; }, [] {}}};
    CNextDuePresenter nextDue{list, scheduler.Cycle(), zone, clock, 100, [](const NextDueText&) {}};
    int shown = 0;
    std::vector<std::wstring> told;
    CCommandReceiver receiver;
};

TEST(CommandSender, BelowMediumOrInASandboxIsRefusedSilentlyWhichWineCannotShow) {
    std::wstring words(L"/show", 6);
    const COPYDATASTRUCT show{CCommandReceiver::kCommandTag,
                              static_cast<DWORD>(words.size() * sizeof(wchar_t)), words.data()};
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = ::DefWindowProcW;
    wc.lpszClassName = CCommandReceiver::kReplyClass; // a start's reply window
    ::RegisterClassExW(&wc);
    const HWND reply = ::CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                         nullptr, nullptr, nullptr);
    const HWND other = ::CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                         nullptr, nullptr);
    const struct {
        std::optional<SenderToken> token;
        HWND sender;
        bool taken;
    } rows[] = {
        {SenderToken{SECURITY_MANDATORY_MEDIUM_RID, false}, reply, true},
        {SenderToken{SECURITY_MANDATORY_HIGH_RID, false}, reply, true},
        {std::nullopt, reply, true}, // above us: its token is not ours to read
        {SenderToken{SECURITY_MANDATORY_MEDIUM_RID - 1, false}, reply, false},
        {SenderToken{SECURITY_MANDATORY_LOW_RID, false}, reply, false},
        {SenderToken{SECURITY_MANDATORY_UNTRUSTED_RID, false}, reply, false},
        {SenderToken{SECURITY_MANDATORY_MEDIUM_RID, true}, reply, false},
        {SenderToken{SECURITY_MANDATORY_MEDIUM_RID, false}, other, false}, // not a start's
        {SenderToken{SECURITY_MANDATORY_MEDIUM_RID, false}, nullptr, false},
    };
    for (const auto& row : rows) {
        Receiver r(row.token);
        EXPECT_EQ(r.receiver.OnCopyData(row.sender, &show), row.taken ? CCommandReceiver::kDone : 0)
            << (row.token ? row.token->integrity : 0u);
        EXPECT_EQ(r.shown, row.taken ? 1 : 0);
    }
    ::DestroyWindow(other);
    ::DestroyWindow(reply);
    // The real sender in this process registers the class with its own
    // window procedure.
    ::UnregisterClassW(CCommandReceiver::kReplyClass, nullptr);
}

// A hibernate timer the PC cannot do: the first copy's own start is told
// why; another start learns it from its exit code alone.
TEST(CommandSender, AStartsOwnTimerThatCannotBeDoneIsTold) {
    const std::vector<std::wstring> args{L"/timer", L"30", L"hibernate"};
    const CCommandLine timer(args);
    Receiver own(SenderToken{SECURITY_MANDATORY_MEDIUM_RID, false});
    EXPECT_EQ(own.receiver.Apply(timer, nullptr), CCommandReceiver::kRefused);
    ASSERT_EQ(own.told.size(), 1u);
    EXPECT_NE(own.told[0].find(L"この PC は休止状態にできません"), std::wstring::npos);
    EXPECT_EQ(own.scheduler.Cycle().OneOffs().GetCount(), 0);

    Receiver other(SenderToken{SECURITY_MANDATORY_MEDIUM_RID, false});
    EXPECT_EQ(other.receiver.Apply(timer, other.wnd.m_hWnd), CCommandReceiver::kRefused);
    EXPECT_TRUE(other.told.empty());
}

} // namespace
