#pragma once

#include "tests/e2e/driver/Driver.h"

#include <map>
#include <optional>
#include <string>

namespace qb::e2e {

// One run of the test host (host/HostApp.h) under a Driver: starts it with
// the given arguments in a fresh working folder and reads its report back.
class HostSession {
public:
    // The dialog class every dialog template creates.
    static constexpr const wchar_t* kDialogClass = L"#32770";

    explicit HostSession(const std::wstring& args);

    Driver& driver() { return m_driver; }
    bool Started() const { return m_bStarted; }

    // The visible dialog with this caption (the warning has an empty one).
    HWND WaitForDialog(const wchar_t* caption) const;
    // The host's main window, shown or hidden.
    HWND MainWindow() const;
    // The exit code (the dialog's result), nullopt while it still runs.
    std::optional<DWORD> WaitForExit(Millis timeout = Driver::kTimeout) const;
    // result.txt as key/value pairs; empty until the dialog has returned.
    std::map<std::string, long> Result() const;

private:
    Driver m_driver;
    bool m_bStarted = false;
};

} // namespace qb::e2e
