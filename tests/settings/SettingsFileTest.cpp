#include "platform/DiskSettings.h"
#include "platform/StdFileOps.h"
#include "settings/SettingsFile.h"

#include "settings/ProfileFile.h"

#include "FileBytes.h"
#include "MemoryFileOps.h"
#include "ProfileModel.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <tuple>
#include <random>

namespace {

// CP932 names.
const std::string kJikokuSettei = "\x8E\x9E\x8D\x8F\x90\xDD\x92\xE8"; // 時刻設定
const std::string kLogoff = "\x83\x8D\x83\x4F\x83\x49\x83\x74";       // ログオフ
const std::string kZone = "\x83\x5D\x81\x5B\x83\x93";                 // ゾーン

CScheduleItem Item(const std::string& name, std::array<std::int32_t, 9> v) {
    CScheduleItem it;
    it.name = name;
    it.time_mode = v[0];
    it.year = v[1];
    it.month = v[2];
    it.day = v[3];
    it.week = v[4];
    it.hour = v[5];
    it.minute = v[6];
    it.second = v[7];
    it.sd_mode = v[8];
    return it;
}

void ExpectItem(const CScheduleItem& it, const std::string& name, std::array<std::int32_t, 9> v) {
    EXPECT_EQ(it.name, name);
    const std::array<std::int32_t, 9> got = {it.time_mode, it.year,   it.month,  it.day,    it.week,
                                             it.hour,      it.minute, it.second, it.sd_mode};
    EXPECT_EQ(got, v) << "entry " << name;
}

std::string Crlf(const std::vector<std::string>& lines) {
    std::string out;
    for (const auto& l : lines) {
        out += l + "\r\n";
    }
    return out;
}

class SettingsFileTest : public ::testing::Test {
protected:
    // Puts a golden file in place as the settings file; returns its bytes.
    std::string Install(const std::string& name) {
        bool ok = false;
        const std::string bytes = ReadBytes(DataFile(name), &ok);
        EXPECT_TRUE(ok) << "cannot read " << DataFile(name);
        EXPECT_TRUE(WriteBytes(path, bytes));
        return bytes;
    }
    void Load() { LoadSettings(list, tray, path); }
    std::string FileBytes() { return ReadBytes(path); }

    TempDir dir;
    const std::string path = dir.Path("Quillaberton.dat");
    ScheduleList list;
    std::int32_t tray = 5;
};

TEST_F(SettingsFileTest, TwoEntryExampleLoadsRewritesAndSavesTheSameBytes) {
    const std::string golden = Install("two_entries.dat");
    Load();
    ASSERT_EQ(list.GetCount(), 2);
    EXPECT_EQ(tray, 1);
    ExpectItem(list.GetAt(0), kJikokuSettei, {0, 0, 12, 31, 0, 23, 30, 0, 0});
    ExpectItem(list.GetAt(1), kLogoff, {1, 0, 0, 0, 62, 18, 0, 0, 3});
    EXPECT_EQ(FileBytes(), golden);
    std::filesystem::remove(path);
    SaveSettings(list, 1, path);
    EXPECT_EQ(FileBytes(), golden);
    EXPECT_EQ(dir.Names(), std::set<std::string>{"Quillaberton.dat"});
}

TEST_F(SettingsFileTest, SaveBuildsTheExampleFromTheList) {
    ScheduleList fresh;
    fresh.AddTail(Item(kJikokuSettei, {0, 0, 12, 31, 0, 23, 30, 0, 0}));
    fresh.AddTail(Item(kLogoff, {1, 0, 0, 0, 62, 18, 0, 0, 3}));
    WriteBytes(path, "[OLD]\r\nkept=no\r\n");
    SaveSettings(fresh, 1, path);
    EXPECT_EQ(FileBytes(), ReadBytes(DataFile("two_entries.dat")));
}

// The options after tasktray and an entry's wake after its sd_mode, each only
// where it is not 0; read back the same both ways, and rewritten as they are.
TEST_F(SettingsFileTest, OptionsAndWakeAreWrittenOnlyWhereSetAndReadBack) {
    const std::string two = ReadBytes(DataFile("two_entries.dat"));
    const std::size_t item0 = two.find("[ITEM00]"), item1 = two.find("[ITEM01]");
    const std::tuple<SettingsOptions, int, int, std::string, std::string, std::string> rows[] = {
        {{1, 0}, 1, 0, "resume=1\r\n", "wake=1\r\n", ""},
        {{0, -7}, 0, 2, "fullscreen=-7\r\n", "", "wake=2\r\n"},
        {{3, 4}, 0, 0, "resume=3\r\nfullscreen=4\r\n", "", ""},
        {{0, 0, 0}, 0, 0, "history=0\r\n", "", ""},
        {{1, 2, -1}, 0, 0, "resume=1\r\nfullscreen=2\r\nhistory=-1\r\n", "", ""}};
    auto woken = [](CScheduleItem it, int wake) {
        it.wake = wake;
        return it;
    };
    for (const auto& [options, wake0, wake1, com, first, last] : rows) {
        ScheduleList l;
        l.AddTail(woken(Item(kJikokuSettei, {0, 0, 12, 31, 0, 23, 30, 0, 0}), wake0));
        l.AddTail(woken(Item(kLogoff, {1, 0, 0, 0, 62, 18, 0, 0, 3}), wake1));
        ASSERT_TRUE(SaveSettings(l, 1, options, path).saved);
        const std::string want = two.substr(0, item0) + com + two.substr(item0, item1 - item0) +
                                 first + two.substr(item1) + last;
        EXPECT_EQ(FileBytes(), want);
        for (const auto mode : {SettingsLoadMode::Auto, SettingsLoadMode::Lookup}) {
            CStdFileOps ops;
            ScheduleList back;
            SettingsOptions read{9, 9, 9};
            LoadSettings(back, tray, read, path, ops, mode);
            EXPECT_EQ(read, options);
            ASSERT_EQ(back.GetCount(), 2);
            EXPECT_EQ(back.GetAt(0).wake, wake0);
            EXPECT_EQ(back.GetAt(1).wake, wake1);
            EXPECT_EQ(FileBytes(), want);
        }
    }
}

TEST_F(SettingsFileTest, MissingFileGivesEmptyListFlagOffAndAnEmptyFile) {
    Load();
    EXPECT_EQ(list.GetCount(), 0);
    EXPECT_EQ(tray, 0);
    bool exists = false;
    EXPECT_EQ(ReadBytes(path, &exists), "");
    EXPECT_TRUE(exists);
    SaveSettings(list, 0, path);
    EXPECT_EQ(FileBytes(), "[COM]\r\nsize=0\r\ntasktray=0\r\n");
}

TEST_F(SettingsFileTest, OddLineEndsAreReadAndRewrittenAtOnce) {
    const std::string golden = ReadBytes(DataFile("two_entries.dat"));
    Install("lf_only.dat");
    Load();
    ASSERT_EQ(list.GetCount(), 2);
    ExpectItem(list.GetAt(1), kLogoff, {1, 0, 0, 0, 62, 18, 0, 0, 3});
    EXPECT_EQ(FileBytes(), golden);

    // A lone CR belongs to the name and survives the rewrite.
    list.RemoveAll();
    const std::string loneCr = Install("lone_cr.dat");
    Load();
    ASSERT_EQ(list.GetCount(), 1);
    ExpectItem(list.GetAt(0), "ab\rcd", {0, 0, 0, 0, 0, 7, 0, 0, 0});
    EXPECT_EQ(FileBytes(), loneCr);

    // 0x1A ends the file: the section after it is not there, and the
    // rewrite drops everything from 0x1A on.
    list.RemoveAll();
    const std::string eof = Install("eof_1a.dat");
    Load();
    ASSERT_EQ(list.GetCount(), 1);
    EXPECT_EQ(tray, 1);
    ExpectItem(list.GetAt(0), "a", {0, 0, 0, 0, 0, 1, 0, 0, 0});
    EXPECT_EQ(FileBytes(), eof.substr(0, eof.find('\x1A')));
}

TEST_F(SettingsFileTest, LookupsGoBySectionAndKeyNotByPlace) {
    const std::string bytes = Install("out_of_order.dat");
    Load();
    ASSERT_EQ(list.GetCount(), 2);
    EXPECT_EQ(tray, 1);
    ExpectItem(list.GetAt(0), kJikokuSettei, {0, 0, 12, 31, 0, 23, 30, 0, 0});
    ExpectItem(list.GetAt(1), kLogoff, {1, 0, 0, 0, 62, 18, 0, 0, 3});
    EXPECT_EQ(FileBytes(), bytes); // the rewrite keeps every line
    SaveSettings(list, tray, path);
    EXPECT_EQ(FileBytes(), ReadBytes(DataFile("two_entries.dat")));
}

TEST_F(SettingsFileTest, OddCountsAndValues) {
    // "[ITEM00] " is not ITEM00, and a count larger than the sections: the
    // missing entries are left out, counted, and the file is kept as it is.
    for (const auto& [file, entries, leftOut] :
         {std::tuple{"header_blank.dat", 0, 1}, {"count_larger.dat", 1, 2}}) {
        list.RemoveAll();
        std::string bytes = Install(file);
        std::erase(bytes, '\r'); // a rewrite would give CR LF
        ASSERT_TRUE(WriteBytes(path, bytes));
        const LoadStatus status = LoadSettings(list, tray, path);
        ASSERT_EQ(list.GetCount(), entries) << file;
        EXPECT_EQ(status.leftOut, leftOut) << file;
        EXPECT_FALSE(status.rewritten);
        EXPECT_EQ(FileBytes(), bytes) << file;
    }
    ExpectItem(list.GetAt(0), "one", {1, 0, 0, 0, 127, 6, 7, 8, 2});

    // A smaller count: the rewrite keeps the unread section, a save drops it.
    list.RemoveAll();
    const std::string smaller = Install("count_smaller.dat");
    Load();
    ASSERT_EQ(list.GetCount(), 1);
    ExpectItem(list.GetAt(0), "one", {0, 2011, 3, 5, 0, 9, 5, 7, 1});
    EXPECT_EQ(FileBytes(), smaller);
    SaveSettings(list, tray, path);
    EXPECT_EQ(FileBytes().find("[ITEM01]"), std::string::npos);

    // "size=2abc" reads as 2; the flag keeps any value.
    list.RemoveAll();
    Install("size_2abc.dat");
    Load();
    EXPECT_EQ(list.GetCount(), 2);
    EXPECT_EQ(tray, 7);
    EXPECT_EQ(list.GetAt(1).name, "b");

    // A count is honoured up to the number of lines the file holds, so that
    // a number in the file never drives the work: three lines, three entries
    // looked for (and left out, having no sections).
    for (const auto& [size, entries] : {std::pair{"2", 2},
                                        {"3", 3},
                                        {"4", 3},
                                        {"100000", 3},
                                        {"2147483647", 3},
                                        {"99999999999", 3}}) {
        MemoryFileOps ops;
        ops.files["s"] = std::string("[COM]\r\nsize=") + size + "\r\ntasktray=0\r\n";
        list.RemoveAll();
        EXPECT_EQ(LoadSettings(list, tray, "s", ops).leftOut, entries) << "size=" << size;
        EXPECT_EQ(list.GetCount(), 0);
    }
}

// A file cut short, or one missing a key, must not turn into shutdowns at
// midnight: only whole entries load, and the file waits for the user's next
// save. A file saved as UTF-8 with a mark is converted to CP932.
TEST_F(SettingsFileTest, DamagedAndUtf8FilesLoadOnlyWhatTheyHold) {
    const std::string two = ReadBytes(DataFile("two_entries.dat"));
    const std::string ascii =
        "[COM]\r\nsize=1\r\ntasktray=0\r\n[ITEM00]\r\nname=%\r\ntime_mode=0\r\n"
        "year=0\r\nmonth=0\r\nday=0\r\nweek=0\r\nhour=5\r\nminute=0\r\nsecond=0\r\n"
        "sd_mode=1\r\n";
    auto named = [&](const std::string& name) {
        return ascii.substr(0, ascii.find('%')) + name + ascii.substr(ascii.find('%') + 1);
    };
    // A stand-in for the system's conversion: the two names of the example.
    const Utf8ToCp932 toCp932 = [](std::string_view in, std::string& out) {
        out.assign(in);
        for (const auto& [utf8, cp932] :
             {std::pair<std::string, std::string>{
                  "\xE6\x99\x82\xE5\x88\xBB\xE8\xA8\xAD\xE5\xAE\x9A", kJikokuSettei},
              {"\xE3\x83\xAD\xE3\x82\xB0\xE3\x82\xAA\xE3\x83\x95", kLogoff},
              {"\xF0\x9F\x98\x80", "?"}}) { // an emoji: no CP932 form
            if (const auto at = out.find(utf8); at != std::string::npos) {
                out.replace(at, utf8.size(), cp932);
                if (cp932 == "?") {
                    return false;
                }
            }
        }
        return true;
    };
    auto utf8 = [&](std::string bytes) {
        bytes.replace(bytes.find(kJikokuSettei), kJikokuSettei.size(),
                      "\xE6\x99\x82\xE5\x88\xBB\xE8\xA8\xAD\xE5\xAE\x9A");
        bytes.replace(bytes.find(kLogoff), kLogoff.size(),
                      "\xE3\x83\xAD\xE3\x82\xB0\xE3\x82\xAA\xE3\x83\x95");
        return "\xEF\xBB\xBF" + bytes;
    };
    struct Row {
        const char* what;
        std::string bytes;
        int entries, leftOut, lossy;
        std::string after; // the file after the load
    };
    const std::string cut = two.substr(0, two.find("sd_mode=3"));
    const std::string noMinute =
        two.substr(0, two.find("minute=30")) + two.substr(two.find("second=0"));
    const Row rows[] = {
        {"cut in the second entry", cut, 1, 1, 0, cut},
        {"a key missing in the first", noMinute, 1, 1, 0, noMinute},
        {"UTF-8 with a mark", utf8(two), 2, 0, 0, two},
        {"a name CP932 cannot hold", "\xEF\xBB\xBF" + named("a\xF0\x9F\x98\x80"), 1, 0, 1,
         "\xEF\xBB\xBF" + named("a\xF0\x9F\x98\x80")},
    };
    for (const Row& row : rows) {
        for (const auto mode : {SettingsLoadMode::Auto, SettingsLoadMode::Lookup}) {
            MemoryFileOps ops;
            ops.files["s"] = row.bytes;
            list.RemoveAll();
            const LoadStatus status = LoadSettings(list, tray, "s", ops, mode, toCp932);
            ASSERT_EQ(list.GetCount(), row.entries) << row.what;
            EXPECT_EQ(status.leftOut, row.leftOut) << row.what;
            EXPECT_EQ(status.lossyNames, row.lossy) << row.what;
            EXPECT_EQ(ops.saves, status.Damaged() ? 0 : 1) << row.what;
            EXPECT_EQ(ops.files["s"], row.after) << row.what;
        }
    }
    EXPECT_EQ(list.GetAt(0).name, "a?");
    list.RemoveAll();
    MemoryFileOps ops;
    ops.files["s"] = utf8(two);
    LoadSettings(list, tray, "s", ops, SettingsLoadMode::Auto, toCp932);
    ExpectItem(list.GetAt(0), kJikokuSettei, {0, 0, 12, 31, 0, 23, 30, 0, 0});
    ExpectItem(list.GetAt(1), kLogoff, {1, 0, 0, 0, 62, 18, 0, 0, 3});
}

TEST_F(SettingsFileTest, NamesKeepTheirBytes) {
    const std::string zone = Install("zone_name.dat");
    Load();
    ASSERT_EQ(list.GetCount(), 1);
    ExpectItem(list.GetAt(0), kZone, {0, 0, 0, 0, 0, 1, 2, 3, 0});
    SaveSettings(list, 0, path);
    EXPECT_EQ(FileBytes(), zone);

    // Blanks around a name, an empty name and out-of-range numbers survive.
    ScheduleList odd;
    odd.AddTail(Item(" x = y ", {7, -1, 13, 32, 255, 24, 60, -60, -1}));
    odd.AddTail(Item("", {2, 2147483647, 0, 0, 0, 0, 0, 0, 7}));
    SaveSettings(odd, -3, path);
    ScheduleList back;
    LoadSettings(back, tray, path);
    EXPECT_EQ(tray, -3);
    ASSERT_EQ(back.GetCount(), 2);
    ExpectItem(back.GetAt(0), " x = y ", {7, -1, 13, 32, 255, 24, 60, -60, -1});
    ExpectItem(back.GetAt(1), "", {2, 2147483647, 0, 0, 0, 0, 0, 0, 7});
}

TEST_F(SettingsFileTest, NameWithOneBracketPairTurnsIntoAHeader) {
    // Names are not escaped: "[x]" makes its line a header, so the name comes
    // back empty and the line stands after the nine number lines.
    ScheduleList l;
    l.AddTail(Item("[x]", {0, 0, 0, 0, 0, 4, 0, 0, 0}));
    SaveSettings(l, 0, path);
    EXPECT_EQ(FileBytes(),
              Crlf({"[COM]", "size=1", "tasktray=0", "[ITEM00]", "time_mode=0", "year=0", "month=0",
                    "day=0", "week=0", "hour=4", "minute=0", "second=0", "sd_mode=0", "name=[x]"}));
    // Its name line is no key line: the entry is left out.
    EXPECT_EQ(LoadSettings(list, tray, path).leftOut, 1);
    EXPECT_EQ(list.GetCount(), 0);
}

TEST_F(SettingsFileTest, SectionNumbersFollowListPositions) {
    ScheduleList l;
    for (int i = 0; i < 101; ++i) {
        l.AddTail(Item("e" + std::to_string(i), {1, 0, 0, 0, i, 0, 0, 0, i % 4}));
    }
    SaveSettings(l, 1, path);
    const std::string saved = FileBytes();
    EXPECT_EQ(std::count(saved.begin(), saved.end(), '\n'), 3 + 11 * 101);
    // The sections, named by hand and read with the line-scanning model.
    const std::pair<const char*, const char*> kNumbers[] = {
        {"ITEM09", "e9"}, {"ITEM10", "e10"}, {"ITEM99", "e99"}, {"ITEM100", "e100"}};
    ProfileModel model;
    model.lines = ProfileModel::Parse(saved);
    for (const auto& [section, name] : kNumbers) {
        model.section = section;
        EXPECT_EQ(model.GetString("name", "-"), name) << section;
        EXPECT_EQ(model.FindSectionEnd(section) - model.FindKey("name"), 10) << section;
    }
    Load();
    ASSERT_EQ(list.GetCount(), 101);
    ExpectItem(list.GetAt(100), "e100", {1, 0, 0, 0, 100, 0, 0, 0, 0});

    // Moving the last entry up one place saves it under the lower number.
    const CScheduleItem a = list.GetAt(99);
    const CScheduleItem b = list.GetAt(100);
    list.SetAt(99, b);
    list.SetAt(100, a);
    SaveSettings(list, 1, path);
    EXPECT_NE(FileBytes().find("[ITEM99]\r\nname=e100\r\n"), std::string::npos);

    // Loading, from a file the model writes with the sections last to first.
    ProfileModel written;
    written.section = "COM";
    written.SetInt("size", 101);
    for (int i = 100; i >= 0; --i) {
        written.section = (i < 10 ? "ITEM0" : "ITEM") + std::to_string(i);
        for (const char* key :
             {"sd_mode", "second", "minute", "hour", "week", "day", "month", "year", "time_mode"}) {
            written.SetInt(key, i);
        }
        written.SetString("name", "w" + std::to_string(i));
    }
    ASSERT_TRUE(WriteBytes(path, ProfileModel::Serialise(written.lines)));
    list.RemoveAll();
    Load();
    ASSERT_EQ(list.GetCount(), 101);
    for (const int i : {9, 10, 99, 100}) {
        EXPECT_EQ(list.GetAt(i).name, "w" + std::to_string(i));
    }
}

// SaveSettings writes its layout with plain appends when no name makes its
// line a header; the bytes must be what the store's own writes give, with
// any names at all.
TEST(SettingsSaveTest, SavedBytesAreThoseOfTheStoreWrites) {
    const std::string pieces[] = {"",   "a", "[x]", "[",   "]",    "k=v",      "\r",
                                  "\n", " ", "=",   kZone, "\x83", "[ITEM01]", "[COM]"};
    std::mt19937 rng(11);
    auto below = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); };
    for (int round = 0; round < 400; ++round) {
        ScheduleList list;
        const int n = below(5);
        for (int i = 0; i < n; ++i) {
            std::string name;
            for (int p = below(3); p > 0; --p) {
                name += pieces[below(static_cast<int>(std::size(pieces)))];
            }
            std::array<std::int32_t, 9> v{};
            for (auto& x : v) {
                x = below(3) == 0 ? INT32_MIN + below(2) : below(200) - 100;
            }
            list.AddTail(Item(name, v));
        }
        const std::int32_t tray = below(3) - 1;
        const std::string old = "[OLD]\r\nk=1\r\n";

        MemoryFileOps ops;
        ops.files["s"] = old;
        SaveSettings(list, tray, "s", ops);

        MemoryFileOps refOps;
        refOps.files["s"] = old;
        CProfileFile ref(refOps);
        ref.Load("s");
        ref.Clear();
        ref.SetSection("COM");
        ref.SetInt("size", list.GetCount());
        ref.SetInt("tasktray", tray);
        for (int i = 0; i < list.GetCount(); ++i) {
            const CScheduleItem& it = list.GetAt(i);
            char section[24];
            std::snprintf(section, sizeof section, "ITEM%02d", i);
            ref.SetSection(section);
            ref.SetString("name", it.name);
            ref.SetInt("time_mode", it.time_mode);
            ref.SetInt("year", it.year);
            ref.SetInt("month", it.month);
            ref.SetInt("day", it.day);
            ref.SetInt("week", it.week);
            ref.SetInt("hour", it.hour);
            ref.SetInt("minute", it.minute);
            ref.SetInt("second", it.second);
            ref.SetInt("sd_mode", it.sd_mode);
        }
        ref.Save();
        ASSERT_EQ(ops.files["s"], refOps.files["s"]) << "round " << round;
    }
}

} // namespace
