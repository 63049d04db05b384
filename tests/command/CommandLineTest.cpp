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
    int lines = 0;
};

// Valid commands in any case and with either prefix; every other line is Bad.
const Row kRows[] = {
    {{}, Kind::None},
    {{L"/timer", L"30", L"restart"}, Kind::Timer, 30, 1},
    {{L"-TIMER", L"1", L"ShutDown"}, Kind::Timer, 1, 0},
    {{L"/Timer", L"1440", L"LOCK"}, Kind::Timer, 1440, 5},
    {{L"/timer", L"0030", L"hibernate"}, Kind::Timer, 30, 4},
    {{L"/timer", L"15", L"standby"}, Kind::Timer, 15, 2},
    {{L"/timer", L"15", L"logoff"}, Kind::Timer, 15, 3},
    {{L"/SKIP"}, Kind::Skip},
    {{L"-cancel"}, Kind::Cancel},
    {{L"/show"}, Kind::Show},
    {{L"/Exit"}, Kind::Exit},
    {{L"-next"}, Kind::Next},
    {{L"/?"}, Kind::Help},
    {{L"/history"}, Kind::History, 0, 0, 20},
    {{L"-HISTORY", L"10000"}, Kind::History, 0, 0, 10000},
    {{L"/history", L"1"}, Kind::History, 0, 0, 1},
    {{L"/history", L"0"}, Kind::Bad},
    {{L"/history", L"10001"}, Kind::Bad},
    {{L"/history", L"-3"}, Kind::Bad},
    {{L"/history", L"5", L"5"}, Kind::Bad},
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
};

TEST(CommandLine, ParsesTheTable) {
    for (const Row& row : kRows) {
        const CCommandLine command(row.args);
        EXPECT_EQ(command.GetKind(), row.kind) << testing::PrintToString(row.args);
        if (row.kind == Kind::Timer) {
            EXPECT_EQ(command.Minutes(), row.minutes);
            EXPECT_EQ(command.Mode(), row.mode);
        }
        EXPECT_EQ(command.Lines(), row.lines);
        // What the running copy gets reads back as the same command; bad
        // arguments, help and a plain start send nothing.
        const std::wstring words = command.Words();
        const bool sent = row.kind != Kind::Bad && row.kind != Kind::Help && row.kind != Kind::None;
        EXPECT_EQ(!words.empty(), sent);
        if (sent) {
            const CCommandLine again = CCommandLine::FromWords(words);
            EXPECT_EQ(again.GetKind(), row.kind);
            EXPECT_EQ(again.Minutes(), command.Minutes());
            EXPECT_EQ(again.Mode(), command.Mode());
            EXPECT_EQ(again.Lines(), row.lines);
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
