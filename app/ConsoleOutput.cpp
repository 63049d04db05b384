#include "app/ConsoleOutput.h"

#include <algorithm>
#include <string>

CConsoleOutput::CConsoleOutput()
    : CConsoleOutput(ConsoleCalls{::AttachConsole, ::GetConsoleOutputCP, ::FreeConsole}) {}

CConsoleOutput::CConsoleOutput(const ConsoleCalls& calls) : m_detach(calls.detach) {
    // Read before attaching: the handle a redirection gave is what counts.
    const HANDLE out = ::GetStdHandle(STD_OUTPUT_HANDLE);
    const DWORD type =
        out != nullptr && out != INVALID_HANDLE_VALUE ? ::GetFileType(out) : FILE_TYPE_UNKNOWN;
    DWORD mode = 0;
    const bool redirected = type == FILE_TYPE_DISK || type == FILE_TYPE_PIPE ||
                            (type == FILE_TYPE_CHAR && !::GetConsoleMode(out, &mode)); // NUL
    m_attached = calls.attach(ATTACH_PARENT_PROCESS) != FALSE;
    if (m_attached && calls.outputCodePage() != 0) {
        m_codePage = calls.outputCodePage();
    }
    if (redirected) {
        m_redirected = out;
    } else if (m_attached) {
        m_console.reset(::CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                      nullptr));
    }
}

CConsoleOutput::~CConsoleOutput() {
    m_console.reset();
    if (m_attached) {
        m_detach();
    }
}

bool CConsoleOutput::Write(std::wstring_view text) const {
    if (text.empty()) {
        return m_redirected != nullptr || m_console;
    }
    const int length = static_cast<int>(text.size());
    if (m_redirected != nullptr) {
        const int size =
            ::WideCharToMultiByte(m_codePage, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
        std::string bytes(static_cast<std::size_t>(std::max(size, 0)), '\0');
        ::WideCharToMultiByte(m_codePage, 0, text.data(), length, bytes.data(), size, nullptr,
                              nullptr);
        DWORD written = 0;
        return size > 0 &&
               ::WriteFile(m_redirected, bytes.data(), static_cast<DWORD>(size), &written,
                           nullptr) != FALSE &&
               written == static_cast<DWORD>(size);
    }
    DWORD written = 0;
    return m_console && ::WriteConsoleW(m_console.get(), text.data(), static_cast<DWORD>(length),
                                        &written, nullptr) != FALSE;
}
