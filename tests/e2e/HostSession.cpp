#include "tests/e2e/HostSession.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>

namespace qb::e2e {

HostSession::HostSession(const std::wstring& args) {
    const std::wstring host = Driver::ProgramPath(L"e2e_host");
    if (host.empty()) {
        ADD_FAILURE() << "QB_E2E_PROGRAM_e2e_host is not set: run through CTest";
        return;
    }
    m_bStarted = m_driver.LaunchProcess(host, args); // reports its own failure
}

HWND HostSession::WaitForDialog(const wchar_t* caption) const {
    return m_driver.WaitForWindow(caption, kDialogClass);
}

HWND HostSession::MainWindow() const {
    return m_driver.WaitForWindow(L"E2E Host", L"QbE2EHostMain", Driver::kTimeout, true);
}

std::optional<DWORD> HostSession::WaitForExit(Millis timeout) const {
    return m_driver.WaitForExit(timeout);
}

std::map<std::string, long> HostSession::Result() const {
    std::map<std::string, long> values;
    const std::optional<std::string> text = m_driver.ReadWorkFile(L"result.txt");
    if (!text) {
        return values;
    }
    std::istringstream lines(*text);
    std::string line;
    while (std::getline(lines, line)) {
        const size_t eq = line.find('=');
        if (eq != std::string::npos) {
            values[line.substr(0, eq)] = std::strtol(line.c_str() + eq + 1, nullptr, 10);
        }
    }
    return values;
}

} // namespace qb::e2e
