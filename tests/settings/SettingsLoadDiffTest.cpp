// LoadSettings reads a file in the saved layout in one pass and any other
// file by lookups. These tests load many random files, saved ones and saved
// ones with one change, both ways and compare the list, the flag and the
// rewritten bytes.

#include "settings/SettingsFile.h"

#include "MemoryFileOps.h"

#include <gtest/gtest.h>

#include <climits>
#include <random>
#include <vector>

namespace {

const char kPath[] = "Quillaberton.dat";

struct Loaded {
    std::vector<CScheduleItem> items;
    std::int32_t taskTray;
    std::string rewritten;
    SettingsOptions options{9, 9};
};

Loaded LoadWith(const std::string& bytes, SettingsLoadMode mode) {
    MemoryFileOps ops;
    ops.files[kPath] = bytes;
    ScheduleList list;
    CScheduleItem first; // entries already in the list stay in front
    first.name = "before";
    first.hour = 7;
    list.AddTail(first);
    Loaded out{{}, -12345, {}};
    LoadSettings(list, out.taskTray, out.options, kPath, ops, mode);
    for (int i = 0; i < list.GetCount(); ++i) {
        out.items.push_back(list.GetAt(i));
    }
    out.rewritten = ops.files[kPath];
    return out;
}

std::string Escaped(const std::string& bytes) {
    std::string out;
    for (const unsigned char c : bytes) {
        if (c == '\n') {
            out += "\\n\n";
        } else if (c >= 0x20 && c < 0x7F) {
            out += static_cast<char>(c);
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        }
    }
    return out;
}

void ExpectSameLoad(const std::string& bytes) {
    const Loaded fast = LoadWith(bytes, SettingsLoadMode::Auto);
    const Loaded slow = LoadWith(bytes, SettingsLoadMode::Lookup);
    ASSERT_EQ(fast.items.size(), slow.items.size()) << Escaped(bytes);
    for (std::size_t i = 0; i < fast.items.size(); ++i) {
        const CScheduleItem& a = fast.items[i];
        const CScheduleItem& b = slow.items[i];
        ASSERT_EQ(a.name, b.name) << "entry " << i << " of\n" << Escaped(bytes);
        const std::vector<std::int32_t> na = {a.time_mode, a.year,   a.month,  a.day,     a.week,
                                              a.hour,      a.minute, a.second, a.sd_mode, a.wake};
        const std::vector<std::int32_t> nb = {b.time_mode, b.year,   b.month,  b.day,     b.week,
                                              b.hour,      b.minute, b.second, b.sd_mode, b.wake};
        ASSERT_EQ(na, nb) << "entry " << i << " of\n" << Escaped(bytes);
    }
    ASSERT_EQ(fast.taskTray, slow.taskTray) << Escaped(bytes);
    ASSERT_EQ(fast.options, slow.options) << Escaped(bytes);
    ASSERT_EQ(fast.rewritten, slow.rewritten) << Escaped(bytes);
}

class RandomSettings {
public:
    explicit RandomSettings(unsigned seed) : m_rng(seed) {}

    int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(m_rng); }

    std::string Number() {
        static const std::int32_t kEdges[] = {0, 1, -1, 7, 62, 2025, INT_MAX, INT_MIN};
        return Pick(3) == 0 ? std::to_string(kEdges[Pick(8)]) : std::to_string(Pick(200) - 20);
    }

    // ASCII, blanks, '=', brackets and CP932 characters, some of whose second
    // bytes are 0x5B or 0x5D.
    std::string Name() {
        static const char* const kPieces[] = {"a",        "Z",        " ",        "=",
                                              "[",        "]",        "\x83\x5D", "\x81\x5B",
                                              "\x8E\x9E", "\xE0\x40", "x=y",      "ITEM00"};
        std::string name;
        for (int n = Pick(5); n > 0; --n) {
            name += kPieces[Pick(12)];
        }
        return name;
    }

    // The lines SaveSettings writes, for a random list and options.
    std::vector<std::string> SavedLines(int count) {
        std::vector<std::string> lines = {"[COM]", "size=" + std::to_string(count),
                                          "tasktray=" + Number()};
        for (const char* key : {"resume=", "fullscreen="}) {
            if (Pick(3) == 0) {
                lines.push_back(key + Number());
            }
        }
        static const char* const kKeys[] = {"time_mode", "year",   "month",  "day",    "week",
                                            "hour",      "minute", "second", "sd_mode"};
        for (int i = 0; i < count; ++i) {
            char header[24];
            std::snprintf(header, sizeof header, "[ITEM%02d]", i);
            lines.push_back(header);
            lines.push_back("name=" + Name());
            for (const char* key : kKeys) {
                lines.push_back(std::string(key) + "=" + Number());
            }
            if (Pick(3) == 0) {
                lines.push_back("wake=" + Number());
            }
        }
        return lines;
    }

    // A line that may fit somewhere in the layout, or may not.
    std::string StrayLine(const std::vector<std::string>& lines) {
        static const char* const kStrays[] = {
            "",         "x",         "[COM]",  "[ITEM00]", "[ITEM0]",     "[item00]",  "size=1",
            "name=[x]", "tasktray=", "=",      "[]",       "year=9",      "[ITEM00] ", "name",
            "sd_mode",  "; note",    "wake=1", "resume=1", "fullscreen=1"};
        return Pick(3) == 0 ? lines[static_cast<std::size_t>(Pick(static_cast<int>(lines.size())))]
                            : kStrays[Pick(19)];
    }

    // One random change to the lines of a saved file.
    void Mutate(std::vector<std::string>& lines) {
        const auto at = static_cast<std::size_t>(Pick(static_cast<int>(lines.size())));
        std::string& line = lines[at];
        const std::size_t eq = line.find('=');
        switch (Pick(10)) {
        case 0: { // another size; a large one would load 2^31 - 1 entries
            static const char* const kSizes[] = {"0",  "-1",          " 2",           "+1",
                                                 "01", "2abc",        "3 ",           "",
                                                 "x",  "-4294967294", "-99999999999", "1.0"};
            lines[1] = "size=" + std::string(kSizes[Pick(12)]);
            if (Pick(2) == 0) {
                const int count = static_cast<int>(lines.size() - 3) / 11;
                lines[1] = "size=" + std::to_string(count + Pick(5) - 2);
            }
            break;
        }
        case 1: // a line less
            lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(at));
            break;
        case 2: // a line more, maybe a copy
            lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at), StrayLine(lines));
            break;
        case 3: { // two lines swapped
            const auto other = static_cast<std::size_t>(Pick(static_cast<int>(lines.size())));
            std::swap(lines[at], lines[other]);
            break;
        }
        case 4: // a line replaced
            line = StrayLine(lines);
            break;
        case 5: // a value that is not plainly a number
            if (eq != std::string::npos) {
                static const char* const kValues[] = {" 5",  "\t-3",  "5x", "x5",   "",        "+",
                                                      "--1", "12 34", "[",  "a]b[", "\x83\x5D"};
                line = line.substr(0, eq + 1) + kValues[Pick(11)];
            }
            break;
        case 6: // a blank inside the key or header
            line.insert(eq != std::string::npos && Pick(2) == 0 ? eq : line.size(), " ");
            break;
        case 7: // the key's first letter changed
            if (!line.empty()) {
                line[0] = static_cast<char>(line[0] == 'n' ? 'N' : line[0] ^ 0x20);
            }
            break;
        case 8: // another header number
            if (line.starts_with("[ITEM")) {
                char header[24];
                std::snprintf(header, sizeof header, Pick(2) ? "[ITEM%02d]" : "[ITEM%03d]",
                              Pick(12));
                line = header;
            } else {
                static const char* const kComs[] = {"[COM] ", "COM]", "[COM ]", "[COMM]"};
                lines[0] = kComs[Pick(4)];
            }
            break;
        default: // a name that makes a header
            for (std::string& l : lines) {
                if (l.starts_with("name=") && Pick(2) == 0) {
                    l = "name=" + std::string(Pick(2) == 0 ? "[x]" : "a]b[c");
                    break;
                }
            }
            break;
        }
    }

    // The bytes, mostly with CR LF; sometimes LF alone, a missing last line
    // end or bytes after the last line.
    std::string Bytes(const std::vector<std::string>& lines) {
        const int ends = Pick(6);
        const auto odd = static_cast<std::size_t>(Pick(static_cast<int>(lines.size()) + 1));
        std::string out;
        for (std::size_t i = 0; i < lines.size(); ++i) {
            out += lines[i];
            out += ends == 1 || (ends == 2 && i == odd) ? "\n" : "\r\n";
        }
        if (ends == 3 && !out.empty()) {
            out.resize(out.size() - 2);
        } else if (ends == 4) {
            out += Pick(2) == 0 ? "\r" : "junk";
        }
        return out;
    }

private:
    std::mt19937 m_rng;
};

TEST(SettingsLoadDiffTest, SavedFilesLoadAlikeBothWays) {
    RandomSettings rnd(20261208);
    for (int n = 0; n < 400; ++n) {
        const int count = n % 50 == 0 ? 101 : rnd.Pick(6);
        ExpectSameLoad(rnd.Bytes(rnd.SavedLines(count)));
    }
}

TEST(SettingsLoadDiffTest, ChangedFilesLoadAlikeBothWays) {
    RandomSettings rnd(77);
    for (int n = 0; n < 3000; ++n) {
        std::vector<std::string> lines = rnd.SavedLines(n % 300 == 0 ? 101 : rnd.Pick(5));
        rnd.Mutate(lines);
        if (rnd.Pick(4) == 0) {
            rnd.Mutate(lines);
        }
        ExpectSameLoad(rnd.Bytes(lines));
    }
}

TEST(SettingsLoadDiffTest, ChosenFilesLoadAlikeBothWays) {
    const std::vector<std::string> files = {
        "",
        "\r\n",
        "[COM]\r\n",
        "[COM]\r\nsize=0\r\n",
        "[COM]\r\nsize=0\r\ntasktray=1\r\n",
        "[COM]\r\nsize=0\r\ntasktray=[1]\r\n",
        "[COM]\r\nsize=0\r\ntasktray\r\n",
        "[COM]\r\ntasktray=1\r\nsize=0\r\n",
        // "[ITEM00]" is right, but its keys are one line down.
        "[COM]\r\nsize=1\r\ntasktray=1\r\n[ITEM00]\r\nx\r\nname=a\r\ntime_mode=1\r\nyear=2\r\n"
        "month=3\r\nday=4\r\nweek=5\r\nhour=6\r\nminute=7\r\n",
        "[COM]\r\nsize=1\r\ntasktray=1\r\n[ITEM00]\r\nname=\x83\x5D\x81\x5B\r\ntime_mode=1\r\n"
        "year=2\r\nmonth=3\r\nday=4\r\nweek=5\r\nhour=6\r\nminute=7\r\nsecond=8\r\nsd_mode=9\r\n",
        "[COM]\r\nsize=1\r\ntasktray=1\r\n[ITEM00]\r\nname=[x]\r\ntime_mode=1\r\n"
        "year=2\r\nmonth=3\r\nday=4\r\nweek=5\r\nhour=6\r\nminute=7\r\nsecond=8\r\nsd_mode=9\r\n",
        "[COM]\r\nsize= 1x\r\ntasktray=-0\r\n[ITEM00]\r\nname==\r\ntime_mode=99999999999\r\n"
        "year=-99999999999\r\nmonth= +3\r\nday=4\r\nweek=5\r\nhour=6\r\nminute=7\r\nsecond=8\r\n"
        "sd_mode=9",
    };
    for (const std::string& bytes : files) {
        ExpectSameLoad(bytes);
    }
}

} // namespace
