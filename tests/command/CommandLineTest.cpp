#include "command/CommandLine.h"
#include "command/ProgramName.h"

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
    std::wstring dir = {};
    WatchSpec watch = {};
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
    {{L"/when", L"exit", L"My App.EXE", L"shutdown"}, Kind::When, 0, 0, 0, {}, {{}, L"My App.EXE"}},
    {{L"-WHEN", L"Quiet", L"100000", L"120", L"restart"},
     Kind::When,
     0,
     1,
     0,
     {},
     {WatchKind::NetworkQuiet, L"", 100000, 120}},
    {{L"/when", L"idle", L"240", L"logoff"},
     Kind::When,
     0,
     3,
     0,
     {},
     {WatchKind::InputIdle, L"", 0, 240}},
    {{L"/when", L"CPU", L"1", L"1", L"lock"},
     Kind::When,
     0,
     5,
     0,
     {},
     {WatchKind::CpuQuiet, L"", 1, 1}},
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
    {{L"/when", L"quiet", L"100001", L"5", L"lock"}, Kind::Bad},
    {{L"/when", L"quiet", L"50", L"0", L"lock"}, Kind::Bad},
    {{L"/when", L"idle", L"241", L"lock"}, Kind::Bad},
    {{L"/when", L"idle", L"5", L"lock", L"now"}, Kind::Bad},
    {{L"/when", L"cpu", L"91", L"5", L"lock"}, Kind::Bad},
    {{L"/when", L"exit", L"", L"lock"}, Kind::Bad},
    {{L"/when", L"exit", L"bin\\render.exe", L"lock"}, Kind::Bad},
    {{L"/when", L"exit", L"render.exe", L"reboot"}, Kind::Bad},
    {{L"/when", L"disk", L"5", L"lock"}, Kind::Bad},
    // The settings folder, absolute, once, beside any command or alone.
    {{L"/dir", L"C:\\Tools\\Q"}, Kind::None, 0, 0, 0, L"C:\\Tools\\Q"},
    {{L"-DIR", L"\\\\server\\q", L"/timer", L"30", L"restart"},
     Kind::Timer,
     30,
     1,
     0,
     L"\\\\server\\q"},
    {{L"/next", L"/dir", L"d:/q"}, Kind::Next, 0, 0, 0, L"d:/q"},
    {{L"/dir", L"C:\\q", L"/?"}, Kind::Help, 0, 0, 0, L"C:\\q"},
    {{L"/dir"}, Kind::Bad},
    {{L"/timer", L"30", L"restart", L"/dir"}, Kind::Bad},
    {{L"/dir", L"Tools"}, Kind::Bad},
    {{L"/dir", L".\\Tools"}, Kind::Bad},
    {{L"/dir", L"\\Tools"}, Kind::Bad},
    {{L"/dir", L"C:Tools"}, Kind::Bad},
    {{L"/dir", L"\\\\\\x"}, Kind::Bad},
    {{L"/dir", L"C:\\a", L"/dir", L"C:\\b"}, Kind::Bad},
    {{L"/dir", L"C:\\a", L"/skipp"}, Kind::Bad},
};

TEST(CommandLine, ParsesTheTable) {
    for (const Row& row : kRows) {
        const CCommandLine command(row.args);
        EXPECT_EQ(command.GetKind(), row.kind) << testing::PrintToString(row.args);
        if (row.kind != Kind::Bad) {
            EXPECT_EQ(command.Dir(), row.dir);
        }
        if (row.kind == Kind::Timer || row.kind == Kind::When) {
            EXPECT_EQ(command.Minutes(), row.minutes);
            EXPECT_EQ(command.Mode(), row.mode);
            EXPECT_TRUE(command.Watch() == row.watch);
            EXPECT_FALSE(command.NeedsRunningCopy()); // /timer and /when start one
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
                                     L"/timer 30 lock\0"s, L"\0"s,
                                     L"/dir\0"s
                                     L"C:\\q\0/skip\0"s}) {
        EXPECT_EQ(CCommandLine::FromWords(data).GetKind(), Kind::Bad)
            << testing::PrintToString(data);
    }
}

// The program's own name as Windows resolved it, against the module
// C:\Program Files\Quillaberton\Quillaberton.exe; the short form and the
// stored case come from the file system, here a stand-in for it.
TEST(ProgramName, IsSkippedAsWindowsResolvedIt) {
    const std::wstring module = L"C:\\Program Files\\Quillaberton\\Quillaberton.exe";
    const auto stored = [&](std::wstring_view path) {
        return path == L"C:\\PROGRA~1\\QUILLA~1\\QUILLA~1.EXE" ? module : std::wstring(path);
    };
    const std::pair<std::wstring, std::wstring> rows[] = {
        {L"\"" + module + L"\" /next", L" /next"},
        {L"\"" + module + L"\"", L""},
        {module + L" /timer 30 shutdown", L" /timer 30 shutdown"},
        {module, L""},
        {L"c:\\program files\\quillaberton\\QUILLABERTON.exe\t/skip", L"\t/skip"},
        {L"C:\\PROGRA~1\\QUILLA~1\\QUILLA~1.EXE /next", L" /next"},
        {L"C:\\Program Files\\Quillaberton\\quillaberton /show", L" /show"},
        {module + L" /dir C:\\Program Files\\Quillaberton",
         L" /dir C:\\Program Files\\Quillaberton"},
        {L"QUILLABERTON /exit", L" /exit"},
        {L"Quillaberton\\Quillaberton.exe", L""},
        {L"launcher /next", L" /next"}, // any first word: the runtime's rule
        {L"\"C:\\Program Files\\Other\\x.exe\" /next", L" /next"},
        {L"", L""},
    };
    for (const auto& [line, rest] : rows) {
        EXPECT_EQ(CProgramName::ArgumentsOf(line, module, stored), rest)
            << testing::PrintToString(line);
    }
}

} // namespace
