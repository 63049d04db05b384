#include "tests/e2e/driver/Driver.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <thread>

namespace qb::e2e {

namespace {

constexpr UINT kSendTimeoutMs = 3000;

std::wstring Environment(const wchar_t* name) {
    const DWORD size = ::GetEnvironmentVariableW(name, nullptr, 0);
    if (size == 0) {
        return {};
    }
    std::wstring value(size, L'\0');
    const DWORD length = ::GetEnvironmentVariableW(name, value.data(), size);
    value.resize(length);
    return value;
}

std::wstring Widen(std::string_view text) {
    if (text.empty()) {
        return {};
    }
    const int n =
        ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(n), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
    return wide;
}

// The running test's full name, for folder and picture names.
std::wstring TestLabel() {
    const testing::TestInfo* info = testing::UnitTest::GetInstance()->current_test_info();
    if (info == nullptr) {
        return L"driver";
    }
    std::wstring label = Widen(info->test_suite_name()) + L"." + Widen(info->name());
    for (wchar_t& c : label) {
        if (c == L'/' || c == L'\\' || c == L':') {
            c = L'_';
        }
    }
    return label;
}

LRESULT SendWithTimeout(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                        bool* ok = nullptr) {
    DWORD_PTR result = 0;
    const LRESULT sent = ::SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG,
                                               kSendTimeoutMs, &result);
    if (ok != nullptr) {
        *ok = sent != 0;
    }
    return sent != 0 ? static_cast<LRESULT>(result) : 0;
}

struct FindContext {
    DWORD pid;
    const wchar_t* caption;
    const wchar_t* className;
    bool includeHidden;
    HWND found;
};

BOOL CALLBACK FindProc(HWND hwnd, LPARAM param) {
    auto* ctx = reinterpret_cast<FindContext*>(param);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hwnd, &pid);
    if (pid != ctx->pid) {
        return TRUE;
    }
    if (!ctx->includeHidden && !::IsWindowVisible(hwnd)) {
        return TRUE;
    }
    if (ctx->className != nullptr && Driver::ClassName(hwnd) != ctx->className) {
        return TRUE;
    }
    if (ctx->caption != nullptr) {
        wchar_t buffer[512] = {};
        ::GetWindowTextW(hwnd, buffer, static_cast<int>(std::size(buffer)));
        if (std::wstring_view(buffer) != ctx->caption) {
            return TRUE;
        }
    }
    ctx->found = hwnd;
    return FALSE;
}

LPARAM KeyParam(UINT vk, bool up) {
    const UINT scan = ::MapVirtualKeyW(vk, MAPVK_VK_TO_VSC);
    LPARAM lParam = 1 | (static_cast<LPARAM>(scan & 0xFF) << 16);
    if (up) {
        lParam |= (1LL << 30) | (1LL << 31);
    }
    return lParam;
}

} // namespace

Driver::Driver() : m_label(TestLabel()) {
    std::filesystem::path root;
    const std::wstring workRoot = Environment(L"QB_E2E_WORK_ROOT");
    if (!workRoot.empty()) {
        root = std::filesystem::path(FromUnixPath(workRoot));
    } else {
        wchar_t temp[MAX_PATH + 1] = {};
        ::GetTempPathW(MAX_PATH + 1, temp);
        root = std::filesystem::path(temp) / L"qb-e2e";
    }
    std::error_code ec;
    std::filesystem::create_directories(root, ec);
    // A folder of its own per driver, even for several drivers in one test.
    for (int n = 1;; ++n) {
        std::filesystem::path candidate = root / (m_label + L"-" + std::to_wstring(n));
        if (std::filesystem::create_directory(candidate, ec)) {
            m_workDir = candidate;
            break;
        }
        if (ec || n > 1000) {
            ADD_FAILURE() << "cannot create a working folder below " << root.string();
            m_workDir = root;
            break;
        }
    }
}

Driver::~Driver() {
    if (IsRunning()) {
        Terminate();
    }
}

std::wstring Driver::FromUnixPath(std::wstring_view unixPath) {
    std::wstring path = L"Z:";
    path += unixPath;
    for (wchar_t& c : path) {
        if (c == L'/') {
            c = L'\\';
        }
    }
    return path;
}

std::wstring Driver::ProgramPath(std::wstring_view name) {
    const std::wstring unixPath = Environment((L"QB_E2E_PROGRAM_" + std::wstring(name)).c_str());
    return unixPath.empty() ? std::wstring() : FromUnixPath(unixPath);
}

void Driver::WriteWorkFile(std::wstring_view name, std::string_view bytes) const {
    std::ofstream out(m_workDir / name, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::optional<std::string> Driver::ReadWorkFile(std::wstring_view name) const {
    // Shared for deletion too: a test that polls the file must not make the
    // program's replace of it fail meanwhile (a stream opens without that).
    HANDLE h = ::CreateFileW((m_workDir / name).c_str(), GENERIC_READ,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        return std::nullopt;
    }
    const OwnedHandle file(h);
    std::string bytes;
    char buffer[65536];
    DWORD got = 0;
    while (::ReadFile(file.Get(), buffer, sizeof buffer, &got, nullptr) && got > 0) {
        bytes.append(buffer, got);
    }
    return bytes;
}

bool Driver::LaunchProcess(const std::wstring& exe, const std::wstring& args, bool captureOutput,
                           const std::filesystem::path& startIn, DWORD flags) {
    // Wine's loader (non-PIE at 0x7d000000) gets a randomised heap that now and
    // then covers the fixed address of the shared user data page; the new
    // process then ends before any of its code runs ("failed to map the shared
    // user data") and CreateProcessW fails with ERROR_INTERNAL_ERROR. Nothing
    // of the program has run, so that launch alone is made again.
    constexpr int kAttempts = 3;
    const std::wstring dir = startIn.empty() ? m_workDir.wstring() : startIn.wstring();
    for (int attempt = 1;; ++attempt) {
        std::wstring commandLine = L"\"" + exe + L"\"";
        if (!args.empty()) {
            commandLine += L" " + args;
        }
        STARTUPINFOW si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        HANDLE read = nullptr;
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        if (captureOutput && ::CreatePipe(&read, &si.hStdOutput, &inherit, 1 << 16)) {
            ::SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);
            si.dwFlags = STARTF_USESTDHANDLES;
        }
        m_output.Reset(read);
        const OwnedHandle write(si.hStdOutput); // the child's copy is its own
        if (::CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, captureOutput,
                             flags, nullptr, dir.c_str(), &si, &pi)) {
            ::CloseHandle(pi.hThread);
            m_process.Reset(pi.hProcess);
            m_pid = pi.dwProcessId;
            return true;
        }
        const DWORD error = ::GetLastError();
        if (error != ERROR_INTERNAL_ERROR || attempt == kAttempts) {
            ADD_FAILURE() << "cannot start " << exe << ", error " << error;
            ::SetLastError(error);
            return false;
        }
        std::printf("driver: Wine ended %ls before it ran (error %lu, attempt %d of %d); "
                    "starting it again\n",
                    exe.c_str(), error, attempt, kAttempts);
        std::fflush(stdout);
    }
}

std::string Driver::Output() const {
    std::string out;
    DWORD available = 0;
    while (m_output && ::PeekNamedPipe(m_output.Get(), nullptr, 0, nullptr, &available, nullptr) &&
           available > 0) {
        std::string chunk(available, '\0');
        DWORD n = 0;
        if (!::ReadFile(m_output.Get(), chunk.data(), available, &n, nullptr)) {
            break;
        }
        out.append(chunk, 0, n);
    }
    return out;
}

bool Driver::IsRunning() const {
    return m_process && ::WaitForSingleObject(m_process.Get(), 0) == WAIT_TIMEOUT;
}

std::optional<DWORD> Driver::WaitForExit(Millis timeout) const {
    if (!m_process) {
        return std::nullopt;
    }
    if (::WaitForSingleObject(m_process.Get(), static_cast<DWORD>(timeout.count())) !=
        WAIT_OBJECT_0) {
        return std::nullopt;
    }
    DWORD code = 0;
    ::GetExitCodeProcess(m_process.Get(), &code);
    return code;
}

bool Driver::WaitForIdle(Millis timeout) const {
    return m_process &&
           ::WaitForInputIdle(m_process.Get(), static_cast<DWORD>(timeout.count())) == 0;
}

void Driver::Terminate() {
    if (m_process) {
        ::TerminateProcess(m_process.Get(), 255);
        ::WaitForSingleObject(m_process.Get(), 5000);
    }
}

HWND Driver::FindWindow(const wchar_t* caption, const wchar_t* className,
                        bool includeHidden) const {
    FindContext ctx{m_pid, caption, className, includeHidden, nullptr};
    if (m_pid != 0) {
        ::EnumWindows(FindProc, reinterpret_cast<LPARAM>(&ctx));
    }
    return ctx.found;
}

HWND Driver::WaitForWindow(const wchar_t* caption, const wchar_t* className, Millis timeout,
                           bool includeHidden) const {
    HWND found = nullptr;
    WaitUntil(
        [&] {
            found = FindWindow(caption, className, includeHidden);
            return found != nullptr;
        },
        timeout);
    return found;
}

bool Driver::WaitForWindowGone(HWND hwnd, Millis timeout, bool orHidden) {
    return WaitUntil([&] { return !::IsWindow(hwnd) || (orHidden && !::IsWindowVisible(hwnd)); },
                     timeout);
}

bool Driver::WaitUntil(const std::function<bool()>& condition, Millis timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (condition()) {
            return true;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(10ms);
    }
}

std::vector<ControlInfo> Driver::Controls(HWND dialog) {
    std::vector<ControlInfo> controls;
    for (HWND child = ::GetWindow(dialog, GW_CHILD); child != nullptr;
         child = ::GetWindow(child, GW_HWNDNEXT)) {
        ControlInfo info;
        info.hwnd = child;
        info.id = static_cast<short>(::GetDlgCtrlID(child));
        info.className = ClassName(child);
        info.text = ReadText(child);
        info.visible = IsVisible(child);
        controls.push_back(std::move(info));
    }
    return controls;
}

HWND Driver::FocusOf(HWND window) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (::GetGUIThreadInfo(::GetWindowThreadProcessId(window, nullptr), &info)) {
        return info.hwndFocus;
    }
    return nullptr;
}

void Driver::Click(HWND button) {
    ::PostMessageW(button, BM_CLICK, 0, 0);
}

void Driver::ClickAt(HWND window, POINT client) {
    const LPARAM at = MAKELPARAM(client.x, client.y);
    ::PostMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, at);
    ::PostMessageW(window, WM_LBUTTONUP, 0, at);
}

void Driver::PressKey(HWND window, UINT vk) {
    HWND target = FocusOf(window);
    if (target == nullptr) {
        target = window;
    }
    ::PostMessageW(target, WM_KEYDOWN, vk, KeyParam(vk, false));
    ::PostMessageW(target, WM_KEYUP, vk, KeyParam(vk, true));
}

void Driver::TypeText(HWND window, std::wstring_view text) {
    for (wchar_t c : text) {
        ::PostMessageW(window, WM_CHAR, c, 1);
    }
}

void Driver::SetText(HWND window, std::wstring_view text) {
    const std::wstring copy(text);
    SendWithTimeout(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(copy.c_str()));
}

void Driver::PostCommand(HWND window, int id) {
    ::PostMessageW(window, WM_COMMAND, MAKEWPARAM(id, 0), 0);
}

void Driver::PostClose(HWND window) {
    ::PostMessageW(window, WM_CLOSE, 0, 0);
}

std::wstring Driver::ReadText(HWND window) {
    bool ok = false;
    const LRESULT length = SendWithTimeout(window, WM_GETTEXTLENGTH, 0, 0, &ok);
    if (ok) {
        std::wstring text(static_cast<size_t>(length) + 1, L'\0');
        const LRESULT copied = SendWithTimeout(window, WM_GETTEXT, text.size(),
                                               reinterpret_cast<LPARAM>(text.data()), &ok);
        if (ok) {
            text.resize(static_cast<size_t>(copied));
            return text;
        }
    }
    return WindowText(window);
}

std::wstring Driver::WindowText(HWND window) {
    wchar_t buffer[1024] = {};
    const int n = ::GetWindowTextW(window, buffer, static_cast<int>(std::size(buffer)));
    return std::wstring(buffer, static_cast<size_t>(n > 0 ? n : 0));
}

std::wstring Driver::ClassName(HWND window) {
    wchar_t buffer[256] = {};
    const int n = ::GetClassNameW(window, buffer, static_cast<int>(std::size(buffer)));
    return std::wstring(buffer, static_cast<size_t>(n > 0 ? n : 0));
}

std::vector<std::wstring> Driver::ListBoxLines(HWND listBox) {
    std::vector<std::wstring> lines;
    const LRESULT count = SendWithTimeout(listBox, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        const LRESULT length = SendWithTimeout(listBox, LB_GETTEXTLEN, i, 0);
        std::wstring line(static_cast<size_t>(length > 0 ? length : 0) + 1, L'\0');
        const LRESULT copied =
            SendWithTimeout(listBox, LB_GETTEXT, i, reinterpret_cast<LPARAM>(line.data()));
        line.resize(static_cast<size_t>(copied > 0 ? copied : 0));
        lines.push_back(std::move(line));
    }
    return lines;
}

int Driver::ListBoxSelection(HWND listBox) {
    bool ok = false;
    const LRESULT selection = SendWithTimeout(listBox, LB_GETCURSEL, 0, 0, &ok);
    return ok ? static_cast<int>(selection) : -1;
}

int Driver::CheckState(HWND button) {
    return static_cast<int>(SendWithTimeout(button, BM_GETCHECK, 0, 0));
}

RECT Driver::Rect(HWND window) {
    RECT r{};
    ::GetWindowRect(window, &r);
    return r;
}

RECT Driver::WorkArea() {
    RECT r{};
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &r, 0);
    return r;
}

DWORD Driver::Style(HWND window) {
    return static_cast<DWORD>(::GetWindowLongPtrW(window, GWL_STYLE));
}

DWORD Driver::ExStyle(HWND window) {
    return static_cast<DWORD>(::GetWindowLongPtrW(window, GWL_EXSTYLE));
}

namespace {

// Starts a Unix program by its command line; Wine cannot wait for it.
bool StartUnix(std::wstring commandLine) {
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &si, &pi)) {
        return false;
    }
    if (pi.hThread != nullptr) {
        ::CloseHandle(pi.hThread);
    }
    if (pi.hProcess != nullptr) {
        ::CloseHandle(pi.hProcess);
    }
    return true;
}

} // namespace

bool Driver::XdoTool(std::wstring_view xdotoolArgs) const {
    const std::wstring script = Environment(L"QB_E2E_POINTER_SCRIPT");
    const std::wstring root = Environment(L"QB_E2E_WORK_ROOT");
    if (script.empty() || root.empty()) {
        return false;
    }
    static int s_calls = 0;
    const std::wstring unixDone = root + L"/xdotool-" + std::to_wstring(++s_calls) + L".done";
    const std::wstring done = FromUnixPath(unixDone);
    ::DeleteFileW(done.c_str());
    if (!StartUnix(L"/bin/sh \"" + script + L"\" \"" + unixDone + L"\" " +
                   std::wstring(xdotoolArgs))) {
        return false;
    }
    if (!WaitUntil([&] { return ::GetFileAttributesW(done.c_str()) != INVALID_FILE_ATTRIBUTES; })) {
        return false;
    }
    std::ifstream in{std::filesystem::path(done)};
    int code = -1;
    in >> code;
    return code == 0;
}

bool Driver::Screenshot(std::wstring_view name, HWND window) const {
    const std::wstring shots = Environment(L"QB_E2E_SHOTS");
    const std::wstring script = Environment(L"QB_E2E_SHOT_SCRIPT");
    if (shots.empty() || script.empty()) {
        return false;
    }
    const std::wstring unixFile = shots + L"/" + m_label + L"-" + std::wstring(name) + L".png";
    const std::wstring file = FromUnixPath(unixFile);
    ::DeleteFileW(file.c_str());

    // Wine starts a Unix program when given its Unix path; it cannot be
    // waited for, so the script renames the finished picture into place and
    // we wait for that.
    std::wstring commandLine = L"/bin/sh \"" + script + L"\" \"" + unixFile + L"\"";
    if (window != nullptr) {
        const RECT r = Rect(window);
        std::wostringstream crop;
        crop << L" " << (r.right - r.left) << L"x" << (r.bottom - r.top) << L"+" << r.left << L"+"
             << r.top;
        commandLine += crop.str();
    }
    if (!StartUnix(commandLine)) {
        return false;
    }
    return WaitUntil([&] { return ::GetFileAttributesW(file.c_str()) != INVALID_FILE_ATTRIBUTES; },
                     15s);
}

} // namespace qb::e2e
