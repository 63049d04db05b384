// The real program, Quillaberton.exe, started in a fresh working folder and
// worked from outside: settings file, list, clock, tray, single instance and
// the due warning.
#include "tests/e2e/SettingsLayout.h"
#include "tests/e2e/ShellTray.h"
#include "tests/e2e/driver/Driver.h"

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <cwchar>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace qb::e2e {
namespace {

constexpr const wchar_t* kCaption = L"Quillaberton";
constexpr const wchar_t* kDialogClass = L"#32770";
constexpr const wchar_t* kSettings = L"Quillaberton.dat";
constexpr int kClockId = 1004;
constexpr int kListId = 1005;
constexpr int kEndModeId = 1034;
constexpr int kNextDueId = 1040;
constexpr int kPostponeId = 1042;
constexpr int kHistoryListId = 1051;
constexpr UINT kTrayMessage = WM_USER + 1;
constexpr int kExitCommand = 32772;
constexpr int kTrayCommand = 32773;
constexpr int kDetailButton = 1009;
constexpr int kDetailCommand = 32778;
constexpr int kStartInTrayBox = 1036;
constexpr int kStartupBox = 1055;
constexpr int kHistoryBox = 1050;

// CP932 bytes of the Japanese names used below.
const std::string kLogoffName = "\x83\x8d\x83\x4f\x83\x49\x83\x74"; // ログオフ

std::wstring ProgramExe() {
    return Driver::ProgramPath(L"Quillaberton");
}

// Is the program's tray icon there? NIM_MODIFY that changes nothing
// succeeds only for an icon that exists.
bool TrayIconPresent(HWND main) {
    NOTIFYICONDATAW nid{};
    nid.cbSize = NOTIFYICONDATAW_V1_SIZE;
    nid.hWnd = main;
    nid.uID = 0;
    return ::Shell_NotifyIconW(NIM_MODIFY, &nid) != FALSE;
}

// An event of the icon as the shell sends it under version 4: the event and
// the icon's id 0 in lParam, the icon's point in wParam.
void PostTrayEvent(HWND main, UINT event) {
    ::PostMessageW(main, kTrayMessage, MAKEWPARAM(1000, 750), MAKELPARAM(event, 0));
}

void PostTrayDoubleClick(HWND main) {
    PostTrayEvent(main, WM_LBUTTONDBLCLK);
}

// A date-mode entry due at one exact local second.
Entry DueAt(const SYSTEMTIME& t, int mode, std::string name) {
    Entry e;
    e.name = std::move(name);
    e.year = t.wYear;
    e.month = t.wMonth;
    e.day = t.wDay;
    e.hour = t.wHour;
    e.minute = t.wMinute;
    e.second = t.wSecond;
    e.sd_mode = mode;
    return e;
}

// Wine on an X display without a window manager waits 2 s for a managed
// window to be withdrawn whenever one is hidden, which would hold up the
// program after every cancelled warning. Windows has no such delay; in this
// test's own prefix, let Wine leave window management alone.
void UnmanagedWindows() {
    ASSERT_EQ(::RegSetKeyValueW(HKEY_CURRENT_USER, L"Software\\Wine\\X11 Driver", L"Managed",
                                REG_SZ, L"N", 2 * sizeof(wchar_t)),
              ERROR_SUCCESS);
}

// Another program holding the settings file open without sharing: the
// program can then neither replace nor write it.
OwnedHandle HoldWithoutSharing(const Driver& driver) {
    HANDLE h = ::CreateFileW((driver.WorkDir() / kSettings).c_str(), GENERIC_READ, 0, nullptr,
                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    return OwnedHandle(h == INVALID_HANDLE_VALUE ? nullptr : h);
}

// The visible message box the program shows over `owner`, or nullptr.
HWND MessageBoxOver(HWND owner) {
    struct Search {
        HWND owner;
        HWND found = nullptr;
    } search{owner};
    ::EnumWindows(
        [](HWND w, LPARAM lp) -> BOOL {
            auto* s = reinterpret_cast<Search*>(lp);
            if (Driver::Owner(w) == s->owner && Driver::IsVisible(w) &&
                Driver::ClassName(w) == kDialogClass) {
                s->found = w;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Ticks or clears 起動時、タスクトレイに格納する (or another box) in the detail
// settings, opened by `open` (button 1009 or menu 32778), and confirms with OK.
void SetStartInTray(const Driver& driver, HWND main, void (*open)(HWND), bool on,
                    int boxId = kStartInTrayBox) {
    open(main);
    HWND dlg = driver.WaitForWindow(L"詳細設定", kDialogClass);
    ASSERT_NE(dlg, nullptr);
    HWND box = Driver::Control(dlg, boxId);
    if (Driver::IsChecked(box) != on) {
        Driver::Click(box);
        ASSERT_TRUE(Driver::WaitUntil([&] { return Driver::IsChecked(box) == on; }));
    }
    Driver::Click(Driver::Control(dlg, IDOK));
    ASSERT_TRUE(Driver::WaitForWindowGone(dlg));
}

// The running program's main window, once its clock shows.
HWND StartedMain(const Driver& driver) {
    HWND main = driver.WaitForWindow(kCaption, kDialogClass, Driver::kTimeout, true);
    if (main != nullptr && !Driver::WaitUntil([&] {
            return !Driver::ReadText(Driver::Control(main, kClockId)).empty();
        })) {
        return nullptr;
    }
    return main;
}

// One run of the program in a working folder of its own.
struct Program {
    explicit Program(std::optional<std::string> settings = std::nullopt,
                     const std::wstring& exe = ProgramExe(), const std::wstring& args = {}) {
        if (settings) {
            driver.WriteWorkFile(kSettings, *settings);
        }
        started = driver.LaunchProcess(exe, args);
        if (started) {
            main = driver.WaitForWindow(kCaption, kDialogClass, Driver::kTimeout, true);
        }
        // Running once the first clock tick has arrived: the window has
        // opened and its modal loop turns.
        if (main != nullptr) {
            Driver::WaitUntil([&] { return !Driver::ReadText(Clock()).empty(); });
        }
    }
    HWND List() const { return Driver::Control(main, kListId); }
    HWND Clock() const { return Driver::Control(main, kClockId); }
    bool Visible() const { return Driver::IsVisible(main); }
    std::optional<std::string> File() const { return driver.ReadWorkFile(kSettings); }

    Driver driver;
    bool started = false;
    HWND main = nullptr;
};

TEST(MainWindow, StartsWithoutSettingsAsAnEmptyShownWindowAndLeavesAnEmptyFile) {
    Program p;
    ASSERT_NE(p.main, nullptr);
    EXPECT_TRUE(p.Visible());
    EXPECT_EQ(p.File(), std::optional<std::string>(""));
    EXPECT_TRUE(Driver::ListBoxLines(p.List()).empty());
    EXPECT_EQ(Driver::ListBoxSelection(p.List()), -1);
    EXPECT_FALSE(TrayIconPresent(p.main));
    p.driver.Screenshot(L"empty", p.main);
}

TEST(MainWindow, ShowsTheNamesInOrderWithTheFirstSelectedAndRewritesTheFileWithCrLf) {
    Entry a;
    a.name = kDefaultEntryName;
    a.month = 12;
    a.day = 31;
    a.hour = 23;
    a.minute = 30;
    Entry b;
    b.name = kLogoffName;
    b.time_mode = 1;
    b.week = 62;
    b.hour = 18;
    b.sd_mode = 3;
    Entry c;
    c.name = " two  spaces ";
    // Line ends of LF alone are read and written back as CR LF at once.
    Program p(Layout({a, b, c}, 0, "\n"));
    ASSERT_NE(p.main, nullptr);
    EXPECT_TRUE(p.Visible());
    EXPECT_EQ(Driver::ListBoxLines(p.List()),
              (std::vector<std::wstring>{L"時刻設定", L"ログオフ", L" two  spaces "}));
    EXPECT_EQ(Driver::ListBoxSelection(p.List()), 0);
    EXPECT_EQ(p.File(), std::optional<std::string>(Layout({a, b, c}, 0)));
    p.driver.Screenshot(L"entries", p.main);
}

TEST(MainWindow, ExitCommandWritesExactlyTheLayoutAndEndsTheProgram) {
    Entry a;
    a.name = kLogoffName;
    a.time_mode = 1;
    a.week = 127;
    a.hour = 7;
    a.minute = 5;
    a.second = 9;
    a.sd_mode = 2;
    // Another order, a foreign key, a section beyond the count, a count with
    // trailing text: all gone after the save.
    const std::string seed = "[ITEM00]\r\nsd_mode=2\r\nname=" + kLogoffName +
                             "\r\nweek=127\r\ntime_mode=1\r\nhour=7\r\nminute=5\r\nsecond=9\r\n"
                             "color=red\r\nday=0\r\nmonth=0\r\nyear=0\r\n[COM]\r\ntasktray=0\r\n"
                             "size=1abc\r\n[ITEM01]\r\nname=left over\r\n";
    Program p(seed);
    ASSERT_NE(p.main, nullptr);
    EXPECT_EQ(p.File(), std::optional<std::string>(seed)); // rewritten as read

    // Another program holds the file: the save fails, and the user is asked
    // whether to end without saving, "no" first. No keeps everything.
    OwnedHandle held = HoldWithoutSharing(p.driver);
    ASSERT_TRUE(held);
    Driver::PostCommand(p.main, kExitCommand);
    HWND box = nullptr;
    ASSERT_TRUE(Driver::WaitUntil([&] { return (box = MessageBoxOver(p.main)) != nullptr; }));
    EXPECT_EQ(Driver::WindowText(box), kCaption);
    const std::wstring text = Driver::ReadText(Driver::Control(box, 0xFFFF));
    EXPECT_EQ(text.rfind(L"設定を保存できませんでした。", 0), 0u) << text;
    EXPECT_NE(text.find((p.driver.WorkDir() / kSettings).wstring()), std::wstring::npos) << text;
    EXPECT_NE(text.find(L"保存せずに終了しますか？"), std::wstring::npos);
    EXPECT_EQ(Driver::FocusOf(box), Driver::Control(box, IDNO));
    EXPECT_FALSE(Driver::IsEnabled(p.main));
    p.driver.Screenshot(L"save-failed");
    Driver::Click(Driver::Control(box, IDNO));
    ASSERT_TRUE(Driver::WaitForWindowGone(box));
    EXPECT_FALSE(p.driver.WaitForExit(1s).has_value());
    EXPECT_TRUE(p.Visible());
    EXPECT_TRUE(Driver::IsEnabled(p.main));
    EXPECT_EQ(Driver::ListBoxLines(p.List()), std::vector<std::wstring>{L"ログオフ"});
    held.Reset();
    EXPECT_EQ(p.File(), std::optional<std::string>(seed));

    // Released, the file takes the save.
    Driver::PostCommand(p.main, kExitCommand);
    ASSERT_TRUE(p.driver.WaitForExit().has_value());
    EXPECT_EQ(p.File(), std::optional<std::string>(Layout({a}, 0)));
}

TEST(MainWindow, ExitCommandOnAnEmptyListWritesTheThreeHeaderLines) {
    Program p;
    ASSERT_NE(p.main, nullptr);
    Driver::PostCommand(p.main, kExitCommand);
    ASSERT_TRUE(p.driver.WaitForExit().has_value());
    EXPECT_EQ(p.File(), std::optional<std::string>("[COM]\r\nsize=0\r\ntasktray=0\r\n"));
}

TEST(MainWindow, ExitWithoutSavingWhenTheSaveFailsLeavesTheFileAlone) {
    const std::string seed = Layout({}, 1);
    Program p(seed);
    ASSERT_NE(p.main, nullptr);
    PostTrayDoubleClick(p.main);
    ASSERT_TRUE(Driver::WaitUntil([&] { return p.Visible(); }));
    OwnedHandle held = HoldWithoutSharing(p.driver);
    ASSERT_TRUE(held);
    Driver::PostCommand(p.main, kExitCommand);
    HWND box = nullptr;
    ASSERT_TRUE(Driver::WaitUntil([&] { return (box = MessageBoxOver(p.main)) != nullptr; }));
    Driver::Click(Driver::Control(box, IDYES));
    EXPECT_TRUE(p.driver.WaitForExit().has_value());
    held.Reset();
    EXPECT_EQ(p.File(), std::optional<std::string>(seed));
}

// The text of the message box over the program's window, once it is there.
std::wstring WaitBoxText(HWND main, HWND& box) {
    box = nullptr;
    Driver::WaitUntil([&] { return (box = MessageBoxOver(main)) != nullptr; });
    return box != nullptr ? Driver::ReadText(Driver::Control(box, 0xFFFF)) : L"";
}

// A file another program holds for the whole run: told at start, the list
// left empty, and the file never written, whatever the exit command is told.
TEST(SettingsFile, FileHeldForTheWholeRunIsToldAndNeverWrittenOver) {
    Entry kept;
    kept.name = "kept";
    const std::string seed = Layout({kept}, 0);
    for (const int answer : {IDNO, IDYES}) {
        Driver driver;
        driver.WriteWorkFile(kSettings, seed);
        OwnedHandle held = HoldWithoutSharing(driver);
        ASSERT_TRUE(held);
        ASSERT_TRUE(driver.LaunchProcess(ProgramExe()));
        HWND main = StartedMain(driver);
        ASSERT_NE(main, nullptr);
        HWND box = nullptr;
        std::wstring text = WaitBoxText(main, box);
        EXPECT_EQ(text.rfind(L"設定ファイルを読み込めませんでした。", 0), 0u) << text;
        EXPECT_NE(text.find((driver.WorkDir() / kSettings).wstring()), std::wstring::npos) << text;
        EXPECT_NE(text.find(L"このファイルは上書きしません。"), std::wstring::npos) << text;
        if (answer == IDNO) {
            driver.Screenshot(L"held-at-start");
        }
        Driver::Click(Driver::Control(box, IDOK));
        ASSERT_TRUE(Driver::WaitForWindowGone(box));
        EXPECT_TRUE(Driver::ListBoxLines(Driver::Control(main, kListId)).empty());

        // The exit command asks before writing over it, "no" first.
        Driver::PostCommand(main, kExitCommand);
        text = WaitBoxText(main, box);
        EXPECT_NE(text.find(L"上書きしますか？"), std::wstring::npos) << text;
        EXPECT_EQ(Driver::FocusOf(box), Driver::Control(box, IDNO));
        Driver::Click(Driver::Control(box, answer));
        ASSERT_TRUE(Driver::WaitForWindowGone(box));
        if (answer == IDYES) { // still held: the save fails; end without it
            text = WaitBoxText(main, box);
            EXPECT_NE(text.find(L"ファイルは保存前のまま残っています。"), std::wstring::npos)
                << text;
            Driver::Click(Driver::Control(box, IDYES));
        }
        EXPECT_TRUE(driver.WaitForExit().has_value());
        held.Reset();
        EXPECT_EQ(driver.ReadWorkFile(kSettings), std::optional<std::string>(seed));
    }
}

// A shell link through COM, as the shell reads and writes it.
struct ShellLink {
    ShellLink() {
        ::CoInitialize(nullptr);
        ::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                           reinterpret_cast<void**>(&shell));
        shell->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file));
    }
    ~ShellLink() {
        file->Release();
        shell->Release();
        ::CoUninitialize();
    }
    std::wstring Path() const {
        wchar_t text[MAX_PATH] = {};
        shell->GetPath(text, MAX_PATH, nullptr, SLGP_RAWPATH);
        return text;
    }
    IShellLinkW* shell = nullptr;
    IPersistFile* file = nullptr;
};

// 「Windows の起動時に開始する」 makes Quillaberton.lnk in the Startup folder,
// pointing at the program with the settings folder as its working folder,
// and shows ticked for it; cleared, it removes the link. A link of that name
// to another program is refused and left as it is.
TEST(MainWindow, StartupBoxMakesTheLinkWithTheSettingsFolderAndRemovesIt) {
    wchar_t* raw = nullptr;
    ASSERT_EQ(::SHGetKnownFolderPath(FOLDERID_Startup, 0, nullptr, &raw), S_OK);
    const std::filesystem::path link = std::filesystem::path(raw) / L"Quillaberton.lnk";
    ::CoTaskMemFree(raw);
    Program p;
    ASSERT_NE(p.main, nullptr);
    const auto open = [](HWND w) { Driver::PostCommand(w, kDetailCommand); };
    SetStartInTray(p.driver, p.main, open, true, kStartupBox);
    {
        ShellLink made;
        ASSERT_EQ(made.file->Load(link.c_str(), STGM_READ), S_OK);
        wchar_t folder[MAX_PATH] = {};
        made.shell->GetWorkingDirectory(folder, MAX_PATH);
        EXPECT_TRUE(std::filesystem::equivalent(made.Path(), ProgramExe())) << made.Path();
        EXPECT_TRUE(std::filesystem::equivalent(folder, p.driver.WorkDir())) << folder;
    }
    SetStartInTray(p.driver, p.main, open, false, kStartupBox); // clicked only when shown ticked
    EXPECT_FALSE(std::filesystem::exists(link));

    ShellLink other;
    other.shell->SetPath(L"C:\\windows\\notepad.exe");
    ASSERT_EQ(other.file->Save(link.c_str(), TRUE), S_OK);
    open(p.main);
    HWND dlg = p.driver.WaitForWindow(L"詳細設定", kDialogClass);
    ASSERT_NE(dlg, nullptr);
    EXPECT_FALSE(Driver::IsChecked(Driver::Control(dlg, kStartupBox)));
    Driver::Click(Driver::Control(dlg, kStartupBox));
    Driver::Click(Driver::Control(dlg, IDOK));
    HWND box = nullptr;
    EXPECT_NE(WaitBoxText(dlg, box).find(L"ほかのプログラム"), std::wstring::npos);
    Driver::Click(Driver::Control(box, IDOK));
    ASSERT_TRUE(Driver::WaitForWindowGone(dlg));
    ShellLink kept;
    ASSERT_EQ(kept.file->Load(link.c_str(), STGM_READ), S_OK);
    EXPECT_EQ(kept.Path(), L"C:\\windows\\notepad.exe");

    // A Startup folder that cannot be read: the box greyed out, and why.
    std::filesystem::path away = link.parent_path();
    std::filesystem::rename(link.parent_path(), away += L".away");
    open(p.main);
    ASSERT_NE(dlg = p.driver.WaitForWindow(L"詳細設定", kDialogClass), nullptr);
    EXPECT_FALSE(Driver::IsEnabled(Driver::Control(dlg, kStartupBox)));
    EXPECT_EQ(Driver::ReadText(Driver::Control(dlg, kStartupBox + 1)).rfind(L"スタートアップ", 0),
              0u);
    Driver::Click(Driver::Control(dlg, IDCANCEL));
}

// Every change is saved when it is made. One that cannot be is told once;
// the session's end saves it.
TEST(SettingsFile, ChangesAreSavedWhenMadeAndAtTheSessionEnd) {
    Program p(Layout({}, 0));
    ASSERT_NE(p.main, nullptr);
    SetStartInTray(
        p.driver, p.main, [](HWND w) { Driver::PostCommand(w, kDetailCommand); }, true);
    EXPECT_TRUE(Driver::WaitUntil([&] { return p.File() == Layout({}, 1); }));

    OwnedHandle held = HoldWithoutSharing(p.driver);
    ASSERT_TRUE(held);
    SetStartInTray(
        p.driver, p.main, [](HWND w) { Driver::PostCommand(w, kDetailCommand); }, false);
    HWND box = nullptr;
    const std::wstring text = WaitBoxText(p.main, box);
    EXPECT_EQ(text.rfind(L"設定を保存できませんでした。", 0), 0u) << text;
    Driver::Click(Driver::Control(box, IDOK));
    ASSERT_TRUE(Driver::WaitForWindowGone(box));
    SetStartInTray(
        p.driver, p.main, [](HWND w) { Driver::PostCommand(w, kDetailCommand); }, true);
    SetStartInTray(
        p.driver, p.main, [](HWND w) { Driver::PostCommand(w, kDetailCommand); }, false);
    std::this_thread::sleep_for(500ms);
    EXPECT_EQ(MessageBoxOver(p.main), nullptr); // told once only
    held.Reset();
    EXPECT_EQ(p.File(), Layout({}, 1));
    // Each failed save is recorded. 履歴を記録する cleared: history=0, and
    // nothing more is recorded.
    const std::string record = p.driver.ReadWorkFile(L"Quillaberton.log").value_or("");
    std::size_t failed = 0;
    for (std::size_t at = 0; (at = record.find(" 保存に失敗 ", at)) != std::string::npos; ++at) {
        ++failed;
    }
    EXPECT_EQ(failed, 3u) << record;
    SetStartInTray(
        p.driver, p.main, [](HWND w) { Driver::PostCommand(w, kDetailCommand); }, false,
        kHistoryBox);
    const std::string off = Layout({}, 0) + "history=0\r\n";
    EXPECT_TRUE(Driver::WaitUntil([&] { return p.File() == off; })) << *p.File();

    DWORD_PTR agreed = 0;
    ASSERT_TRUE(::SendMessageTimeoutW(p.main, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF,
                                      SMTO_ABORTIFHUNG, 5000, &agreed));
    EXPECT_EQ(agreed, TRUE);
    ASSERT_TRUE(::SendMessageTimeoutW(p.main, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF,
                                      SMTO_ABORTIFHUNG, 5000, nullptr));
    EXPECT_EQ(p.File(), off);
    EXPECT_EQ(p.driver.ReadWorkFile(L"Quillaberton.log"), record);
}

// Run by scripts/kill-save.sh, not by the suite: the program is killed at
// random moments of the exit save of a large list (QB_KILL_RUNS times,
// QB_KILL_ENTRIES entries). Each time the file must be the whole old one or
// the whole new one, never cut.
TEST(KillSave, FileIsWholeAfterAKillDuringTheExitSave) {
    auto number = [](const char* name, int fallback) {
        const char* v = std::getenv(name);
        return v != nullptr ? std::atoi(v) : fallback;
    };
    const int runs = number("QB_KILL_RUNS", 20);
    std::vector<Entry> entries(static_cast<std::size_t>(number("QB_KILL_ENTRIES", 20000)));
    for (std::size_t i = 0; i < entries.size(); ++i) {
        entries[i].name = "entry " + std::to_string(i);
        entries[i].hour = static_cast<int>(i % 24);
    }
    const std::string saved = Layout(entries, 0);
    // The rewrite at start keeps the extra section; the exit save drops it.
    const std::string seed = saved + "[EXTRA]\r\nkept=until the exit\r\n";
    std::mt19937 random(std::random_device{}());
    long long saveMs = 0; // how long an exit takes, from a first run not killed
    int old = 0, fresh = 0, recovered = 0;
    for (int run = 0; run <= runs; ++run) {
        Driver driver;
        driver.WriteWorkFile(kSettings, seed);
        ASSERT_TRUE(driver.LaunchProcess(ProgramExe()));
        HWND main = StartedMain(driver);
        ASSERT_NE(main, nullptr);
        ASSERT_TRUE(Driver::WaitUntil([&] { return driver.ReadWorkFile(kSettings) == seed; }));
        const auto start = std::chrono::steady_clock::now();
        Driver::PostCommand(main, kExitCommand);
        if (run == 0) {
            ASSERT_TRUE(driver.WaitForExit(60s).has_value());
            saveMs = std::chrono::duration_cast<std::chrono::milliseconds>(
                         std::chrono::steady_clock::now() - start)
                         .count();
            ASSERT_EQ(driver.ReadWorkFile(kSettings), saved);
            continue;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(
            std::uniform_int_distribution<long long>(0, saveMs + saveMs / 5)(random)));
        driver.Terminate();
        ASSERT_TRUE(driver.WaitForExit(10s).has_value());
        std::optional<std::string> file = driver.ReadWorkFile(kSettings);
        if (!file && driver.ReadWorkFile(L"Quillaberton.dat.tmp") == saved) {
            // Killed inside the replace, with the old file already gone: the
            // next start takes the complete temporary file.
            ++recovered;
            ASSERT_TRUE(driver.LaunchProcess(ProgramExe()));
            ASSERT_NE(StartedMain(driver), nullptr);
            file = driver.ReadWorkFile(kSettings);
            driver.Terminate();
            driver.WaitForExit(10s);
        }
        ASSERT_TRUE(file == seed || file == saved)
            << "run " << run << ": " << (file ? file->size() : 0) << " bytes";
        (file == seed ? old : fresh) += 1;
    }
    std::printf("kill-save: %d runs, exit save %lld ms, %d left the old file, %d the new "
                "(%d of them recovered from the temporary file at the next start), 0 cut\n",
                runs, saveMs, old, fresh, recovered);
}

TEST(MainWindow, EscCloseAltF4AndTheTrayMenuHideTheWindowAndEnterDoesNothing) {
    Program p(Layout({}, 0));
    ASSERT_NE(p.main, nullptr);
    ASSERT_TRUE(p.Visible());

    Driver::PressKey(p.main, VK_RETURN);
    std::this_thread::sleep_for(500ms);
    EXPECT_TRUE(p.driver.IsRunning());
    EXPECT_TRUE(p.Visible());
    EXPECT_FALSE(TrayIconPresent(p.main));

    struct Way {
        const char* name;
        void (*act)(HWND);
    };
    const Way ways[] = {
        {"Esc", [](HWND w) { Driver::PressKey(w, VK_ESCAPE); }},
        {"close", [](HWND w) { Driver::PostClose(w); }},
        {"Alt+F4 / system Close", [](HWND w) { ::PostMessageW(w, WM_SYSCOMMAND, SC_CLOSE, 0); }},
        {"menu 32773", [](HWND w) { Driver::PostCommand(w, kTrayCommand); }},
    };
    for (const Way& way : ways) {
        SCOPED_TRACE(way.name);
        ASSERT_TRUE(Driver::WaitUntil([&] { return p.Visible(); }));
        way.act(p.main);
        EXPECT_TRUE(Driver::WaitUntil([&] { return !p.Visible(); }));
        EXPECT_TRUE(Driver::WaitUntil([&] { return TrayIconPresent(p.main); }));
        EXPECT_TRUE(p.driver.IsRunning());
        // Back with a double-click on the icon, which goes away.
        PostTrayDoubleClick(p.main);
        EXPECT_TRUE(Driver::WaitUntil([&] { return p.Visible(); }));
        EXPECT_FALSE(TrayIconPresent(p.main));
    }
    // Going to the tray twice leaves one icon, which one double-click removes.
    Driver::PostCommand(p.main, kTrayCommand);
    Driver::PostCommand(p.main, kTrayCommand);
    EXPECT_TRUE(Driver::WaitUntil([&] { return !p.Visible() && TrayIconPresent(p.main); }));
    PostTrayDoubleClick(p.main);
    EXPECT_TRUE(Driver::WaitUntil([&] { return p.Visible(); }));
    EXPECT_FALSE(TrayIconPresent(p.main));
    EXPECT_EQ(p.File(), std::optional<std::string>(Layout({}, 0))); // nothing saved
}

TEST(MainWindow, StartInTrayNeverShowsTheWindowUntilTheIconIsDoubleClicked) {
    Entry a;
    a.name = "a";
    Driver driver;
    driver.WriteWorkFile(kSettings, Layout({a}, 1));
    ASSERT_TRUE(driver.LaunchProcess(ProgramExe()));
    // Watch as closely as we can from the start until the window has run
    // for a while: it must never be visible.
    HWND main = nullptr;
    int visibleSightings = 0;
    const auto until = std::chrono::steady_clock::now() + 6s;
    while (std::chrono::steady_clock::now() < until) {
        if (main == nullptr) {
            main = driver.FindWindow(kCaption, kDialogClass, true);
        }
        if (main != nullptr && (Driver::IsVisible(main) || (Driver::Style(main) & WS_VISIBLE))) {
            ++visibleSightings;
        }
        if (driver.FindWindow(kCaption, kDialogClass, false) != nullptr) {
            ++visibleSightings;
        }
    }
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(visibleSightings, 0);
    EXPECT_TRUE(TrayIconPresent(main));
    // The clock runs in the tray as well.
    EXPECT_FALSE(Driver::ReadText(Driver::Control(main, kClockId)).empty());

    // Presses, releases and moves do nothing: a click acts by the NIN_SELECT
    // after it, a right-click by the WM_CONTEXTMENU.
    for (UINT event : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_RBUTTONDOWN, WM_RBUTTONUP, WM_MOUSEMOVE}) {
        PostTrayEvent(main, event);
    }
    std::this_thread::sleep_for(500ms);
    EXPECT_FALSE(Driver::IsVisible(main));
    EXPECT_TRUE(TrayIconPresent(main));

    PostTrayDoubleClick(main);
    EXPECT_TRUE(Driver::WaitUntil([&] { return Driver::IsVisible(main); }));
    EXPECT_FALSE(TrayIconPresent(main));
    EXPECT_EQ(Driver::ListBoxSelection(Driver::Control(main, kListId)), 0);
}

// In Wine's shell desktop, whose taskbar holds the notification area as
// Windows' does: the start-in-tray choice made in the program itself, kept by
// the exit command and honoured at the next start, and the icon as the shell
// holds it: its tip under a resting pointer, and a real double-click on it.
TEST(TrayInTheShell, StartInTrayChosenInTheProgramAndTheIconBringsTheWindowBack) {
    Driver driver;
    driver.WriteWorkFile(kSettings, Layout({}, 0));
    ASSERT_TRUE(driver.LaunchProcess(ProgramExe()));
    HWND main = StartedMain(driver);
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(Driver::IsVisible(main));
    SetStartInTray(
        driver, main, [](HWND w) { Driver::Click(Driver::Control(w, kDetailButton)); }, true);
    Driver::PostCommand(main, kExitCommand);
    ASSERT_TRUE(driver.WaitForExit().has_value());
    EXPECT_EQ(driver.ReadWorkFile(kSettings), std::optional<std::string>(Layout({}, 1)));

    // The next start goes to the tray, where the shell shows the icon.
    ASSERT_TRUE(driver.LaunchProcess(ProgramExe()));
    main = StartedMain(driver);
    ASSERT_NE(main, nullptr);
    EXPECT_FALSE(Driver::IsVisible(main));
    EXPECT_EQ(HoverTrayIcon(driver), L"Quillaberton");
    driver.Screenshot(L"tray-tip");
    EXPECT_FALSE(Driver::IsVisible(main));
    ASSERT_TRUE(
        driver.XdoTool(L"mousemove " + TrayIconPoint() + L" click --repeat 2 --delay 100 1"));
    EXPECT_TRUE(Driver::WaitUntil([&] { return Driver::IsVisible(main); }));
    EXPECT_FALSE(TrayIconPresent(main));
    // The shell speaks version 4: a single click brings the window back.
    Driver::PostCommand(main, kTrayCommand);
    ASSERT_TRUE(Driver::WaitUntil([&] { return TrayIconPresent(main); }));
    ASSERT_TRUE(driver.XdoTool(L"mousemove " + TrayIconPoint() + L" click 1"));
    EXPECT_TRUE(Driver::WaitUntil([&] { return Driver::IsVisible(main); }));
    EXPECT_FALSE(TrayIconPresent(main));

    // Cleared through the menu, the next start shows the window again.
    SetStartInTray(
        driver, main, [](HWND w) { Driver::PostCommand(w, kDetailCommand); }, false);
    Driver::PostCommand(main, kExitCommand);
    ASSERT_TRUE(driver.WaitForExit().has_value());
    EXPECT_EQ(driver.ReadWorkFile(kSettings), std::optional<std::string>(Layout({}, 0)));
    ASSERT_TRUE(driver.LaunchProcess(ProgramExe()));
    main = StartedMain(driver);
    ASSERT_NE(main, nullptr);
    EXPECT_TRUE(Driver::IsVisible(main));
}

TEST(MainWindow, TaskbarCreatedAddsTheIconAgainOnlyWhileInTheTray) {
    Program p(Layout({}, 1));
    ASSERT_NE(p.main, nullptr);
    ASSERT_TRUE(Driver::WaitUntil([&] { return TrayIconPresent(p.main); }));
    const UINT taskbarCreated = ::RegisterWindowMessageW(L"TaskbarCreated");
    ASSERT_NE(taskbarCreated, 0u);

    // The notification area loses its icons, as when Explorer restarts.
    NOTIFYICONDATAW nid{};
    nid.cbSize = NOTIFYICONDATAW_V1_SIZE;
    nid.hWnd = p.main;
    ASSERT_TRUE(::Shell_NotifyIconW(NIM_DELETE, &nid));
    ASSERT_FALSE(TrayIconPresent(p.main));
    ::PostMessageW(p.main, taskbarCreated, 0, 0);
    EXPECT_TRUE(Driver::WaitUntil([&] { return TrayIconPresent(p.main); }));
    EXPECT_FALSE(p.Visible());

    // The re-added icon works as before.
    PostTrayDoubleClick(p.main);
    ASSERT_TRUE(Driver::WaitUntil([&] { return p.Visible(); }));
    EXPECT_FALSE(TrayIconPresent(p.main));
    // Shown, the window does not put an icon back.
    ::PostMessageW(p.main, taskbarCreated, 0, 0);
    std::this_thread::sleep_for(500ms);
    EXPECT_FALSE(TrayIconPresent(p.main));
}

TEST(MainWindow, ClockShowsTheLocalDateAndTimeInItsExactFormat) {
    Program p;
    ASSERT_NE(p.main, nullptr);
    // Ticks come every 300 ms: the text shows the second of the last tick,
    // at most one second behind the reading before it.
    for (int i = 0; i < 5; ++i) {
        const SYSTEMTIME previous = LocalNowPlus(-1);
        const SYSTEMTIME before = LocalNowPlus(0);
        const std::wstring text = Driver::ReadText(p.Clock());
        const SYSTEMTIME after = LocalNowPlus(0);
        const SYSTEMTIME& mid = before;
        const std::wstring candidates[] = {ClockTextOf(previous), ClockTextOf(before),
                                           ClockTextOf(after)};
        EXPECT_TRUE(text == candidates[0] || text == candidates[1] || text == candidates[2])
            << "clock text '" << std::string(text.begin(), text.end()) << "'";
        // Date, one space, then the hour right-aligned in two places.
        const std::size_t space = text.find(L' ');
        ASSERT_NE(space, std::wstring::npos);
        const std::wstring time = text.substr(space + 1);
        ASSERT_EQ(time.size(), 8u);
        EXPECT_EQ(time[2], L':');
        EXPECT_EQ(time[5], L':');
        if (mid.wHour < 10) {
            EXPECT_EQ(time[0], L' ');
        } else {
            EXPECT_NE(time[0], L' ');
        }
        std::this_thread::sleep_for(350ms);
    }
}

// A command run in a working folder of its own, to its end.
struct CommandRun {
    std::optional<DWORD> code;
    std::wstring output; // in the code page of the console it was run from
    bool started = true; // it wrote a settings file: the program ran
};

CommandRun RunCommand(const std::wstring& args, const std::wstring& exe = ProgramExe()) {
    Driver d;
    CommandRun run;
    if (d.LaunchProcess(exe, args, true)) {
        run.code = d.WaitForExit(20s);
        const std::string bytes = d.Output();
        const UINT cp = ::GetConsoleOutputCP() != 0 ? ::GetConsoleOutputCP() : CP_UTF8;
        run.output.resize(bytes.size());
        run.output.resize(static_cast<std::size_t>(
            ::MultiByteToWideChar(cp, 0, bytes.data(), static_cast<int>(bytes.size()),
                                  run.output.data(), static_cast<int>(run.output.size()))));
        run.started = d.ReadWorkFile(kSettings).has_value();
    }
    return run;
}

// Main windows of the program in the whole session.
int MainWindows() {
    int count = 0;
    ::EnumWindows(
        [](HWND w, LPARAM n) -> BOOL {
            *reinterpret_cast<int*>(n) +=
                Driver::WindowText(w) == kCaption && Driver::ClassName(w) == kDialogClass;
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&count));
    return count;
}

TEST(SingleInstance, ASecondStartEndsAtOnceAndBringsTheFirstForward) {
    Program first;
    ASSERT_NE(first.main, nullptr);
    Driver::PostCommand(first.main, kTrayCommand);
    ASSERT_TRUE(Driver::WaitUntil([&] { return !first.Visible(); }));

    Driver second;
    ASSERT_TRUE(second.LaunchProcess(ProgramExe()));
    const std::optional<DWORD> code = second.WaitForExit(10s);
    ASSERT_TRUE(code.has_value()) << "the second instance still runs";
    EXPECT_EQ(second.FindWindow(kCaption, kDialogClass, true), nullptr);
    // It never got as far as the settings file.
    EXPECT_FALSE(second.ReadWorkFile(kSettings).has_value());

    // The same file name in another folder is the same program.
    Driver third;
    const std::filesystem::path sameName = third.WorkDir() / L"Quillaberton.exe";
    ASSERT_TRUE(::CopyFileW(ProgramExe().c_str(), sameName.c_str(), FALSE));
    ASSERT_TRUE(third.LaunchProcess(sameName.wstring()));
    EXPECT_TRUE(third.WaitForExit(10s).has_value());

    EXPECT_TRUE(first.driver.IsRunning());
    EXPECT_TRUE(first.Visible()); // back from the tray
    EXPECT_FALSE(TrayIconPresent(first.main));

    // Once the first has ended, a new start runs.
    Driver::PostCommand(first.main, kExitCommand);
    ASSERT_TRUE(first.driver.WaitForExit().has_value());
    Program again;
    EXPECT_NE(again.main, nullptr);
}

TEST(SingleInstance, ACopyUnderAnotherNameRunsAsItsOwnInstance) {
    Program first;
    ASSERT_NE(first.main, nullptr);

    Driver copyDriver;
    const std::filesystem::path copy = copyDriver.WorkDir() / L"QuillabertonCopy.exe";
    ASSERT_TRUE(::CopyFileW(ProgramExe().c_str(), copy.c_str(), FALSE));
    ASSERT_TRUE(copyDriver.LaunchProcess(copy.wstring()));
    const HWND copyMain = copyDriver.WaitForWindow(kCaption, kDialogClass);
    ASSERT_NE(copyMain, nullptr);
    EXPECT_NE(copyMain, first.main);
    EXPECT_TRUE(copyDriver.IsRunning());
    EXPECT_TRUE(first.driver.IsRunning());
    EXPECT_EQ(copyDriver.ReadWorkFile(kSettings), std::optional<std::string>(""));
    // A command goes to the copy of its own name.
    EXPECT_EQ(RunCommand(L"/exit").code, std::optional<DWORD>(0));
    EXPECT_TRUE(first.driver.WaitForExit().has_value());
    EXPECT_TRUE(copyDriver.IsRunning());
}

// Another spelling of the running copy's file is the same program: the
// command reaches it, and no second copy starts on the same list.
TEST(SingleInstance, AnotherSpellingOfItsFileFindsTheRunningCopy) {
    Program first;
    ASSERT_NE(first.main, nullptr);
    const std::wstring upper =
        std::filesystem::path(ProgramExe()).replace_filename(L"QUILLABERTON.EXE").wstring();
    EXPECT_EQ(RunCommand(L"/timer 30 restart", upper).code, std::optional<DWORD>(0));
    EXPECT_EQ(MainWindows(), 1);
    EXPECT_TRUE(Driver::ReadText(Driver::Control(first.main, kNextDueId))
                    .ends_with(L" 再起動（タイマー）"));
}

// The clock's format: "2026/12/9 18:10:00".
std::wstring ClockText(const SYSTEMTIME& t) {
    wchar_t text[40];
    std::swprintf(text, 40, L"%d/%d/%d %2d:%02d:%02d", t.wYear, t.wMonth, t.wDay, t.wHour,
                  t.wMinute, t.wSecond);
    return text;
}

// Warnings for entries due a few seconds ahead. A cancelled one never comes
// back, not even within its own second. On the first, 延期 → 5分後 is chosen
// through the real menu: the warning closes without the action, and once
// the entries have passed the next-due line shows the one-off, marked, due
// five minutes after the choice.
TEST(DueWarning, ACancelledWarningNeverComesBackAndPostponeMakesAOneOff) {
    const wchar_t* const modeNames[] = {L"シャットダウン", L"再起動", L"ログオフ"};
    const int modes[] = {0, 1, 3};
    std::vector<Entry> entries;
    for (int i = 0; i < 3; ++i) {
        entries.push_back(DueAt(LocalNowPlus(4 + 3 * i), modes[i], "e" + std::to_string(i)));
    }
    UnmanagedWindows();
    // In the tray: warnings appear all the same.
    Program p(Layout(entries, 1));
    ASSERT_NE(p.main, nullptr);

    int shown[3] = {};
    std::vector<std::wstring> oneOffLines; // the choice's second, and either side
    const auto deadline = std::chrono::steady_clock::now() + 14s;
    while (std::chrono::steady_clock::now() < deadline) {
        const HWND warning = p.driver.WaitForWindow(L"", kDialogClass, 500ms);
        if (warning == nullptr) {
            continue;
        }
        const std::wstring text = Driver::WindowText(Driver::Control(warning, kEndModeId));
        int which = -1;
        for (int i = 0; i < 3; ++i) {
            which = text == modeNames[i] ? i : which;
        }
        ASSERT_GE(which, 0) << "unexpected end mode text";
        ASSERT_EQ(++shown[which], 1) << "warned again for entry " << which;
        if (which == 0) {
            p.driver.Screenshot(L"warning", warning);
            Driver::Click(Driver::Control(warning, kPostponeId));
            const HWND menu = p.driver.WaitForWindow(L"", L"#32768");
            ASSERT_NE(menu, nullptr) << "no menu under 延期";
            ::PostMessageW(menu, WM_KEYDOWN, VK_DOWN, 0); // 5分後
            ::PostMessageW(menu, WM_KEYDOWN, VK_RETURN, 0);
            ASSERT_TRUE(Driver::WaitForWindowGone(warning));
            for (const int s : {299, 300, 301}) {
                oneOffLines.push_back(ClockText(LocalNowPlus(s)) +
                                      L" シャットダウン「e0」（延期）");
            }
        } else {
            Driver::Click(Driver::Control(warning, IDCANCEL));
            ASSERT_TRUE(Driver::WaitForWindowGone(warning));
        }
    }
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(shown[i], 1) << "entry " << i;
    }
    const std::wstring line = Driver::ReadText(Driver::Control(p.main, kNextDueId));
    EXPECT_NE(std::find(oneOffLines.begin(), oneOffLines.end(), line), oneOffLines.end())
        << "next due: " << line;
    EXPECT_TRUE(p.driver.IsRunning()); // no action
    EXPECT_TRUE(TrayIconPresent(p.main));

    // The record holds the three answers in order; ヘルプ → 履歴..., chosen by
    // keys in the menu bar, lists its lines newest first.
    std::vector<std::wstring> lines, answers;
    const std::string record = p.driver.ReadWorkFile(L"Quillaberton.log").value_or("");
    for (std::size_t at = 3, end; (end = record.find("\r\n", at)) != std::string::npos;
         at = end + 2) {
        std::wstring line(end - at, L'\0');
        line.resize(::MultiByteToWideChar(CP_UTF8, 0, &record[at], static_cast<int>(end - at),
                                          line.data(), static_cast<int>(line.size())));
        lines.insert(lines.begin(), line);
        if (const std::size_t a = lines.front().find(L" 警告に応答 "); a != std::wstring::npos) {
            answers.push_back(lines.front().substr(a + 7));
        }
    }
    EXPECT_EQ(answers, (std::vector<std::wstring>{L"延期 5 分", L"キャンセル", L"キャンセル"}));
    PostTrayDoubleClick(p.main);
    ASSERT_TRUE(Driver::WaitUntil([&] { return p.Visible(); }));
    ::PostMessageW(p.main, WM_SYSCOMMAND, SC_KEYMENU, 0);
    for (const WPARAM key : {VK_RIGHT, VK_RIGHT, VK_DOWN, VK_RETURN}) {
        ::PostMessageW(p.main, WM_KEYDOWN, key, 0);
    }
    const HWND history = p.driver.WaitForWindow(L"履歴", kDialogClass);
    ASSERT_NE(history, nullptr);
    EXPECT_EQ(Driver::ListBoxLines(Driver::Control(history, kHistoryListId)), lines);
}

// Warnings taken away because their due time is stale: the program's
// thread held up for 7 s (as a stall or a sleep looks to its timers, whose
// messages then come in no set order), a suspend, and both kinds of wake.
// Each is withdrawn at once as ｷｬﾝｾﾙ would be; none of the standby actions
// is carried out (standby would end the program).
TEST(DueWarning, AStallASuspendAndAWakeWithdrawTheWarning) {
    enum Event { Stall, Suspend, ResumeSuspend, ResumeAutomatic };
    const Event events[] = {Stall, Suspend, ResumeSuspend, ResumeAutomatic};
    std::vector<Entry> entries;
    // Time for a slow start before the first, and for the stall after it.
    for (const int at : {6, 18, 22, 26}) {
        entries.push_back(DueAt(LocalNowPlus(at), 2, "s" + std::to_string(at)));
    }
    UnmanagedWindows();
    Program p(Layout(entries, 1));
    ASSERT_NE(p.main, nullptr);
    for (const Event event : events) {
        SCOPED_TRACE(static_cast<int>(event));
        const HWND warning = p.driver.WaitForWindow(L"", kDialogClass, 20s);
        ASSERT_NE(warning, nullptr);
        if (event == Stall) {
            const DWORD thread = ::GetWindowThreadProcessId(warning, nullptr);
            const OwnedHandle handle(::OpenThread(THREAD_SUSPEND_RESUME, FALSE, thread));
            ASSERT_NE(handle.Get(), nullptr);
            ASSERT_NE(::SuspendThread(handle.Get()), static_cast<DWORD>(-1));
            std::this_thread::sleep_for(7s);
            ::ResumeThread(handle.Get());
        } else {
            const WPARAM pbt[] = {0, PBT_APMSUSPEND, PBT_APMRESUMESUSPEND, PBT_APMRESUMEAUTOMATIC};
            ::PostMessageW(p.main, WM_POWERBROADCAST, pbt[event], 0);
        }
        EXPECT_TRUE(Driver::WaitForWindowGone(warning, 3s)) << "the warning stayed";
        EXPECT_TRUE(p.driver.IsRunning());
    }
    std::this_thread::sleep_for(1s);
    EXPECT_TRUE(p.driver.IsRunning());
    EXPECT_TRUE(TrayIconPresent(p.main));
}

// /next as a start sends it, naming a reply window of this thread, which
// takes no message meanwhile: the answer is never taken. What WM_COPYDATA
// returned.
DWORD_PTR NextToADeafSender(HWND main) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = ::DefWindowProcW;
    wc.lpszClassName = L"Quillaberton.Reply";
    ::RegisterClassExW(&wc);
    const HWND deaf =
        ::CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, 0, 0, 0);
    std::wstring words(L"/next", 6); // with its NUL
    COPYDATASTRUCT data{0x31434251, 12, words.data()};
    DWORD_PTR answer = 0;
    // A thread that has not looked at its messages for 5 s counts as hung,
    // and is given up at once: this one has just looked.
    MSG msg;
    ::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);
    std::thread([&] {
        ::SendMessageTimeoutW(main, WM_COPYDATA, reinterpret_cast<WPARAM>(deaf),
                              reinterpret_cast<LPARAM>(&data), SMTO_ABORTIFHUNG, 10000, &answer);
    }).join();
    ::DestroyWindow(deaf);
    return answer;
}

// /next from senders that never take the answer while a standby warning is
// open: the window is held only briefly each time, so the warning is not
// taken for a stalled one, stays, and its action is carried out (Wine's
// suspend does nothing and reports it done: the program ends).
TEST(DueWarning, NextFromASenderThatDoesNotAnswerLeavesTheWarningToAct) {
    UnmanagedWindows();
    Program p(Layout({DueAt(LocalNowPlus(6), 2, "s")}, 1));
    ASSERT_NE(p.main, nullptr);
    const HWND warning = p.driver.WaitForWindow(L"", kDialogClass, 20s);
    ASSERT_NE(warning, nullptr);
    const auto opened = std::chrono::steady_clock::now();
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(NextToADeafSender(p.main), 2u); // refused: the answer was not taken
        std::this_thread::sleep_for(1s);
    }
    std::this_thread::sleep_until(opened + 12s);
    EXPECT_TRUE(Driver::Exists(warning)) << "the warning was withdrawn";
    EXPECT_TRUE(p.driver.WaitForExit(15s).has_value()) << "standby was not carried out";
}

// With the option on, an entry that falls due while a fullscreen program runs
// waits, shown as such, instead of warning (the test host's shell reports the
// user busy, as Wine's never does).
TEST(DueWarning, AFullscreenProgramHoldsTheWarningAndTheLineSaysItWaits) {
    const SYSTEMTIME due = LocalNowPlus(5);
    std::string settings = Layout({DueAt(due, 0, "e0")}, 0);
    settings.insert(settings.find("tasktray=0\r\n") + 12, "fullscreen=1\r\n");
    UnmanagedWindows();
    Program p(settings, Driver::ProgramPath(L"e2e_host"), L"busy --owner=none");
    ASSERT_NE(p.main, nullptr);
    const HWND line = Driver::Control(p.main, kNextDueId);
    const std::wstring waiting = ClockTextOf(due) + L" シャットダウン「e0」（待機中）";
    EXPECT_TRUE(Driver::WaitUntil([&] { return Driver::ReadText(line) == waiting; }, 15s))
        << Driver::ReadText(line);
    p.driver.Screenshot(L"waiting", p.main);
    EXPECT_EQ(p.driver.WaitForWindow(L"", kDialogClass, 2s), nullptr) << "a warning came";
}

// Commands from other starts do in the running copy what the tray menu
// does; bad words never reach it, commands that need it start nothing
// without it, and one copy runs throughout.
TEST(Commands, ReachTheRunningCopyAsTheTrayMenuDoes) {
    for (const wchar_t* args : {L"/cancel", L"-NEXT"}) {
        const CommandRun none = RunCommand(args);
        EXPECT_EQ(none.code, std::optional<DWORD>(2)) << args;
        EXPECT_FALSE(none.started) << args;
    }
    Entry daily;
    daily.hour = (LocalNowPlus(0).wHour + 3) % 24;
    Program p(Layout({daily}));
    ASSERT_NE(p.main, nullptr);
    const HWND nextDue = Driver::Control(p.main, kNextDueId);
    const std::wstring entryLine = Driver::ReadText(nextDue);
    const CommandRun bad = RunCommand(L"/timer 1441 restart");
    EXPECT_EQ(bad.code, std::optional<DWORD>(1));
    EXPECT_TRUE(bad.output.starts_with(L"使い方")) << bad.output;
    EXPECT_EQ(RunCommand(L"/?").code, std::optional<DWORD>(0));

    const ULONGLONG started = ::GetTickCount64();
    ASSERT_EQ(RunCommand(L"/timer 30 restart").code, std::optional<DWORD>(0));
    const std::wstring line = Driver::ReadText(nextDue);
    const int span = static_cast<int>((::GetTickCount64() - started) / 1000) + 1;
    bool thirtyMinutes = false;
    for (int k = -span; k <= 0; ++k) {
        thirtyMinutes =
            thirtyMinutes || line == ClockTextOf(LocalNowPlus(1800 + k)) + L" 再起動（タイマー）";
    }
    EXPECT_TRUE(thirtyMinutes) << line;
    EXPECT_EQ(RunCommand(L"/next").output, line + L"\r\n");
    // Nowhere to write (a shortcut, Win+R, a task): the line in a box.
    Driver boxed;
    ASSERT_TRUE(boxed.LaunchProcess(ProgramExe(), L"/next", false, {}, CREATE_NEW_CONSOLE));
    const HWND box = boxed.WaitForWindow(kCaption, kDialogClass);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(Driver::WindowText(Driver::Control(box, 0xFFFF)), line);
    Driver::Click(Driver::Control(box, IDOK));
    EXPECT_EQ(boxed.WaitForExit(), std::optional<DWORD>(0));
    // スキップ drops the timer, as the menu would; タイマーを取り消す too.
    EXPECT_EQ(RunCommand(L"/skip").code, std::optional<DWORD>(0));
    EXPECT_EQ(Driver::ReadText(nextDue), entryLine);
    EXPECT_EQ(RunCommand(L"/timer 15 LOCK").code, std::optional<DWORD>(0));
    EXPECT_EQ(RunCommand(L"-Cancel").code, std::optional<DWORD>(0));
    EXPECT_EQ(Driver::ReadText(nextDue), entryLine);
    EXPECT_EQ(RunCommand(L"/skip").code, std::optional<DWORD>(0));
    const std::wstring skipped = Driver::ReadText(nextDue);
    EXPECT_NE(skipped, entryLine);
    EXPECT_EQ(skipped.substr(skipped.find(L' ')), entryLine.substr(entryLine.find(L' ')));
    // /history: the record's last lines, these commands', newest last.
    const std::wstring history = RunCommand(L"/history 3").output;
    const std::wstring events[] = {L" タイマーを設定 15 分後 ロック ", L" タイマーを取り消し ",
                                   L" 予定をスキップ 「"};
    std::size_t at = 0;
    for (const std::wstring& event : events) {
        at = history.find(L"\r\n", history.find(event, at));
        EXPECT_NE(at, std::wstring::npos) << history;
    }
    EXPECT_EQ(history.find(L"\r\n", at + 2), std::wstring::npos) << history;

    Driver::PostCommand(p.main, kTrayCommand);
    ASSERT_TRUE(Driver::WaitUntil([&] { return !p.Visible(); }));
    EXPECT_EQ(RunCommand(L"/show").code, std::optional<DWORD>(0));
    EXPECT_TRUE(p.Visible());
    EXPECT_EQ(MainWindows(), 1);
    EXPECT_EQ(RunCommand(L"/exit").code, std::optional<DWORD>(0));
    EXPECT_TRUE(p.driver.WaitForExit().has_value());
    EXPECT_EQ(p.File(), std::optional<std::string>(Layout({daily})));
    EXPECT_TRUE(p.driver.ReadWorkFile(L"Quillaberton.log")->ends_with(" 終了 コマンドから\r\n"));

    // With no copy, a timer starts one and sets itself there.
    Program q(std::nullopt, ProgramExe(), L"/timer 15 lock");
    ASSERT_NE(q.main, nullptr);
    EXPECT_TRUE(
        Driver::ReadText(Driver::Control(q.main, kNextDueId)).ends_with(L" ロック（タイマー）"));
}

// A first start with a hibernate timer the PC cannot do says why, and then
// runs as a plain start (the test host's PC cannot hibernate; Wine's can).
TEST(Commands, AStartsTimerThatCannotBeDoneIsToldAndTheProgramRuns) {
    Driver d;
    d.WriteWorkFile(kSettings, Layout({}));
    ASSERT_TRUE(d.LaunchProcess(Driver::ProgramPath(L"e2e_host"), L"nohibernate --owner=none"));
    const HWND box = d.WaitForWindow(kCaption, kDialogClass); // the window is not shown yet
    ASSERT_NE(box, nullptr);
    EXPECT_NE(Driver::WindowText(Driver::Control(box, 0xFFFF)).find(L"休止状態にできません"),
              std::wstring::npos);
    Driver::Click(Driver::Control(box, IDOK));
    ASSERT_TRUE(Driver::WaitForWindowGone(box));
    const HWND main = StartedMain(d);
    ASSERT_NE(main, nullptr);
    EXPECT_TRUE(Driver::WaitUntil([&] { return Driver::IsVisible(main); }));
    EXPECT_EQ(Driver::ReadText(Driver::Control(main, kNextDueId)), L"なし");
}

// A condition on a helper program's end (Wine's notepad), armed by /when:
// refused for a program that does not run or a value out of range; shown
// after the next-due line with its measure; and when the helper ends, the
// warning comes at once and names the action. Cancelled, it is gone.
TEST(Commands, WhenAProgramEndsItsWarningNamesTheAction) {
    constexpr int kMeasureId = 1057;
    Program p(Layout({}));
    ASSERT_NE(p.main, nullptr);
    const HWND nextDue = Driver::Control(p.main, kNextDueId);
    const CommandRun bad = RunCommand(L"/when idle 241 lock");
    EXPECT_EQ(bad.code, std::optional<DWORD>(1));
    EXPECT_TRUE(bad.output.starts_with(L"使い方")) << bad.output;
    const CommandRun none = RunCommand(L"/when exit qb-none.exe lock");
    EXPECT_EQ(none.code, std::optional<DWORD>(3));
    EXPECT_EQ(none.output, L"qb-none.exe は実行されていません。\r\n");

    Driver helper;
    ASSERT_TRUE(helper.LaunchProcess(L"C:\\windows\\notepad.exe"));
    ASSERT_TRUE(helper.WaitForIdle());
    ASSERT_EQ(RunCommand(L"/when exit NOTEPAD.EXE logoff").code, std::optional<DWORD>(0));
    EXPECT_EQ(Driver::ReadText(nextDue), L"なし（条件: NOTEPAD.EXE の終了後 ログオフ）");
    EXPECT_EQ(Driver::ReadText(Driver::Control(p.main, kMeasureId)), L"NOTEPAD.EXE 実行中 1 個");
    p.driver.Screenshot(L"armed", p.main);

    helper.Terminate();
    const HWND warning = p.driver.WaitForWindow(L"", kDialogClass, 10s);
    ASSERT_NE(warning, nullptr);
    EXPECT_EQ(Driver::WindowText(Driver::Control(warning, kEndModeId)), L"ログオフ");
    Driver::Click(Driver::Control(warning, IDCANCEL));
    ASSERT_TRUE(Driver::WaitForWindowGone(warning));
    EXPECT_EQ(Driver::ReadText(nextDue), L"なし");
    EXPECT_EQ(Driver::ReadText(Driver::Control(p.main, kMeasureId)), L"");
    EXPECT_TRUE(p.driver.IsRunning());
}

// A start by a task runs in the system folder: /dir names the folder of
// the list. A folder that is relative, missing or a file starts nothing.
TEST(Commands, DirFindsTheListFromAnyWorkingFolder) {
    Driver d;
    const std::wstring folder = d.WorkDir().wstring();
    for (const std::wstring& bad : {std::wstring(L"/dir Tools"), L"/dir \"" + folder + L"\\none\"",
                                    L"/timer 5 lock /dir \"" + folder + L"\\Quillaberton.dat\""}) {
        d.WriteWorkFile(kSettings, "");
        const CommandRun run = RunCommand(bad);
        EXPECT_EQ(run.code, std::optional<DWORD>(1)) << bad;
        EXPECT_TRUE(run.output.starts_with(L"使い方")) << bad;
        EXPECT_EQ(MainWindows(), 0) << bad;
    }
    Entry a, b;
    a.name = "a";
    b.name = "b";
    const std::string list = Layout({a, b});
    d.WriteWorkFile(kSettings, list);
    wchar_t system[MAX_PATH] = {};
    ASSERT_NE(::GetSystemDirectoryW(system, MAX_PATH), 0u);
    ASSERT_TRUE(d.LaunchProcess(ProgramExe(), L"/dir \"" + folder + L"\"", false, system));
    const HWND main = StartedMain(d);
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(Driver::ListBoxLines(Driver::Control(main, kListId)),
              (std::vector<std::wstring>{L"a", L"b"}));
    Driver::PostCommand(main, kExitCommand);
    ASSERT_TRUE(d.WaitForExit().has_value());
    EXPECT_EQ(d.ReadWorkFile(kSettings), std::optional<std::string>(list));
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(system) / kSettings));
}

} // namespace
} // namespace qb::e2e
