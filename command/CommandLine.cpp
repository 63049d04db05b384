#include "command/CommandLine.h"

#include "schedule/EndMode.h"

#include <algorithm>
#include <array>

namespace {

struct Word {
    std::wstring_view text;
    CCommandLine::Kind kind;
};

constexpr std::array<Word, 8> kCommands{{
    {L"timer", CCommandLine::Kind::Timer},
    {L"skip", CCommandLine::Kind::Skip},
    {L"cancel", CCommandLine::Kind::Cancel},
    {L"show", CCommandLine::Kind::Show},
    {L"exit", CCommandLine::Kind::Exit},
    {L"next", CCommandLine::Kind::Next},
    {L"history", CCommandLine::Kind::History},
    {L"?", CCommandLine::Kind::Help},
}};

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
    if (command->kind != Kind::Timer) {
        if (args.size() == 1) {
            m_kind = command->kind;
        }
        return;
    }
    if (args.size() != 3) {
        return;
    }
    const auto action = std::find_if(kActions.begin(), kActions.end(),
                                     [&](std::wstring_view a) { return SameWord(args[2], a); });
    m_minutes = NumberOf(args[1], kMaxMinutes);
    if (m_minutes == 0 || action == kActions.end()) {
        m_minutes = 0;
        return;
    }
    m_mode = static_cast<std::int32_t>(action - kActions.begin());
    m_kind = Kind::Timer;
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
    return L"使い方: Quillaberton.exe [/dir フォルダー] [/timer 分 動作 | /skip | /cancel | /show "
           L"| /exit | /next | /history [行数] | /?]\r\n"
           L"  /timer 分 動作  分 (1-1440) 後に動作するタイマーを追加します。\r\n"
           L"                  動作: shutdown, restart, standby, logoff, hibernate, lock\r\n"
           L"  /skip           次回の実行をスキップします。\r\n"
           L"  /cancel         タイマーを取り消します。\r\n"
           L"  /show           ウィンドウを表示します。\r\n"
           L"  /exit           プログラムを終了します。\r\n"
           L"  /next           次回の実行を書き出します。\r\n"
           L"  /history [行数] 履歴の最後の行 (1-10000、既定 20) を書き出します。\r\n"
           L"  /?              この説明を書き出します。\r\n"
           L"  /dir フォルダー  設定ファイル Quillaberton.dat のあるフォルダー（絶対パス）。\r\n"
           L"                  省略すると作業フォルダーです。\r\n"
           L"終了コード: 0 完了、1 引数の誤り、2 実行中のプログラムがない、3 今は実行できない\r\n";
}
