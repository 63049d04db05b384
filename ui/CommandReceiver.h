#pragma once

#include "command/CommandLine.h"
#include "record/RecordFile.h"
#include "framework/Wnd.h"
#include "ui/NextDuePresenter.h"
#include "ui/Scheduler.h"

#include <functional>

// The running copy's side of the commands a start sends (WM_COPYDATA): it
// reads the words again, and does what the tray menu would. Anything that is
// not a whole command, with our tag, is left alone.
class CCommandReceiver {
public:
    // WM_COPYDATA's dwData: a command's words, each ended by a NUL.
    static constexpr ULONG_PTR kCommandTag = 0x31434251; // "QBC1"
    // ... and the answer to /next and /history, sent back to the window in wParam.
    static constexpr ULONG_PTR kReplyTag = 0x31524251; // "QBR1"
    // What WM_COPYDATA returns; 0 means not taken.
    static constexpr LRESULT kDone = 1;
    static constexpr LRESULT kRefused = 2;
    // Longer words never come from a start: they are not read.
    static constexpr DWORD kMaxBytes = 256;
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
    };

    CCommandReceiver(CWnd& wnd, CScheduler& scheduler, CNextDuePresenter& nextDue, Actions actions)
        : m_wnd(wnd), m_scheduler(scheduler), m_nextDue(nextDue), m_actions(std::move(actions)) {}

    // WM_COPYDATA from `sender`.
    LRESULT OnCopyData(HWND sender, const COPYDATASTRUCT* data);
    // The first copy's own command, once its window is up; a command from
    // another start, already read. `replyTo` gets the answer to /next and
    // /history.
    LRESULT Apply(const CCommandLine& command, HWND replyTo);

    // The last `lines` lines of the record, each ended by CR LF.
    static std::wstring HistoryText(const CRecordFile& record, int lines);

private:
    bool Reply(HWND to, const std::wstring& text);

    CWnd& m_wnd;
    CScheduler& m_scheduler;
    CNextDuePresenter& m_nextDue;
    Actions m_actions;
};
