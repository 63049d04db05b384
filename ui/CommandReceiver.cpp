#include "ui/CommandReceiver.h"

#include "framework/Text.h"
#include "schedule/EndMode.h"

#include <cstring>
#include <iterator>
#include <string_view>

LRESULT CCommandReceiver::OnCopyData(HWND sender, const COPYDATASTRUCT* data) {
    // The sender's bytes are copied out once and checked before anything
    // reads them as text.
    if (data == nullptr || data->dwData != kCommandTag || data->lpData == nullptr ||
        data->cbData == 0 || data->cbData > kMaxBytes || data->cbData % sizeof(wchar_t) != 0) {
        return 0;
    }
    std::wstring words(data->cbData / sizeof(wchar_t), L'\0');
    std::memcpy(words.data(), data->lpData, data->cbData);
    const CCommandLine command = CCommandLine::FromWords(words);
    if (command.GetKind() == CCommandLine::Kind::Bad || sender == m_wnd.m_hWnd ||
        !FromTheUser(sender)) {
        return 0; // no effect, no reply
    }
    return Apply(command, sender);
}

bool CCommandReceiver::FromTheUser(HWND sender) const {
    // wParam is the sender's word alone: it must at least name a start's
    // reply window, which a sandbox can make only in its own process.
    wchar_t name[std::size(kReplyClass) + 1] = {};
    if (sender == nullptr ||
        ::GetClassNameW(sender, name, static_cast<int>(std::size(name))) == 0 ||
        std::wstring_view(name) != kReplyClass) {
        return false;
    }
    // A token we cannot read is of a higher level (an elevated console
    // commanding a copy that is not), never a sandbox's.
    const std::optional<SenderToken> token = m_actions.senderToken(sender);
    return !token || (!token->appContainer && token->integrity >= SECURITY_MANDATORY_MEDIUM_RID);
}

LRESULT CCommandReceiver::Apply(const CCommandLine& command, HWND replyTo) {
    using Kind = CCommandLine::Kind;
    const Kind kind = command.GetKind();
    // As in the tray menu: while a window of ours is open (a warning, the
    // editor, a question) only showing and reading are done.
    if (!m_wnd.IsWindowEnabled() && kind != Kind::Show && kind != Kind::Next &&
        kind != Kind::History) {
        return kRefused;
    }
    // What comes next may have changed since the last tick.
    m_nextDue.Refresh();
    switch (kind) {
    case Kind::Timer:
    case Kind::When:
        if (command.Mode() == EndMode::Hibernate && !m_actions.canHibernate()) {
            if (replyTo == nullptr) {
                Tell(kind == Kind::Timer
                         ? L"休止状態のタイマーを追加できませんでした。\n\nこの PC は休止状態に"
                           L"できません（休止状態が無効か、対応していません）。"
                         : L"休止状態の条件を設定できませんでした。\n\nこの PC は休止状態に"
                           L"できません（休止状態が無効か、対応していません）。");
            }
            return kRefused;
        }
        if (kind == Kind::Timer) {
            m_scheduler.AddTimer(command.Mode(), command.Minutes(), CScheduler::By::Command);
        } else if (const std::wstring why = m_scheduler.ArmWatch(command.Watch(), command.Mode(),
                                                                 true, CScheduler::By::Command);
                   !why.empty()) {
            // Said where the command came from: the start's console, or a box.
            if (replyTo == nullptr) {
                Tell(L"条件を設定できませんでした。\n\n" + why);
            } else {
                Reply(replyTo, why);
            }
            return kRefused;
        }
        return kDone;
    case Kind::Skip:
        // Nothing due is nothing to skip: done. One whose warning has come
        // cannot be skipped any more.
        if (const std::optional<DueTime> due = m_nextDue.Due()) {
            return m_scheduler.Skip(*due, CScheduler::By::Command) ? kDone : kRefused;
        }
        return kDone;
    case Kind::Cancel: // the condition too
        m_scheduler.CancelOneOffs(CScheduler::By::Command);
        return kDone;
    case Kind::Show:
        m_actions.show();
        return kDone;
    case Kind::Exit:
        // Posted: its save and questions must not hold up the sender.
        m_wnd.PostMessage(WM_COMMAND, m_actions.exitCommand, kFromCommand);
        return kDone;
    case Kind::Next:
        return Reply(replyTo, m_nextDue.Text().line) ? kDone : kRefused;
    case Kind::History:
        return m_actions.history && Reply(replyTo, m_actions.history(command.Lines())) ? kDone
                                                                                       : kRefused;
    default:
        return 0;
    }
}

std::wstring CCommandReceiver::HistoryText(const CRecordFile& record, int lines) {
    std::wstring text;
    for (const std::string& line : record.LastLines(static_cast<std::size_t>(lines))) {
        text += Utf8ToWide(line) + L"\r\n";
    }
    return text;
}

void CCommandReceiver::Tell(const std::wstring& text) {
    if (m_actions.tell) {
        m_actions.tell(text);
    } else {
        ::MessageBoxW(m_wnd.m_hWnd, text.c_str(), L"Quillaberton",
                      MB_OK | MB_ICONWARNING | MB_TOPMOST);
    }
}

bool CCommandReceiver::Reply(HWND to, const std::wstring& text) {
    if (to == nullptr || !::IsWindow(to)) {
        return false;
    }
    COPYDATASTRUCT reply{kReplyTag, static_cast<DWORD>(text.size() * sizeof(wchar_t)),
                         const_cast<wchar_t*>(text.data())};
    DWORD_PTR result = 0;
    return ::SendMessageTimeoutW(to, WM_COPYDATA, reinterpret_cast<WPARAM>(m_wnd.m_hWnd),
                                 reinterpret_cast<LPARAM>(&reply), SMTO_ABORTIFHUNG,
                                 kReplyTimeoutMs, &result) != 0 &&
           result != 0;
}
