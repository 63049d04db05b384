#pragma once

#include "command/CommandLine.h"
#include "record/RecordFile.h"
#include "framework/Wnd.h"
#include "platform/SenderToken.h"
#include "ui/NextDuePresenter.h"
#include "ui/Scheduler.h"

#include <functional>
#include <optional>
#include <string>

// The running copy's side of the commands a start sends (WM_COPYDATA): it
// reads the words again, and does what the tray menu would. Anything that is
// not a whole command, with our tag, from a start's reply window in a
// process of the user's own level or above, is left alone: the message
// filter lets WM_COPYDATA in from every level, so that a copy run as
// administrator hears the user's consoles and tasks, and a sandboxed or
// low-integrity program must not drive it.
class CCommandReceiver {
public:
    // WM_COPYDATA's dwData: a command's words, each ended by a NUL.
    static constexpr ULONG_PTR kCommandTag = 0x31434251; // "QBC1"
    // ... and the answer to /next and /history, sent back to the window in wParam.
    static constexpr ULONG_PTR kReplyTag = 0x31524251; // "QBR1"
    // The window class of a start's window that hears that answer; a
    // command sent in the name of any other window is not taken.
    static constexpr wchar_t kReplyClass[] = L"Quillaberton.Reply";
    // The longest the answer to /next may hold this window: a sender that
    // does not take it must not stall a warning that is open meanwhile.
    static constexpr UINT kReplyTimeoutMs = 200;
    // What WM_COPYDATA returns; 0 means not taken.
    static constexpr LRESULT kDone = 1;
    static constexpr LRESULT kRefused = 2;
    // Longer words never come from a start: they are not read.
    static constexpr DWORD kMaxBytes = 1024;
    static_assert(CCommandLine::kMaxWordsChars * sizeof(wchar_t) <= kMaxBytes);
    // The lParam of the exit command posted for /exit: the record tells it
    // from the menu's.
    static constexpr LPARAM kFromCommand = 1;

    struct Actions {
        std::function<void()> show;         // as a second start does
        std::function<bool()> canHibernate; // else a hibernate timer is refused
        UINT exitCommand;                   // posted: プログラムの終了
        // The record's last lines, each ended by CR LF (HistoryText); unset,
        // /history is refused.
        std::function<std::wstring(int lines)> history = {};
        // The token of a sender window's process; a stand-in in tests.
        std::function<std::optional<SenderToken>(HWND)> senderToken = ReadSenderToken;
        // Tells the user why the first copy's own command was not done;
        // null: a message box over the window.
        std::function<void(const std::wstring&)> tell = nullptr;
    };

    CCommandReceiver(CWnd& wnd, CScheduler& scheduler, CNextDuePresenter& nextDue, Actions actions)
        : m_wnd(wnd), m_scheduler(scheduler), m_nextDue(nextDue), m_actions(std::move(actions)) {}

    // WM_COPYDATA from `sender`.
    LRESULT OnCopyData(HWND sender, const COPYDATASTRUCT* data);
    // The first copy's own command (`replyTo` null), once its window is up:
    // one it cannot do is told to the user, since no exit code reaches
    // anyone. A command from another start, already read: `replyTo` gets
    // the answer to /next and /history.
    LRESULT Apply(const CCommandLine& command, HWND replyTo);

    // The last `lines` lines of the record, each ended by CR LF.
    static std::wstring HistoryText(const CRecordFile& record, int lines);

private:
    bool FromTheUser(HWND sender) const;
    void Tell(const std::wstring& text);
    bool Reply(HWND to, const std::wstring& text);

    CWnd& m_wnd;
    CScheduler& m_scheduler;
    CNextDuePresenter& m_nextDue;
    Actions m_actions;
};
