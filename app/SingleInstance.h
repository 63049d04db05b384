#pragma once

#include "framework/Handle.h"
#include "ui/InstanceMark.h"

#include <string>

// One running copy per executable name: a named mutex held for the life of
// the process, a property that marks the running copy's main window, and the
// message a second start sends that window to bring it forward. The message
// is registered once here and let through the window's message filter, so
// that a copy run as administrator still hears a second start run without;
// so is WM_COPYDATA, which carries the commands of a start.
class CSingleInstance final : public IInstanceMark {
public:
    enum class Start {
        First,  // this copy runs
        Second, // another copy holds the name
        Failed, // no mutex could be made: end quietly
    };

    explicit CSingleInstance(const std::wstring& name);
    // Whether a copy holds the name, without taking it. `open`: a seam for
    // tests, in the place of OpenMutexW.
    static bool IsHeld(const std::wstring& name,
                       HANDLE(WINAPI* open)(DWORD, BOOL, LPCWSTR) = ::OpenMutexW);
    CSingleInstance(const CSingleInstance&) = delete;
    CSingleInstance& operator=(const CSingleInstance&) = delete;

    Start GetStart() const { return m_start; }
    // A second start: the first copy's window comes forward.
    void BringFirstForward() const;
    // The running copy's main window; a copy that is still opening it is
    // waited for a while. Null when there is none.
    static HWND FindFirstWindow(const std::wstring& name);

    UINT ShowMessage() const override { return m_showMessage; }
    void Mark(HWND main) override;
    void Unmark(HWND main) override;

private:
    std::wstring m_name;
    unique_handle m_mutex;
    Start m_start = Start::Failed;
    UINT m_showMessage = 0;
};
