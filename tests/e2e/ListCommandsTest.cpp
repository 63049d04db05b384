// The list commands and the entry editor in the real program, worked as a
// user would: buttons, menu, up-down control, typing, Tab and Enter; checked
// on the screen and, after the exit command, byte for byte in the settings
// file.
#include "tests/e2e/SettingsLayout.h"
#include "tests/e2e/ShellTray.h"
#include "tests/e2e/driver/Driver.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace qb::e2e {
namespace {

constexpr const wchar_t* kMainCaption = L"Quillaberton";
constexpr const wchar_t* kEditorCaption = L"時刻設定";
constexpr const wchar_t* kDialogClass = L"#32770";
constexpr const wchar_t* kSettings = L"Quillaberton.dat";

// Main window.
constexpr int kClockId = 1004;
constexpr int kListId = 1005;
constexpr int kAddButton = 1006;
constexpr int kEditButton = 1007;
constexpr int kDeleteButton = 1008;
constexpr int kSpinId = 1038;
constexpr int kNextDueId = 1040;
constexpr int kRuleId = 1041;
constexpr int kExitCommand = 32772;
constexpr int kTrayCommand = 32773;
constexpr int kAddCommand = 32774;
constexpr int kEditCommand = 32775;
constexpr int kDeleteCommand = 32776;

// Editor.
constexpr int kNameId = 1018;
constexpr int kYearId = 1022;
constexpr int kMonthId = 1023;
constexpr int kDayId = 1024;
constexpr int kDateModeId = 1025;
constexpr int kWeekModeId = 1026;
constexpr int kHourId = 1027;
constexpr int kMinuteId = 1028;
constexpr int kSecondId = 1029;
constexpr int kStandbyId = 1032;
constexpr int kEndModeIds[] = {1030, 1031, 1032, 1034};
constexpr int kWeekdayIds[] = {1011, 1012, 1013, 1014, 1015, 1016, 1017}; // Sunday first
constexpr int kMessageTextId = 0xFFFF; // the text of a message box

// Warning.
constexpr int kEndModeTextId = 1034;
constexpr int kCountdownId = 1041;

Entry Named(std::string name) {
    Entry e;
    e.name = std::move(name);
    return e;
}

// Messages that change nothing visible need a moment before "unchanged"
// can be checked.
void Settle() {
    std::this_thread::sleep_for(400ms);
}

// The entry editor, open over the main window.
struct Editor {
    HWND dlg = nullptr;

    HWND Item(int id) const { return Driver::Control(dlg, id); }
    std::wstring Text(int id) const { return Driver::ReadText(Item(id)); }
    void SetText(int id, std::wstring_view text) const { Driver::SetText(Item(id), text); }
    bool Checked(int id) const { return Driver::IsChecked(Item(id)); }
    bool Enabled(int id) const { return Driver::IsEnabled(Item(id)); }

    // Clicks into an edit and waits for it to take the focus.
    bool Focus(int id) const {
        Driver::ClickAt(Item(id), POINT{2, 2});
        return Driver::WaitUntil([&] { return Driver::FocusOf(dlg) == Item(id); });
    }
    // Types into a field as a user would: click in, replace the text.
    bool Type(int id, std::wstring_view text) const {
        if (!Focus(id)) {
            return false;
        }
        SetText(id, text);
        return true;
    }
    // Tab out of the focused field; true once the focus has moved on.
    bool TabOut() const {
        const HWND from = Driver::FocusOf(dlg);
        Driver::PressKey(dlg, VK_TAB);
        return Driver::WaitUntil([&] { return Driver::FocusOf(dlg) != from; });
    }
    void ClickButton(int id) const { Driver::Click(Item(id)); }
    bool Gone() const { return Driver::WaitForWindowGone(dlg); }
};

// The message box the editor shows over itself: a dialog of the program with
// the editor's caption and a message text, but no name field.
struct FindBox {
    DWORD pid;
    HWND found = nullptr;
    static BOOL CALLBACK Proc(HWND hwnd, LPARAM lp) {
        auto* self = reinterpret_cast<FindBox*>(lp);
        DWORD pid = 0;
        ::GetWindowThreadProcessId(hwnd, &pid);
        if (pid == self->pid && ::IsWindowVisible(hwnd) &&
            Driver::ClassName(hwnd) == kDialogClass && Driver::WindowText(hwnd) == kEditorCaption &&
            ::GetDlgItem(hwnd, kNameId) == nullptr &&
            ::GetDlgItem(hwnd, kMessageTextId) != nullptr) {
            self->found = hwnd;
            return FALSE;
        }
        return TRUE;
    }
};

// One run of the program in a working folder of its own.
struct Program {
    explicit Program(std::optional<std::string> settings = std::nullopt) {
        if (settings) {
            driver.WriteWorkFile(kSettings, *settings);
        }
        const std::wstring exe = Driver::ProgramPath(L"Quillaberton");
        if (exe.empty()) {
            ADD_FAILURE() << "QB_E2E_PROGRAM_Quillaberton is not set: run through CTest";
            return;
        }
        if (driver.LaunchProcess(exe)) {
            main = driver.WaitForWindow(kMainCaption, kDialogClass);
        }
        // Running once the first clock tick has arrived.
        if (main != nullptr) {
            Driver::WaitUntil([&] { return !Driver::ReadText(Item(kClockId)).empty(); });
        }
    }

    HWND Item(int id) const { return Driver::Control(main, id); }
    HWND List() const { return Item(kListId); }
    std::vector<std::wstring> Lines() const { return Driver::ListBoxLines(List()); }
    int Selection() const { return Driver::ListBoxSelection(List()); }

    // Waits for the list box to show these lines with this selection.
    bool Shows(const std::vector<std::wstring>& lines, int selection) const {
        return Driver::WaitUntil([&] { return Lines() == lines && Selection() == selection; });
    }

    // Clicks line i of the list box.
    bool Select(int i) const {
        const auto height = static_cast<int>(::SendMessageW(List(), LB_GETITEMHEIGHT, 0, 0));
        EXPECT_GT(height, 0);
        Driver::ClickAt(List(), POINT{5, i * height + height / 2});
        return Driver::WaitUntil([&] { return Selection() == i; });
    }

    // Clicks the upper (up) or lower (down) half of the up-down control.
    void Spin(bool up) const {
        const RECT r = Driver::Rect(Item(kSpinId));
        const LONG w = r.right - r.left;
        const LONG h = r.bottom - r.top;
        Driver::ClickAt(Item(kSpinId), POINT{w / 2, up ? h / 4 : h * 3 / 4});
    }

    // The editor, after a button click or a menu command that opens it.
    Editor OpenEditor(int buttonOrCommand, bool isButton) const {
        if (isButton) {
            Driver::Click(Item(buttonOrCommand));
        } else {
            Driver::PostCommand(main, buttonOrCommand);
        }
        return WaitEditor();
    }
    Editor WaitEditor(Millis timeout = Driver::kTimeout) const {
        return Editor{driver.WaitForWindow(kEditorCaption, kDialogClass, timeout)};
    }

    HWND MessageBoxOver() const {
        HWND found = nullptr;
        Driver::WaitUntil([&] {
            FindBox find{driver.ProcessId()};
            ::EnumWindows(&FindBox::Proc, reinterpret_cast<LPARAM>(&find));
            found = find.found;
            return found != nullptr;
        });
        return found;
    }

    // Every change is saved as it is made.
    bool FileBecomes(const std::string& bytes) const {
        return Driver::WaitUntil([&] { return driver.ReadWorkFile(kSettings) == bytes; });
    }

    // The exit command, then the file it wrote.
    std::optional<std::string> ExitAndRead() {
        Driver::PostCommand(main, kExitCommand);
        if (!driver.WaitForExit().has_value()) {
            ADD_FAILURE() << "the exit command did not end the program";
            return std::nullopt;
        }
        return driver.ReadWorkFile(kSettings);
    }

    Driver driver;
    HWND main = nullptr;
};

// Add (button and menu), OK and Cancel, Edit (button and menu): the list on
// the screen after each step and the file after the exit command.
TEST(ListCommands, AddAndEditWithOkAndCancel) {
    Program p;
    ASSERT_NE(p.main, nullptr);
    ASSERT_TRUE(p.Shows({}, -1));

    // Edit and Delete on an empty list: no editor, nothing changes.
    Driver::Click(p.Item(kEditButton));
    EXPECT_EQ(p.WaitEditor(1s).dlg, nullptr);
    Driver::Click(p.Item(kDeleteButton));
    p.Spin(false);
    Settle();
    EXPECT_TRUE(p.Shows({}, -1));

    // Add then OK on an empty list: a default entry, appended and selected.
    Editor add = p.OpenEditor(kAddButton, true);
    ASSERT_NE(add.dlg, nullptr);
    EXPECT_EQ(Driver::Owner(add.dlg), p.main);
    EXPECT_FALSE(Driver::IsEnabled(p.main));
    EXPECT_EQ(add.Text(kNameId), L"時刻設定");
    EXPECT_EQ(add.Text(kYearId), L"*");
    EXPECT_EQ(add.Text(kMonthId), L"*");
    EXPECT_EQ(add.Text(kDayId), L"*");
    EXPECT_EQ(add.Text(kHourId), L"0");
    EXPECT_TRUE(add.Checked(kDateModeId));
    EXPECT_TRUE(add.Checked(kEndModeIds[0]));
    EXPECT_TRUE(Driver::WaitUntil([&] { return Driver::FocusOf(add.dlg) == add.Item(kNameId); }));
    add.ClickButton(IDOK);
    ASSERT_TRUE(add.Gone());
    EXPECT_TRUE(p.Shows({L"時刻設定"}, 0));
    EXPECT_TRUE(Driver::IsEnabled(p.main));
    EXPECT_TRUE(p.FileBecomes(Layout({Entry{}}))); // saved at once

    // Add from the menu with a selection: appended, the selection kept.
    add = p.OpenEditor(kAddCommand, false);
    ASSERT_NE(add.dlg, nullptr);
    ASSERT_TRUE(add.Type(kNameId, L"二番"));
    add.ClickButton(IDOK);
    ASSERT_TRUE(add.Gone());
    EXPECT_TRUE(p.Shows({L"時刻設定", L"二番"}, 0));

    // Add, then Cancel (button) and Esc after changes: nothing appended.
    add = p.OpenEditor(kAddButton, true);
    ASSERT_NE(add.dlg, nullptr);
    add.SetText(kNameId, L"no");
    add.ClickButton(IDCANCEL);
    ASSERT_TRUE(add.Gone());
    add = p.OpenEditor(kAddCommand, false);
    ASSERT_NE(add.dlg, nullptr);
    add.SetText(kNameId, L"no");
    Driver::PressKey(add.dlg, VK_ESCAPE);
    ASSERT_TRUE(add.Gone());
    Settle();
    EXPECT_TRUE(p.Shows({L"時刻設定", L"二番"}, 0));

    // Edit line 1 in place: name, weekday mode with Monday and Friday,
    // 7:08:09, reboot.
    ASSERT_TRUE(p.Select(1));
    Editor edit = p.OpenEditor(kEditButton, true);
    ASSERT_NE(edit.dlg, nullptr);
    EXPECT_EQ(edit.Text(kNameId), L"二番");
    ASSERT_TRUE(edit.Type(kNameId, L"平日"));
    edit.ClickButton(kWeekModeId);
    ASSERT_TRUE(Driver::WaitUntil([&] { return edit.Enabled(kWeekdayIds[1]); }));
    edit.ClickButton(kWeekdayIds[1]);
    edit.ClickButton(kWeekdayIds[5]);
    ASSERT_TRUE(edit.Type(kHourId, L"7"));
    ASSERT_TRUE(edit.Type(kMinuteId, L"08"));
    ASSERT_TRUE(edit.Type(kSecondId, L"9"));
    edit.ClickButton(kEndModeIds[1]);
    ASSERT_TRUE(Driver::WaitUntil([&] { return edit.Checked(kWeekdayIds[5]); }));
    edit.ClickButton(IDOK);
    ASSERT_TRUE(edit.Gone());
    EXPECT_TRUE(p.Shows({L"時刻設定", L"平日"}, 1));
    Entry weekdays = Named("\x95\xbd\x93\xfa"); // 平日
    weekdays.time_mode = 1;
    weekdays.week = 2 | 32;
    weekdays.hour = 7;
    weekdays.minute = 8;
    weekdays.second = 9;
    weekdays.sd_mode = 1;
    EXPECT_TRUE(p.FileBecomes(Layout({Entry{}, weekdays})));

    // Edit from the menu, change everything, Cancel: the entry stays.
    edit = p.OpenEditor(kEditCommand, false);
    ASSERT_NE(edit.dlg, nullptr);
    EXPECT_EQ(edit.Text(kNameId), L"平日");
    EXPECT_EQ(edit.Text(kMinuteId), L"8"); // "08" was rewritten on leaving the field
    EXPECT_TRUE(edit.Checked(kWeekModeId));
    edit.SetText(kNameId, L"changed");
    edit.ClickButton(kDateModeId);
    edit.ClickButton(IDCANCEL);
    ASSERT_TRUE(edit.Gone());
    Settle();
    EXPECT_TRUE(p.Shows({L"時刻設定", L"平日"}, 1));

    EXPECT_EQ(p.ExitAndRead(), std::optional<std::string>(Layout({Entry{}, weekdays})));
}

// Moving with the up-down control, then deleting: contents and selection.
TEST(ListCommands, MoveAndDelete) {
    std::vector<Entry> seed;
    for (int i = 0; i < 4; ++i) {
        Entry e = Named(std::string(1, static_cast<char>('A' + i)));
        e.hour = i + 1;
        e.minute = 10 * i;
        e.time_mode = i % 2;
        e.week = 1 << i;
        e.sd_mode = i;
        seed.push_back(e);
    }
    Program p(Layout(seed));
    ASSERT_NE(p.main, nullptr);
    ASSERT_TRUE(p.Shows({L"A", L"B", L"C", L"D"}, 0));

    p.Spin(false); // first entry down
    EXPECT_TRUE(p.Shows({L"B", L"A", L"C", L"D"}, 1));
    EXPECT_TRUE(p.FileBecomes(Layout({seed[1], seed[0], seed[2], seed[3]})));
    p.Spin(true); // and back up
    EXPECT_TRUE(p.Shows({L"A", L"B", L"C", L"D"}, 0));
    p.Spin(true); // the first cannot go up
    Settle();
    EXPECT_TRUE(p.Shows({L"A", L"B", L"C", L"D"}, 0));
    ASSERT_TRUE(p.Select(3));
    p.Spin(false); // the last cannot go down
    Settle();
    EXPECT_TRUE(p.Shows({L"A", L"B", L"C", L"D"}, 3));
    p.Spin(true); // the last up: D and C trade contents
    EXPECT_TRUE(p.Shows({L"A", L"B", L"D", L"C"}, 2));

    // The whole entry moved, not only its name: the editor shows D's fields.
    Editor edit = p.OpenEditor(kEditButton, true);
    ASSERT_NE(edit.dlg, nullptr);
    EXPECT_EQ(edit.Text(kNameId), L"D");
    EXPECT_EQ(edit.Text(kHourId), L"4");
    EXPECT_EQ(edit.Text(kMinuteId), L"30");
    EXPECT_TRUE(edit.Checked(kWeekModeId));
    EXPECT_TRUE(edit.Checked(kWeekdayIds[3]));
    EXPECT_TRUE(edit.Checked(kEndModeIds[3]));
    edit.ClickButton(IDCANCEL);
    ASSERT_TRUE(edit.Gone());

    // Delete the last line: the new last line is selected.
    ASSERT_TRUE(p.Select(3));
    Driver::Click(p.Item(kDeleteButton));
    EXPECT_TRUE(p.Shows({L"A", L"B", L"D"}, 2));
    // Delete a middle line: the same index, now the following entry. The
    // rule line follows the selection and the command.
    const auto ruleIs = [&](const wchar_t* rule) {
        return Driver::WaitUntil([&] { return Driver::ReadText(p.Item(kRuleId)) == rule; });
    };
    ASSERT_TRUE(p.Select(1));
    EXPECT_TRUE(ruleIs(L"毎週 月 2:10:00 再起動"));
    Driver::PostCommand(p.main, kDeleteCommand);
    EXPECT_TRUE(p.Shows({L"A", L"D"}, 1));
    EXPECT_TRUE(ruleIs(L"毎週 水 4:30:00 ログオフ"));
    EXPECT_TRUE(p.FileBecomes(Layout({seed[0], seed[3]})));

    // The file gets the moved entry under its new position.
    EXPECT_EQ(p.ExitAndRead(), std::optional<std::string>(Layout({seed[0], seed[3]})));
    // The record has each change with its entry's name.
    const std::string record = p.driver.ReadWorkFile(L"Quillaberton.log").value_or("");
    std::string changes;
    for (std::size_t at = 0; (at = record.find(" 一覧を変更 ", at)) != std::string::npos; ++at) {
        changes += record.substr(at + 17, record.find('\r', at) - at - 17) + ";";
    }
    EXPECT_EQ(changes, "移動 「A」;移動 「A」;移動 「D」;削除 「C」;削除 「B」;");
}

TEST(ListCommands, DeleteTheOnlyLineLeavesNoSelection) {
    Program p(Layout({Named("only")}));
    ASSERT_NE(p.main, nullptr);
    ASSERT_TRUE(p.Shows({L"only"}, 0));
    p.Spin(true);
    p.Spin(false);
    Settle();
    EXPECT_TRUE(p.Shows({L"only"}, 0));
    Driver::Click(p.Item(kDeleteButton));
    EXPECT_TRUE(p.Shows({}, -1));
    // Moving and deleting on the empty list do nothing.
    p.Spin(false);
    Driver::PostCommand(p.main, kDeleteCommand);
    Settle();
    EXPECT_TRUE(p.Shows({}, -1));
    EXPECT_EQ(p.ExitAndRead(), std::optional<std::string>(Layout({})));
}

// The editor's field limits, weekday and unknown modes, and the names it
// refuses, each stored through the exit command.
TEST(ListCommands, EditorLimitsModesAndRefusedNames) {
    Entry weekday = Named("week");
    weekday.time_mode = 1;
    weekday.year = 2030;
    weekday.month = 5;
    weekday.day = 6;
    weekday.week = 62;
    weekday.hour = 18;
    weekday.sd_mode = 3;
    Entry unknown = Named("unknown");
    unknown.time_mode = 2;
    unknown.sd_mode = 7;
    unknown.year = 2024;
    Program p(Layout({weekday, unknown}));
    ASSERT_NE(p.main, nullptr);
    ASSERT_TRUE(p.Shows({L"week", L"unknown"}, 0));

    // A weekday entry: its date stays shown in the disabled date edits.
    Editor e = p.OpenEditor(kEditButton, true);
    ASSERT_NE(e.dlg, nullptr);
    EXPECT_TRUE(e.Checked(kWeekModeId));
    EXPECT_EQ(e.Text(kYearId), L"2030");
    EXPECT_EQ(e.Text(kMonthId), L"5");
    EXPECT_EQ(e.Text(kDayId), L"6");
    for (int id : {kYearId, kMonthId, kDayId}) {
        EXPECT_FALSE(e.Enabled(id)) << id;
    }
    for (int i = 0; i < 7; ++i) {
        EXPECT_TRUE(e.Enabled(kWeekdayIds[i])) << i;
        EXPECT_EQ(e.Checked(kWeekdayIds[i]), i >= 1 && i <= 5) << i;
    }
    e.ClickButton(IDOK); // stored as it was
    ASSERT_TRUE(e.Gone());

    // An unknown time mode: no mode selected, every field enabled; OK
    // without choosing stores -1 for both groups.
    ASSERT_TRUE(p.Select(1));
    e = p.OpenEditor(kEditCommand, false);
    ASSERT_NE(e.dlg, nullptr);
    EXPECT_FALSE(e.Checked(kDateModeId));
    EXPECT_FALSE(e.Checked(kWeekModeId));
    for (int id : kEndModeIds) {
        EXPECT_FALSE(e.Checked(id)) << id;
    }
    for (int id : {kYearId, kMonthId, kDayId}) {
        EXPECT_TRUE(e.Enabled(id)) << id;
    }
    for (int id : kWeekdayIds) {
        EXPECT_TRUE(e.Enabled(id)) << id;
    }
    e.ClickButton(IDOK);
    ASSERT_TRUE(e.Gone());
    unknown.time_mode = -1;
    unknown.sd_mode = -1;

    // Limits on leaving a field with Tab; "*" stays in the date fields and
    // becomes 0 in the time fields.
    e = p.OpenEditor(kAddButton, true);
    ASSERT_NE(e.dlg, nullptr);
    ASSERT_TRUE(e.Type(kNameId, L"limits"));
    struct Step {
        int id;
        const wchar_t* typed;
        const wchar_t* after;
    };
    for (const Step s :
         {Step{kHourId, L"30", L"23"}, Step{kYearId, L"1999", L"2000"}, Step{kMonthId, L"*", L"*"},
          Step{kDayId, L"32", L"31"}, Step{kMinuteId, L"*", L"0"}, Step{kSecondId, L"-4", L"0"}}) {
        ASSERT_TRUE(e.Type(s.id, s.typed));
        ASSERT_TRUE(e.TabOut());
        EXPECT_TRUE(Driver::WaitUntil([&] { return e.Text(s.id) == s.after; }))
            << s.id << " shows " << e.Text(s.id).size() << " chars";
    }
    e.ClickButton(IDOK);
    ASSERT_TRUE(e.Gone());
    Entry limits = Named("limits");
    limits.year = 2000;
    limits.day = 31;
    limits.hour = 23;

    // Enter inside a field: OK with the field still focused, no limit.
    e = p.OpenEditor(kAddButton, true);
    ASSERT_NE(e.dlg, nullptr);
    ASSERT_TRUE(e.Type(kNameId, L"enter"));
    ASSERT_TRUE(e.Type(kHourId, L"30"));
    Driver::PressKey(e.dlg, VK_RETURN);
    ASSERT_TRUE(e.Gone());
    Entry enter = Named("enter");
    enter.hour = 30;

    // A name the settings file cannot carry back: refused with a message,
    // the editor stays open with the name focused.
    e = p.OpenEditor(kAddButton, true);
    ASSERT_NE(e.dlg, nullptr);
    ASSERT_TRUE(e.Type(kNameId, L"[x]"));
    e.ClickButton(IDOK);
    const HWND box = p.MessageBoxOver();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(Driver::Owner(box), e.dlg);
    const std::wstring message = Driver::ReadText(::GetDlgItem(box, kMessageTextId));
    EXPECT_NE(message.find(L"設定名に '[' と ']' を1つずつ含めることはできません"),
              std::wstring::npos);
    Driver::Click(::GetDlgItem(box, IDOK));
    ASSERT_TRUE(Driver::WaitForWindowGone(box));
    EXPECT_TRUE(Driver::Exists(e.dlg));
    EXPECT_TRUE(Driver::WaitUntil([&] { return Driver::FocusOf(e.dlg) == e.Item(kNameId); }));
    // A character Shift-JIS lacks is refused too.
    e.SetText(kNameId, L"caf\u00e9");
    e.ClickButton(IDOK);
    const HWND box2 = p.MessageBoxOver();
    ASSERT_NE(box2, nullptr);
    EXPECT_NE(Driver::ReadText(::GetDlgItem(box2, kMessageTextId)).find(L"Shift-JIS"),
              std::wstring::npos);
    Driver::PressKey(box2, VK_RETURN);
    ASSERT_TRUE(Driver::WaitForWindowGone(box2));
    // Corrected, the name is taken.
    e.SetText(kNameId, L"[x");
    e.ClickButton(IDOK);
    ASSERT_TRUE(e.Gone());
    EXPECT_TRUE(p.Shows({L"week", L"unknown", L"limits", L"enter", L"[x"}, 1));

    EXPECT_EQ(p.ExitAndRead(),
              std::optional<std::string>(Layout({weekday, unknown, limits, enter, Named("[x")})));
}

// The editor over the main window, for the guide. Run a second time inside
// Wine's shell desktop (so that windows get their frames), with the program
// started from there; this run waits for that one's verdict.
TEST(ListCommands, EditorScreenshot) {
    wchar_t self[MAX_PATH] = {};
    ASSERT_GT(::GetModuleFileNameW(nullptr, self, MAX_PATH), 0u);
    Driver here; // for its working folder
    const std::filesystem::path verdictFile = here.WorkDir() / L"editor-picture.txt";
    ::SetEnvironmentVariableW(L"QB_EDITOR_PICTURE_VERDICT", verdictFile.c_str());
    // Caption buttons are drawn with Marlett (Debian's fonts-wine), which a
    // fresh prefix lacks; the processes started below pick it up.
    wchar_t windows[MAX_PATH] = {};
    ::GetWindowsDirectoryW(windows, MAX_PATH);
    ::CopyFileW(Driver::FromUnixPath(L"/usr/share/wine/fonts/marlett.ttf").c_str(),
                (std::wstring(windows) + L"\\Fonts\\marlett.ttf").c_str(), TRUE);
    std::wstring command = L"explorer.exe /desktop=shell,800x600 \"" + std::wstring(self) +
                           L"\" --gtest_filter=ListCommands.DISABLED_EditorPicture"
                           L" --gtest_also_run_disabled_tests";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    ASSERT_TRUE(::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                 nullptr, &si, &pi));
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
    std::optional<std::string> result;
    Driver::WaitUntil(
        [&] {
            result = here.ReadWorkFile(L"editor-picture.txt");
            return result.has_value();
        },
        60s);
    EXPECT_EQ(result, std::optional<std::string>("ok"));
}

TEST(ListCommands, DISABLED_EditorPicture) {
    Entry e = Named("\x95\xbd\x93\xfa\x82\xcc\x8f\x49\x97\xb9"); // 平日の終了
    e.time_mode = 1;
    e.week = 62;
    e.hour = 18;
    e.minute = 30;
    e.sd_mode = 0;
    {
        Program p(Layout({e}));
        ASSERT_NE(p.main, nullptr);
        Editor edit = p.OpenEditor(kEditButton, true);
        ASSERT_NE(edit.dlg, nullptr);
        std::this_thread::sleep_for(500ms); // painted
        EXPECT_TRUE(p.driver.Screenshot(L"editor", edit.dlg));
        edit.ClickButton(IDCANCEL);
        EXPECT_TRUE(edit.Gone());
    }
    wchar_t verdict[MAX_PATH] = {};
    if (::GetEnvironmentVariableW(L"QB_EDITOR_PICTURE_VERDICT", verdict, MAX_PATH) > 0) {
        if (FILE* f = ::_wfopen(verdict, L"wb")) {
            const char* text = HasFailure() ? "failed" : "ok";
            std::fwrite(text, 1, std::strlen(text), f);
            std::fclose(f);
        }
    }
}

// Cancels every warning shown (one per tick of the entry's second); the
// number shown.
int CancelWarnings(const Program& p, Millis firstWait, std::wstring* modeText) {
    int shown = 0;
    for (;;) {
        const HWND warning =
            p.driver.WaitForWindow(L"", kDialogClass, shown == 0 ? firstWait : 1500ms);
        if (warning == nullptr) {
            return shown;
        }
        if (shown++ == 0 && modeText != nullptr) {
            *modeText = Driver::WindowText(Driver::Control(warning, kEndModeTextId));
        }
        Driver::Click(Driver::Control(warning, IDCANCEL));
        if (!Driver::WaitForWindowGone(warning) || shown > 5) {
            ADD_FAILURE() << "the warning did not go away";
            return shown;
        }
    }
}

// Sets the editor's time to a moment `seconds` ahead and standby as the end
// mode (a no-op under Wine, should a warning ever time out); the entry it
// makes.
Entry DueIn(const Editor& e, int seconds, const char* name, SYSTEMTIME* due = nullptr) {
    const SYSTEMTIME t = LocalNowPlus(seconds);
    if (due != nullptr) {
        *due = t;
    }
    Entry entry = Named(name);
    entry.hour = t.wHour;
    entry.minute = t.wMinute;
    entry.second = t.wSecond;
    entry.sd_mode = 2;
    e.SetText(kNameId, std::wstring(name, name + std::char_traits<char>::length(name)));
    e.SetText(kHourId, std::to_wstring(t.wHour));
    e.SetText(kMinuteId, std::to_wstring(t.wMinute));
    e.SetText(kSecondId, std::to_wstring(t.wSecond));
    e.ClickButton(kStandbyId);
    return entry;
}

// An entry added through the editor falls due and is announced; while the
// editor is open nothing falls due, and a missed second is not made up.
TEST(ListCommands, AddedEntryFallsDueButNotWhileTheEditorIsOpen) {
    Program p;
    ASSERT_NE(p.main, nullptr);

    Editor e = p.OpenEditor(kAddButton, true);
    ASSERT_NE(e.dlg, nullptr);
    const Entry missed = DueIn(e, 4, "missed");
    ASSERT_TRUE(Driver::WaitUntil([&] { return e.Checked(kStandbyId); }));
    e.ClickButton(IDOK);
    ASSERT_TRUE(e.Gone());

    // At once the editor again: its second passes while the editor is open.
    e = p.OpenEditor(kAddCommand, false);
    ASSERT_NE(e.dlg, nullptr);
    std::this_thread::sleep_for(6s);
    EXPECT_EQ(p.driver.FindWindow(L"", kDialogClass), nullptr) << "warned over the editor";
    const Entry due = DueIn(e, 4, "due");
    ASSERT_TRUE(Driver::WaitUntil([&] { return e.Checked(kStandbyId); }));
    e.ClickButton(IDOK);
    ASSERT_TRUE(e.Gone());
    EXPECT_TRUE(p.Shows({L"missed", L"due"}, 0));

    std::wstring mode;
    EXPECT_GE(CancelWarnings(p, 10s, &mode), 1);
    EXPECT_EQ(mode, L"スタンバイ");
    EXPECT_TRUE(p.driver.IsRunning());

    // Checking goes on after a Cancel in the editor too.
    e = p.OpenEditor(kAddButton, true);
    ASSERT_NE(e.dlg, nullptr);
    const Entry late = DueIn(e, 5, "late");
    ASSERT_TRUE(Driver::WaitUntil([&] { return e.Checked(kStandbyId); }));
    e.ClickButton(IDOK);
    ASSERT_TRUE(e.Gone());
    e = p.OpenEditor(kAddButton, true);
    ASSERT_NE(e.dlg, nullptr);
    e.ClickButton(IDCANCEL);
    ASSERT_TRUE(e.Gone());
    EXPECT_GE(CancelWarnings(p, 10s, nullptr), 1) << "no warning after the editor's Cancel";

    // And after an Edit with OK.
    ASSERT_TRUE(p.Select(0));
    e = p.OpenEditor(kEditButton, true);
    ASSERT_NE(e.dlg, nullptr);
    const Entry edited = DueIn(e, 5, "edited");
    ASSERT_TRUE(Driver::WaitUntil([&] { return e.Checked(kStandbyId); }));
    e.ClickButton(IDOK);
    ASSERT_TRUE(e.Gone());
    EXPECT_TRUE(p.Shows({L"edited", L"due", L"late"}, 0));
    EXPECT_GE(CancelWarnings(p, 10s, nullptr), 1) << "no warning after an Edit";

    // And after a Delete: an entry added just before falls due after it.
    e = p.OpenEditor(kAddButton, true);
    ASSERT_NE(e.dlg, nullptr);
    const Entry last = DueIn(e, 6, "last");
    ASSERT_TRUE(Driver::WaitUntil([&] { return e.Checked(kStandbyId); }));
    e.ClickButton(IDOK);
    ASSERT_TRUE(e.Gone());
    ASSERT_TRUE(p.Select(1));
    Driver::Click(p.Item(kDeleteButton));
    EXPECT_TRUE(p.Shows({L"edited", L"late", L"last"}, 1));
    EXPECT_GE(CancelWarnings(p, 10s, nullptr), 1) << "no warning after a Delete";

    EXPECT_EQ(p.ExitAndRead(), std::optional<std::string>(Layout({edited, late, last})));
}

// Milliseconds from the start of local second `t` to now.
long long MillisSince(SYSTEMTIME t) {
    t.wMilliseconds = 0;
    SYSTEMTIME now;
    ::GetLocalTime(&now);
    FILETIME a;
    FILETIME b;
    ::SystemTimeToFileTime(&t, &a);
    ::SystemTimeToFileTime(&now, &b);
    const auto ticks = [](const FILETIME& f) {
        return static_cast<long long>(ULARGE_INTEGER{{f.dwLowDateTime, f.dwHighDateTime}}.QuadPart);
    };
    return (ticks(b) - ticks(a)) / 10'000;
}

// N of the warning's "あと N 秒", or -1.
int CountdownOf(HWND warning) {
    int n = -1;
    std::swscanf(Driver::ReadText(Driver::Control(warning, kCountdownId)).c_str(), L"あと %d 秒",
                 &n);
    return n;
}

constexpr int kMenuRowHeight = 16; // measured in the shell desktop's menus

// The tray menu's open menus (the menu, then its open submenus): screen rects.
std::vector<RECT> OpenMenus() {
    std::vector<RECT> rects;
    ::EnumWindows(
        [](HWND w, LPARAM lp) -> BOOL {
            if (Driver::IsVisible(w) && Driver::ClassName(w) == L"#32768") {
                reinterpret_cast<std::vector<RECT>*>(lp)->push_back(Driver::Rect(w));
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&rects));
    return rects;
}

// Right-clicks the tray icon, then clicks one row in the menu and in each
// submenu that opens. Rows are counted from the top; a separator is half a
// row. Menus take no keys here: the hidden window cannot take the focus.
// `first` (when given) gets the menu's own rect.
bool PickFromTrayMenu(const Program& p, std::vector<double> rows, const wchar_t* shot = nullptr,
                      RECT* first = nullptr) {
    constexpr int kTop = 9; // the first row's middle, below the menu's top
    const std::wstring at = TrayIconPoint();
    if (at.empty() || !p.driver.XdoTool(L"mousemove " + at + L" click 3")) {
        return false;
    }
    std::vector<RECT> before;
    for (const double& row : rows) {
        std::vector<RECT> menus;
        if (!Driver::WaitUntil([&] { return (menus = OpenMenus()).size() == before.size() + 1; })) {
            return false;
        }
        // The menu that just opened.
        RECT menu = menus.front();
        for (const RECT& r : menus) {
            bool old = false;
            for (const RECT& o : before) {
                old = old || std::memcmp(&o, &r, sizeof r) == 0;
            }
            menu = old ? menu : r;
        }
        before = menus;
        if (first != nullptr && &row == &rows.front()) {
            *first = menu;
        }
        if (shot != nullptr && &row == &rows.back()) {
            p.driver.Screenshot(shot);
        }
        const int y = menu.top + kTop + static_cast<int>(row * kMenuRowHeight);
        if (!p.driver.XdoTool(L"mousemove " + std::to_wstring(menu.left + 20) + L" " +
                              std::to_wstring(y) + L" click 1")) {
            return false;
        }
    }
    return Driver::WaitUntil([] { return OpenMenus().empty(); });
}

// What falls due next, in Wine's shell desktop: the line under the clock
// (なし for an empty list, then the time, mode and name of an added entry),
// the tray tip read from the shell, the warning's countdown from 15, and the
// line moving on to the next day once the entry's second has passed.
TEST(NextDue, LineTrayTipAndCountdown) {
    Program p;
    ASSERT_NE(p.main, nullptr);
    EXPECT_EQ(Driver::ReadText(p.Item(kNextDueId)), L"なし");

    Editor e = p.OpenEditor(kAddButton, true);
    ASSERT_NE(e.dlg, nullptr);
    SYSTEMTIME due{};
    const Entry soon = DueIn(e, 10, "soon", &due);
    ASSERT_TRUE(Driver::WaitUntil([&] { return e.Checked(kStandbyId); }));
    e.ClickButton(IDOK);
    ASSERT_TRUE(e.Gone());
    const std::wstring when = ClockTextOf(due);
    std::wstring line;
    EXPECT_TRUE(Driver::WaitUntil([&] {
        return (line = Driver::ReadText(p.Item(kNextDueId))) == when + L" スタンバイ「soon」";
    })) << line;
    p.driver.Screenshot(L"next-due", p.main);

    Driver::PostCommand(p.main, kTrayCommand);
    ASSERT_TRUE(Driver::WaitUntil([&] { return !Driver::IsVisible(p.main); }));
    EXPECT_EQ(HoverTrayIcon(p.driver), L"Quillaberton\n" + when + L" スタンバイ");
    p.driver.Screenshot(L"tray-tip");

    // The countdown reads 15 for its whole first second, and that second
    // starts within the entry's own second: every reading taken before the
    // entry's second has passed is 15.
    HWND warning = p.driver.WaitForWindow(L"", kDialogClass, 15s);
    ASSERT_NE(warning, nullptr);
    int first = 15;
    for (;;) {
        const int n = CountdownOf(warning);
        if (MillisSince(due) >= 1000) {
            break;
        }
        first = n;
        EXPECT_EQ(n, 15);
        std::this_thread::sleep_for(20ms);
    }
    std::this_thread::sleep_for(3s);
    const int later = CountdownOf(warning);
    EXPECT_GE(later, 0);
    EXPECT_LT(later, first);
    p.driver.Screenshot(L"countdown", warning);
    // While the warning is open, the tray menu offers 表示 alone, and it
    // brings the window back under the warning.
    RECT menu{};
    ASSERT_TRUE(PickFromTrayMenu(p, {0}, nullptr, &menu));
    EXPECT_LT(menu.bottom - menu.top, 2 * kMenuRowHeight);
    EXPECT_TRUE(Driver::WaitUntil([&] { return Driver::IsVisible(p.main); }));
    Driver::Click(Driver::Control(warning, IDCANCEL));
    ASSERT_TRUE(Driver::WaitForWindowGone(warning));
    CancelWarnings(p, 1s, nullptr); // again within the entry's second
    Driver::PostCommand(p.main, kTrayCommand);
    ASSERT_TRUE(Driver::WaitUntil([&] { return !Driver::IsVisible(p.main); }));

    // Its second passed: the same time tomorrow.
    LONGLONG day = 24LL * 3600 * 10'000'000;
    FILETIME ft;
    ::SystemTimeToFileTime(&due, &ft);
    ULARGE_INTEGER u{{ft.dwLowDateTime, ft.dwHighDateTime}};
    u.QuadPart += static_cast<ULONGLONG>(day);
    ft = FILETIME{u.LowPart, u.HighPart};
    SYSTEMTIME tomorrow;
    ::FileTimeToSystemTime(&ft, &tomorrow);
    EXPECT_TRUE(Driver::WaitUntil([&] {
        return (line = Driver::ReadText(p.Item(kNextDueId))) ==
               ClockTextOf(tomorrow) + L" スタンバイ「soon」";
    })) << line;
    // The tip follows while the icon is in the tray.
    EXPECT_EQ(HoverTrayIcon(p.driver), L"Quillaberton\n" + ClockTextOf(tomorrow) + L" スタンバイ");
    EXPECT_EQ(p.ExitAndRead(), std::optional<std::string>(Layout({soon})));
}

// A quick timer from the tray menu marks the line, タイマーを取り消す takes it
// back, and 次回の実行をスキップ moves the line on by one occurrence.
TEST(NextDue, TrayMenuTimerCancelAndSkip) {
    Entry daily = Named("tv");
    daily.hour = (LocalNowPlus(0).wHour + 3) % 24;
    Program p(Layout({daily}));
    ASSERT_NE(p.main, nullptr);
    EXPECT_EQ(Driver::ReadText(p.Item(kRuleId)),
              L"毎日 " + std::to_wstring(daily.hour) + L":00:00 シャットダウン");
    const std::wstring entryLine = Driver::ReadText(p.Item(kNextDueId));
    Driver::PostCommand(p.main, kTrayCommand);
    ASSERT_TRUE(Driver::WaitUntil([&] { return !Driver::IsVisible(p.main); }));

    const ULONGLONG started = ::GetTickCount64();
    ASSERT_TRUE(PickFromTrayMenu(p, {1, 1, 0}, L"tray-menu"));
    const std::wstring marked = L" シャットダウン（タイマー）";
    std::wstring line;
    ASSERT_TRUE(Driver::WaitUntil([&] {
        return (line = Driver::ReadText(p.Item(kNextDueId))).ends_with(marked);
    })) << line;
    // 30 minutes after the click, to the second.
    const int span = static_cast<int>((::GetTickCount64() - started) / 1000) + 1;
    bool thirtyMinutes = false;
    for (int k = -span; k <= 0; ++k) {
        thirtyMinutes = thirtyMinutes || line == ClockTextOf(LocalNowPlus(1800 + k)) + marked;
    }
    EXPECT_TRUE(thirtyMinutes) << line;
    EXPECT_EQ(HoverTrayIcon(p.driver), L"Quillaberton\n" + line);
    p.driver.Screenshot(L"timer-tip");

    ASSERT_TRUE(PickFromTrayMenu(p, {4.5}));
    EXPECT_TRUE(Driver::WaitUntil(
        [&] { return (line = Driver::ReadText(p.Item(kNextDueId))) == entryLine; }));

    ASSERT_TRUE(PickFromTrayMenu(p, {3.5}));
    EXPECT_TRUE(Driver::WaitUntil([&] {
        line = Driver::ReadText(p.Item(kNextDueId));
        return line != entryLine &&
               line.substr(line.find(L' ')) == entryLine.substr(entryLine.find(L' '));
    })) << line;
    EXPECT_EQ(p.ExitAndRead(), std::optional<std::string>(Layout({daily})));
}

} // namespace
} // namespace qb::e2e
