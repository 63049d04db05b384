#include "command/CommandLine.h"

#include "schedule/EndMode.h"

#include <algorithm>
#include <array>

namespace {

struct Word {
    std::wstring_view text;
    CCommandLine::Kind kind;
};

constexpr std::array<Word, 9> kCommands{{
    {L"timer", CCommandLine::Kind::Timer},
    {L"when", CCommandLine::Kind::When},
    {L"skip", CCommandLine::Kind::Skip},
    {L"cancel", CCommandLine::Kind::Cancel},
    {L"show", CCommandLine::Kind::Show},
    {L"exit", CCommandLine::Kind::Exit},
    {L"next", CCommandLine::Kind::Next},
    {L"history", CCommandLine::Kind::History},
    {L"?", CCommandLine::Kind::Help},
}};

// The conditions of /when, and which values each takes before its action.
struct Condition {
    std::wstring_view text;
    WatchKind kind;
    bool name;
    bool level;
    bool minutes;
};

constexpr std::array<Condition, 4> kConditions{{
    {L"exit", WatchKind::ProgramExit, true, false, false},
    {L"quiet", WatchKind::NetworkQuiet, false, true, true},
    {L"idle", WatchKind::InputIdle, false, false, true},
    {L"cpu", WatchKind::CpuQuiet, false, true, true},
}};

// Above every range a value of /when may have.
constexpr int kMaxValue = 1000000;

// In end-mode order: the index is the mode.
constexpr std::array<std::wstring_view, 6> kActions{
    L"shutdown", L"restart", L"standby", L"logoff", L"hibernate", L"lock",
};
static_assert(kActions.size() == EndMode::Lock + 1);

// Only ASCII letters fold: a locale must not change what a word means.
bool SameWord(std::wstring_view given, std::wstring_view word) {
    return given.size() == word.size() &&
           std::equal(given.begin(), given.end(), word.begin(), [](wchar_t a, wchar_t b) {
               return (a >= L'A' && a <= L'Z' ? a - L'A' + L'a' : a) == b;
           });
}

// Decimal digits only (no sign, no spaces), 1 to max; else 0.
int NumberOf(std::wstring_view text, int max) {
    int value = 0;
    for (const wchar_t c : text) {
        if (c < L'0' || c > L'9') {
            return 0;
        }
        value = std::min(value * 10 + (c - L'0'), max + 1);
    }
    return value <= max ? value : 0;
}

// The end mode an action's word names; -1 for none.
std::int32_t ModeOf(std::wstring_view text) {
    const auto action = std::find_if(kActions.begin(), kActions.end(),
                                     [&](std::wstring_view a) { return SameWord(text, a); });
    return action == kActions.end() ? -1 : static_cast<std::int32_t>(action - kActions.begin());
}

bool IsWord(std::wstring_view given, std::wstring_view word) {
    return !given.empty() && (given[0] == L'/' || given[0] == L'-') &&
           SameWord(given.substr(1), word);
}

// "C:\..." or "\\server\...": a folder the working folder cannot change.
bool IsAbsolute(std::wstring_view path) {
    const auto slash = [](wchar_t c) { return c == L'\\' || c == L'/'; };
    const bool drive =
        path.size() >= 3 &&
        ((path[0] >= L'A' && path[0] <= L'Z') || (path[0] >= L'a' && path[0] <= L'z')) &&
        path[1] == L':' && slash(path[2]);
    return drive || (path.size() >= 3 && slash(path[0]) && slash(path[1]) && !slash(path[2]));
}

} // namespace

CCommandLine::CCommandLine(std::span<const std::wstring> given) {
    // "/dir FOLDER", once, anywhere: the rest is the command.
    std::vector<std::wstring> rest(given.begin(), given.end());
    const auto dir = std::find_if(rest.begin(), rest.end(),
                                  [](const std::wstring& w) { return IsWord(w, L"dir"); });
    if (dir != rest.end()) {
        if (dir + 1 == rest.end() || !IsAbsolute(dir[1])) {
            return;
        }
        m_dir = dir[1];
        rest.erase(dir, dir + 2);
        if (std::any_of(rest.begin(), rest.end(),
                        [](const std::wstring& w) { return IsWord(w, L"dir"); })) {
            return;
        }
    }
    const std::span<const std::wstring> args(rest);
    if (args.empty()) {
        m_kind = Kind::None;
        return;
    }
    const std::wstring_view first = args[0];
    if (first.empty() || (first[0] != L'/' && first[0] != L'-')) {
        return;
    }
    const auto command = std::find_if(kCommands.begin(), kCommands.end(), [&](const Word& w) {
        return SameWord(first.substr(1), w.text);
    });
    if (command == kCommands.end()) {
        return;
    }
    if (command->kind == Kind::History) {
        m_lines = args.size() == 1   ? kDefaultHistoryLines
                  : args.size() == 2 ? NumberOf(args[1], kMaxHistoryLines)
                                     : 0;
        m_kind = m_lines != 0 ? Kind::History : Kind::Bad;
        return;
    }
    if (command->kind == Kind::When) {
        if (ReadWhen(args.subspan(1))) {
            m_kind = Kind::When;
        }
        return;
    }
    if (command->kind != Kind::Timer) {
        if (args.size() == 1) {
            m_kind = command->kind;
        }
        return;
    }
    if (args.size() != 3) {
        return;
    }
    const int minutes = NumberOf(args[1], kMaxMinutes);
    const std::int32_t mode = ModeOf(args[2]);
    if (minutes == 0 || mode < 0) {
        return;
    }
    m_minutes = minutes;
    m_mode = mode;
    m_kind = Kind::Timer;
}

bool CCommandLine::ReadWhen(std::span<const std::wstring> args) {
    if (args.empty()) {
        return false;
    }
    const auto condition =
        std::find_if(kConditions.begin(), kConditions.end(),
                     [&](const Condition& c) { return SameWord(args[0], c.text); });
    if (condition == kConditions.end() ||
        args.size() != 2u + condition->name + condition->level + condition->minutes) {
        return false;
    }
    // A value out of its range reads as 0, which no range holds.
    WatchSpec watch;
    watch.kind = condition->kind;
    std::size_t next = 1;
    if (condition->name) {
        watch.name = args[next++];
    }
    if (condition->level) {
        watch.level = NumberOf(args[next++], kMaxValue);
    }
    if (condition->minutes) {
        watch.minutes = NumberOf(args[next++], kMaxValue);
    }
    const std::int32_t mode = ModeOf(args[next]);
    if (mode < 0 || !IsValidWatchSpec(watch)) {
        return false;
    }
    m_watch = std::move(watch);
    m_mode = mode;
    return true;
}

CCommandLine CCommandLine::FromWords(std::wstring_view data) {
    std::vector<std::wstring> args;
    while (!data.empty()) {
        const std::size_t end = data.find(L'\0');
        if (end == std::wstring_view::npos) {
            return CCommandLine();
        }
        args.emplace_back(data.substr(0, end));
        data.remove_prefix(end + 1);
    }
    CCommandLine command(args);
    // Nothing that would not be sent: no plain start, no help, no folder.
    if (command.Words().empty() || !command.Dir().empty()) {
        return CCommandLine();
    }
    return command;
}

bool CCommandLine::NeedsRunningCopy() const {
    return m_kind == Kind::Skip || m_kind == Kind::Cancel || m_kind == Kind::Exit ||
           m_kind == Kind::Next || m_kind == Kind::History;
}

std::wstring CCommandLine::Words() const {
    using namespace std::string_literals;
    switch (m_kind) {
    case Kind::Timer:
        return L"/timer\0"s + std::to_wstring(m_minutes) + L'\0' +
               std::wstring(kActions[static_cast<std::size_t>(m_mode)]) + L'\0';
    case Kind::History:
        return L"/history\0"s + std::to_wstring(m_lines) + L'\0';
    case Kind::When:
        for (const Condition& c : kConditions) {
            if (c.kind == m_watch.kind) {
                return L"/when\0"s + std::wstring(c.text) + L'\0' +
                       (c.name ? m_watch.name + L'\0' : L"") +
                       (c.level ? std::to_wstring(m_watch.level) + L'\0' : L"") +
                       (c.minutes ? std::to_wstring(m_watch.minutes) + L'\0' : L"") +
                       std::wstring(kActions[static_cast<std::size_t>(m_mode)]) + L'\0';
            }
        }
        break;
    case Kind::Skip:
    case Kind::Cancel:
    case Kind::Show:
    case Kind::Exit:
    case Kind::Next:
        for (const Word& w : kCommands) {
            if (w.kind == m_kind) {
                return L"/" + std::wstring(w.text) + L'\0';
            }
        }
        break;
    default:
        break;
    }
    return {};
}

std::wstring_view CCommandLine::Usage() {
    return L"使い方: Quillaberton.exe [/dir フォルダー] [/timer 分 動作 | /when 条件 動作 | /skip "
           L"| /cancel | /show | /exit | /next | /history [行数] | /?]\r\n"
           L"  /timer 分 動作  分 (1-1440) 後に動作するタイマーを追加します。\r\n"
           L"                  動作: shutdown, restart, standby, logoff, hibernate, lock\r\n"
           L"  /when exit 名前 動作\r\n"
           L"                  名前 (render.exe など) "
           L"のプログラムがすべて終了したら動作します。\r\n"
           L"  /when quiet KB/s 分 動作\r\n"
           L"                  通信が KB/s (1-100000) 未満のまま分 (1-120) 続いたら動作します。\r\n"
           L"  /when idle 分 動作\r\n"
           L"                  操作がないまま分 (1-240) 続いたら動作します。\r\n"
           L"  /when cpu % 分 動作\r\n"
           L"                  CPU 使用率が % (1-90) 未満のまま分 (1-120) 続いたら動作します。\r\n"
           L"  /skip           次回の実行をスキップします。\r\n"
           L"  /cancel         タイマーと条件を取り消します。\r\n"
           L"  /show           ウィンドウを表示します。\r\n"
           L"  /exit           プログラムを終了します。\r\n"
           L"  /next           次回の実行を書き出します。\r\n"
           L"  /history [行数] 履歴の最後の行 (1-10000、既定 20) を書き出します。\r\n"
           L"  /?              この説明を書き出します。\r\n"
           L"  /dir フォルダー  設定ファイル Quillaberton.dat のあるフォルダー（絶対パス）。\r\n"
           L"                  省略すると作業フォルダーです。\r\n"
           L"終了コード: 0 完了、1 引数の誤り、2 実行中のプログラムがない、3 今は実行できない\r\n";
}
