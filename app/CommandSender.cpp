#include "app/CommandSender.h"

#include "app/ConsoleOutput.h"
#include "framework/Handle.h"
#include "ui/CommandReceiver.h"

#include <cstring>

namespace {

constexpr const wchar_t* kReplyClass = CCommandReceiver::kReplyClass;
// The next-due line is one short line, /history's lines at most a full
// record as UTF-16; more is not ours.
constexpr DWORD kMaxReplyBytes = 4 * 1024 * 1024;

// What the reply window has heard, kept in its GWLP_USERDATA.
struct Reply {
    HWND from = nullptr;
    std::wstring text;
    bool heard = false;
};

LRESULT CALLBACK ReplyProc(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* reply = reinterpret_cast<Reply*>(::GetWindowLongPtrW(wnd, GWLP_USERDATA));
    const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
    if (message != WM_COPYDATA || reply == nullptr) {
        return ::DefWindowProcW(wnd, message, wParam, lParam);
    }
    if (reinterpret_cast<HWND>(wParam) != reply->from || data == nullptr ||
        data->dwData != CCommandReceiver::kReplyTag || data->cbData > kMaxReplyBytes ||
        data->cbData % sizeof(wchar_t) != 0 || (data->cbData != 0 && data->lpData == nullptr)) {
        return FALSE;
    }
    reply->text.assign(data->cbData / sizeof(wchar_t), L'\0');
    if (data->cbData != 0) {
        std::memcpy(reply->text.data(), data->lpData, data->cbData);
    }
    reply->heard = true;
    return TRUE;
}

// A message-only window that hears the running copy's answer.
unique_hwnd MakeReplyWindow(Reply& reply) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = ReplyProc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = kReplyClass;
    ::RegisterClassExW(&wc);
    unique_hwnd wnd(::CreateWindowExW(0, kReplyClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                      wc.hInstance, nullptr));
    if (wnd) {
        ::SetWindowLongPtrW(wnd.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&reply));
        // A copy run without elevation may answer one run as administrator.
        ::ChangeWindowMessageFilterEx(wnd.get(), WM_COPYDATA, MSGFLT_ALLOW, nullptr);
    }
    return wnd;
}

} // namespace

int CCommandSender::Send(const CCommandLine& command) {
    if (m_running == nullptr) {
        return CCommandLine::kNoRunningCopy;
    }
    const std::wstring words = command.Words();
    if (words.empty()) {
        return CCommandLine::kBadArguments;
    }
    Reply reply;
    reply.from = m_running;
    const unique_hwnd replyWnd = MakeReplyWindow(reply);
    // This start has the foreground, and may hand it on for /show.
    DWORD pid = 0;
    ::GetWindowThreadProcessId(m_running, &pid);
    ::AllowSetForegroundWindow(pid);

    COPYDATASTRUCT data{CCommandReceiver::kCommandTag,
                        static_cast<DWORD>(words.size() * sizeof(wchar_t)),
                        const_cast<wchar_t*>(words.data())};
    DWORD_PTR answer = 0;
    // The answer to /next and /history arrives while this call waits.
    if (::SendMessageTimeoutW(m_running, WM_COPYDATA, reinterpret_cast<WPARAM>(replyWnd.get()),
                              reinterpret_cast<LPARAM>(&data), SMTO_ABORTIFHUNG, 10000,
                              &answer) == 0) {
        return CCommandLine::kNoRunningCopy; // gone, or hung
    }
    if (answer == static_cast<DWORD_PTR>(CCommandReceiver::kRefused)) {
        if (reply.heard) {
            CConsoleOutput().Write(reply.text + L"\r\n"); // why, when the running copy said
        }
        return CCommandLine::kRefused;
    }
    if (answer != static_cast<DWORD_PTR>(CCommandReceiver::kDone)) {
        return CCommandLine::kNoRunningCopy; // a window that does not take commands
    }
    if (command.GetKind() == CCommandLine::Kind::Next) {
        if (!reply.heard) {
            return CCommandLine::kNoRunningCopy;
        }
        // Started from a shortcut, Win+R or a task: nowhere to write.
        if (!CConsoleOutput().Write(reply.text + L"\r\n")) {
            ::MessageBoxW(nullptr, reply.text.c_str(), L"Quillaberton", MB_ICONINFORMATION);
        }
    }
    if (command.GetKind() == CCommandLine::Kind::History) {
        if (!reply.heard) {
            return CCommandLine::kNoRunningCopy;
        }
        CConsoleOutput().Write(reply.text); // each line ends with CR LF already
    }
    return CCommandLine::kDone;
}

int CCommandSender::WriteUsage(int exitCode) {
    const std::wstring usage(CCommandLine::Usage());
    if (!CConsoleOutput().Write(usage)) {
        ::MessageBoxW(nullptr, usage.c_str(), L"Quillaberton",
                      exitCode == CCommandLine::kDone ? MB_ICONINFORMATION : MB_ICONWARNING);
    }
    return exitCode;
}
