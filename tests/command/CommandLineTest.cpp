#include "command/CommandLine.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Kind = CCommandLine::Kind;

struct Row {
    std::vector<std::wstring> args;
    Kind kind;
    int minutes = 0;
    int mode = 0;
    WatchSpec watch{};
};

const std::wstring kLongName(256, L'a');

// Valid commands in any case and with either prefix; every other line is Bad.
const Row kRows[] = {
    {{}, Kind::None},
    {{L"/timer", L"30", L"restart"}, Kind::Timer, 30, 1},
    {{L"-TIMER", L"1", L"ShutDown"}, Kind::Timer, 1, 0},
    {{L"/Timer", L"1440", L"LOCK"}, Kind::Timer, 1440, 5},
    {{L"/timer", L"0030", L"hibernate"}, Kind::Timer, 30, 4},
    {{L"/timer", L"15", L"standby"}, Kind::Timer, 15, 2},
    {{L"/timer", L"15", L"logoff"}, Kind::Timer, 15, 3},
    {{L"/when", L"exit", L"My App.EXE", L"shutdown"}, Kind::When, 0, 0, {{}, L"My App.EXE"}},
    {{L"-WHEN", L"Quiet", L"100000", L"120", L"restart"},
     Kind::When,
     0,
     1,
     {WatchKind::NetworkQuiet, L"", 100000, 120}},
    {{L"/when", L"quiet", L"1", L"01", L"lock"},
     Kind::When,
     0,
     5,
     {WatchKind::NetworkQuiet, L"", 1, 1}},
    {{L"/when", L"idle", L"240", L"logoff"}, Kind::When, 0, 3, {WatchKind::InputIdle, L"", 0, 240}},
    {{L"/when", L"idle", L"1", L"standby"}, Kind::When, 0, 2, {WatchKind::InputIdle, L"", 0, 1}},
    {{L"/when", L"CPU", L"90", L"120", L"hibernate"},
     Kind::When,
     0,
     4,
     {WatchKind::CpuQuiet, L"", 90, 120}},
    {{L"/when", L"cpu", L"1", L"1", L"lock"}, Kind::When, 0, 5, {WatchKind::CpuQuiet, L"", 1, 1}},
    {{L"/when", L"exit", kLongName.substr(1), L"hibernate"},
     Kind::When,
     0,
     4,
     {{}, kLongName.substr(1)}},
    {{L"/SKIP"}, Kind::Skip},
    {{L"-cancel"}, Kind::Cancel},
    {{L"/show"}, Kind::Show},
    {{L"/Exit"}, Kind::Exit},
    {{L"-next"}, Kind::Next},
    {{L"/?"}, Kind::Help},
    {{L"/timer", L"0", L"restart"}, Kind::Bad},
    {{L"/timer", L"1441", L"restart"}, Kind::Bad},
    {{L"/timer", L"99999999999999999999", L"restart"}, Kind::Bad},
    {{L"/timer", L"-5", L"restart"}, Kind::Bad},
    {{L"/timer", L"+5", L"restart"}, Kind::Bad},
    {{L"/timer", L"abc", L"restart"}, Kind::Bad},
    {{L"/timer", L"", L"restart"}, Kind::Bad},
    {{L"/timer", L"30", L"reboot"}, Kind::Bad},
    {{L"/timer", L"30", L""}, Kind::Bad},
    {{L"/timer", L"30"}, Kind::Bad},
    {{L"/timer", L"30", L"restart", L"now"}, Kind::Bad},
    {{L"/skip", L"/cancel"}, Kind::Bad},
    {{L"/show", L""}, Kind::Bad},
    {{L""}, Kind::Bad},
    {{L"/"}, Kind::Bad},
    {{L"skip"}, Kind::Bad},
    {{L"\\skip"}, Kind::Bad},
    {{L"/skipp"}, Kind::Bad},
    {{L"/ＳＫＩＰ"}, Kind::Bad}, // full-width letters do not fold
    {{L"/help"}, Kind::Bad},
    {{L"/when", L"quiet", L"0", L"5", L"lock"}, Kind::Bad},
    {{L"/when", L"quiet", L"100001", L"5", L"lock"}, Kind::Bad},
    {{L"/when", L"quiet", L"50", L"0", L"lock"}, Kind::Bad},
    {{L"/when", L"quiet", L"50", L"121", L"lock"}, Kind::Bad},
    {{L"/when", L"quiet", L"50", L"lock"}, Kind::Bad},
    {{L"/when", L"idle", L"0", L"lock"}, Kind::Bad},
    {{L"/when", L"idle", L"241", L"lock"}, Kind::Bad},
    {{L"/when", L"idle", L"5", L"lock", L"now"}, Kind::Bad},
    {{L"/when", L"cpu", L"0", L"5", L"lock"}, Kind::Bad},
    {{L"/when", L"cpu", L"91", L"5", L"lock"}, Kind::Bad},
    {{L"/when", L"cpu", L"10", L"0", L"lock"}, Kind::Bad},
    {{L"/when", L"cpu", L"10", L"121", L"lock"}, Kind::Bad},
    {{L"/when", L"exit", L"", L"lock"}, Kind::Bad},
    {{L"/when", L"exit", L"bin\\render.exe", L"lock"}, Kind::Bad},
    {{L"/when", L"exit", L"bin/render.exe", L"lock"}, Kind::Bad},
    {{L"/when", L"exit", L"C:render.exe", L"lock"}, Kind::Bad},
    {{L"/when", L"exit", kLongName, L"lock"}, Kind::Bad},
    {{L"/when", L"exit", L"render.exe", L"reboot"}, Kind::Bad},
    {{L"/when", L"exit", L"render.exe"}, Kind::Bad},
    {{L"/when", L"disk", L"5", L"lock"}, Kind::Bad},
    {{L"/when"}, Kind::Bad},
};

TEST(CommandLine, ParsesTheTable) {
    for (const Row& row : kRows) {
        const CCommandLine command(row.args);
        EXPECT_EQ(command.GetKind(), row.kind) << testing::PrintToString(row.args);
        if (row.kind == Kind::Timer || row.kind == Kind::When) {
            EXPECT_EQ(command.Minutes(), row.minutes);
            EXPECT_EQ(command.Mode(), row.mode);
            EXPECT_TRUE(command.Watch() == row.watch);
            EXPECT_EQ(command.NeedsRunningCopy(), false); // /timer and /when start one
        }
        // What the running copy gets reads back as the same command; bad
        // arguments, help and a plain start send nothing.
        const std::wstring words = command.Words();
        const bool sent = row.kind != Kind::Bad && row.kind != Kind::Help && row.kind != Kind::None;
        EXPECT_EQ(!words.empty(), sent);
        EXPECT_LE(words.size(), CCommandLine::kMaxWordsChars);
        if (sent) {
            const CCommandLine again = CCommandLine::FromWords(words);
            EXPECT_EQ(again.GetKind(), row.kind);
            EXPECT_EQ(again.Minutes(), command.Minutes());
            EXPECT_EQ(again.Mode(), command.Mode());
            EXPECT_TRUE(again.Watch() == command.Watch());
        }
    }
}

// The receiver trusts no sender: only whole, NUL-ended words that make a
// command it would have been sent.
TEST(CommandLine, FromWordsTakesOnlyWhatAStartWouldSend) {
    using namespace std::string_literals;
    EXPECT_EQ(CCommandLine::FromWords(L"/timer\0"s
                                      L"30\0"s
                                      L"lock\0"s)
                  .GetKind(),
              Kind::Timer);
    for (const std::wstring& data : {L""s, L"/skip"s, L"/skip\0/skip\0"s, L"/?\0"s,
                                     L"/timer\0"s
                                     L"30\0"s
                                     L"lock"s,
                                     L"/timer 30 lock\0"s, L"\0"s}) {
        EXPECT_EQ(CCommandLine::FromWords(data).GetKind(), Kind::Bad)
            << testing::PrintToString(data);
    }
}

} // namespace
