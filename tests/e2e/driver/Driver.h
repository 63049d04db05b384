#pragma once

#include <windows.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tests/e2e/driver/OwnedHandle.h"

namespace qb::e2e {

using namespace std::chrono_literals;
using Millis = std::chrono::milliseconds;

// One child window of a dialog, as a user would see it.
struct ControlInfo {
    HWND hwnd = nullptr;
    int id = 0; // -1 for the anonymous static texts of a template
    std::wstring className;
    std::wstring text;
    bool visible = false;
};

// Drives one program under test from another process in the same Wine prefix:
// starts it in a fresh working folder, finds its windows and works them the
// way a user would, with posted messages that pass the target's own message
// loop (and so its dialog manager), then reads the results back.
//
// Every wait polls with a time-out and returns an empty result when the
// time-out passes, so a broken program fails the test instead of hanging it.
class Driver {
public:
    static constexpr Millis kTimeout = 10s;

    // Creates the working folder: below QB_E2E_WORK_ROOT (set by the runner
    // script, kept when a test fails) or else below the prefix's temp folder.
    Driver();
    // Ends the program if it still runs.
    ~Driver();
    Driver(const Driver&) = delete;
    Driver& operator=(const Driver&) = delete;

    // Windows path of a program the test was given: the runner exports
    // QB_E2E_PROGRAM_<name> with its Unix path. Empty when unknown.
    static std::wstring ProgramPath(std::wstring_view name);
    // "Z:\..." for a Unix path: Wine's drive Z is the Unix root.
    static std::wstring FromUnixPath(std::wstring_view unixPath);

    // --- the working folder ---------------------------------------------
    const std::filesystem::path& WorkDir() const { return m_workDir; }
    void WriteWorkFile(std::wstring_view name, std::string_view bytes) const;
    std::optional<std::string> ReadWorkFile(std::wstring_view name) const;

    // --- the process ----------------------------------------------------
    // Starts `exe` with the command-line arguments `args` in WorkDir(); a
    // failure is reported to the running test, with Windows' error code.
    // With `captureOutput`, its standard output goes to a pipe read by Output.
    // `startIn`, when given, is its working folder instead; `flags` are
    // CreateProcessW's (CREATE_NEW_CONSOLE: a console of its own, so that it
    // finds none of the driver's to write to).
    bool LaunchProcess(const std::wstring& exe, const std::wstring& args = {},
                       bool captureOutput = false, const std::filesystem::path& startIn = {},
                       DWORD flags = 0);
    // What the program has written to its standard output so far.
    std::string Output() const;
    DWORD ProcessId() const { return m_pid; }
    bool IsRunning() const;
    // The exit code, or nullopt if the program is still running after `timeout`.
    std::optional<DWORD> WaitForExit(Millis timeout = kTimeout) const;
    // Waits until the program waits for input with nothing left to do
    // (painting done, for example).
    bool WaitForIdle(Millis timeout = kTimeout) const;
    void Terminate();

    // --- finding windows ------------------------------------------------
    // A top-level window of the program with exactly this caption and window
    // class (nullptr: any). Unless `includeHidden`, only visible ones.
    HWND FindWindow(const wchar_t* caption, const wchar_t* className,
                    bool includeHidden = false) const;
    HWND WaitForWindow(const wchar_t* caption, const wchar_t* className, Millis timeout = kTimeout,
                       bool includeHidden = false) const;
    // True once `hwnd` is destroyed (or hidden, if `orHidden`).
    static bool WaitForWindowGone(HWND hwnd, Millis timeout = kTimeout, bool orHidden = false);
    // Polls `condition` every 10 ms until it holds or `timeout` passes.
    static bool WaitUntil(const std::function<bool()>& condition, Millis timeout = kTimeout);

    static HWND Control(HWND dialog, int id) { return ::GetDlgItem(dialog, id); }
    // The direct children of `dialog` in their order (the template's order).
    static std::vector<ControlInfo> Controls(HWND dialog);
    // The window with the keyboard focus in the thread that owns `window`.
    static HWND FocusOf(HWND window);

    // --- acting as a user -----------------------------------------------
    // Clicks a button (posted BM_CLICK, so a click that opens a modal dialog
    // does not block the driver).
    static void Click(HWND button);
    // Left button down and up at a point in the client area of `window`.
    static void ClickAt(HWND window, POINT client);
    // Key down and up (WM_KEYDOWN/WM_KEYUP) sent to the focused window of the
    // thread that owns `window`, or to `window` itself when nothing there has
    // the focus. The target's message loop sees them, so a dialog manager
    // turns Esc into IDCANCEL and Enter into the default command.
    static void PressKey(HWND window, UINT vk);
    // One WM_CHAR per UTF-16 unit, to `window` (an edit control, say).
    static void TypeText(HWND window, std::wstring_view text);
    // Replaces the text (WM_SETTEXT).
    static void SetText(HWND window, std::wstring_view text);
    static void PostCommand(HWND window, int id);
    // Real X pointer input through xdotool, as a user's mouse gives it, for
    // windows that take no posted clicks (the shell's notification area).
    // `xdotoolArgs` are xdotool's own, in screen coordinates ("mousemove 10
    // 20 click --repeat 2 1"). True once xdotool has finished without error.
    bool XdoTool(std::wstring_view xdotoolArgs) const;
    static void PostClose(HWND window);

    // --- reading back ---------------------------------------------------
    // The text as the window itself reports it (WM_GETTEXT), which also
    // covers edit controls; WindowText is plain GetWindowTextW.
    static std::wstring ReadText(HWND window);
    static std::wstring WindowText(HWND window);
    static std::wstring ClassName(HWND window);
    static std::vector<std::wstring> ListBoxLines(HWND listBox);
    static int ListBoxSelection(HWND listBox); // -1 when none
    static int CheckState(HWND button);        // BST_UNCHECKED, BST_CHECKED, BST_INDETERMINATE
    static bool IsChecked(HWND button) { return CheckState(button) == BST_CHECKED; }
    static bool IsVisible(HWND window) { return ::IsWindowVisible(window) != FALSE; }
    static bool IsEnabled(HWND window) { return ::IsWindowEnabled(window) != FALSE; }
    static bool Exists(HWND window) { return ::IsWindow(window) != FALSE; }
    static HWND Owner(HWND window) { return ::GetWindow(window, GW_OWNER); }
    static RECT Rect(HWND window);
    static RECT WorkArea();
    static DWORD Style(HWND window);
    static DWORD ExStyle(HWND window);
    static HWND Foreground() { return ::GetForegroundWindow(); }

    // --- pictures -------------------------------------------------------
    // Writes a PNG of the screen (only `window`'s rectangle when given) to
    // <QB_E2E_SHOTS>/<test>-<name>.png, taken on the Linux side by the
    // runner's helper script. False when the runner gave no shot folder or
    // the picture did not appear in time.
    bool Screenshot(std::wstring_view name, HWND window = nullptr) const;

private:
    std::filesystem::path m_workDir;
    std::wstring m_label;
    OwnedHandle m_process;
    OwnedHandle m_output; // the pipe's end we read
    DWORD m_pid = 0;
};

} // namespace qb::e2e
