#include "settings/ProfileFile.h"
#include "settings/ProfileLine.h"
#include "settings/ProfileFileError.h"

#include "MemoryFileOps.h"
#include "ProfileModel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>

namespace {

using Lines = std::vector<std::string>;

// "ゾーン" in CP932: 83 5D 81 5B 83 93, a ']' and a '[' as second bytes.
const std::string kZone = "\x83\x5D\x81\x5B\x83\x93";

class ProfileFileTest : public ::testing::Test {
protected:
    // A store loaded from the given bytes.
    CProfileFile& Loaded(const std::string& bytes) {
        ops.files["f"] = bytes;
        store.Load("f");
        return store;
    }
    CProfileFile& WithLines(const Lines& lines) {
        std::string bytes;
        for (const auto& l : lines) {
            bytes += l + "\r\n";
        }
        return Loaded(bytes);
    }
    std::string Saved() {
        store.Save();
        return ops.files["f"];
    }

    MemoryFileOps ops;
    CProfileFile store{ops};
};

TEST_F(ProfileFileTest, MissingAndEmptyFilesGiveNoLinesAndDefaults) {
    store.Load("missing");
    EXPECT_EQ(store.GetPath(), "missing");
    EXPECT_TRUE(store.GetLines().empty());
    Loaded("");
    EXPECT_TRUE(store.GetLines().empty());
    store.SetSection("COM");
    EXPECT_EQ(store.GetString("k", "dflt"), "dflt");
    EXPECT_EQ(store.GetInt("k", 42), 42);
    EXPECT_EQ(store.FindSectionEnd("COM"), -1);
    EXPECT_EQ(store.FindSectionEnd(""), 0);
    EXPECT_EQ(Saved(), ""); // no lines, zero-length file
}

TEST_F(ProfileFileTest, LineEndsCarriageReturnsAndEndOfFileByte) {
    EXPECT_EQ(Loaded("size=3\r\n").GetLines(), Lines{"size=3"});
    store.Clear();
    EXPECT_EQ(Loaded("a\nb\n").GetLines(), (Lines{"a", "b"}));
    store.Clear();
    // A lone CR stays; only the CR right before LF belongs to the line end.
    EXPECT_EQ(Loaded("a\rb\r\r\nc\r").GetLines(), (Lines{"a\rb\r", "c\r"}));
    store.Clear();
    // 0x1A ends the reading, even inside a line.
    EXPECT_EQ(Loaded("a\r\nb\x1A"
                     "c\r\nd\r\n")
                  .GetLines(),
              (Lines{"a", "b"}));
    store.Clear();
    EXPECT_EQ(Loaded("\x1A"
                     "a\r\n")
                  .GetLines(),
              Lines{});
    store.Clear();
    // Blank lines are lines; a final line end adds no empty line.
    EXPECT_EQ(Loaded("\r\n\n\r\n").GetLines(), (Lines{"", "", ""}));
    store.Clear();
    // A 0x00 byte is kept as a byte of its line.
    EXPECT_EQ(Loaded(std::string("k=a\0b\r\n", 7)).GetLines(), Lines{std::string("k=a\0b", 5)});
}

TEST_F(ProfileFileTest, LinesSpanningReadChunksAreReadWhole) {
    ops.readChunk = 3; // split lines, and CR from LF, across reads
    const std::string longLine(300000, 'x');
    EXPECT_EQ(Loaded("ab\r\ncd\r\n" + longLine).GetLines(), (Lines{"ab", "cd", longLine}));
    store.Clear();
    ops.readChunk = 1;
    EXPECT_EQ(Loaded("a\r\nb\r\r\n").GetLines(), (Lines{"a", "b\r"}));
}

TEST_F(ProfileFileTest, LoadAppendsAndSaveWritesCrLfAfterEveryLine) {
    Loaded("a\nb");
    ops.files["g"] = "c\r\n";
    store.Load("g");
    EXPECT_EQ(store.GetLines(), (Lines{"a", "b", "c"}));
    store.Save(); // to the path of the last Load
    EXPECT_EQ(ops.files["g"], "a\r\nb\r\nc\r\n");
    EXPECT_EQ(ops.files["f"], "a\nb");
    EXPECT_EQ(store.GetLines().size(), 3u);
}

TEST_F(ProfileFileTest, SaveRightAfterLoadWritesTheLinesWithCrLf) {
    // Bytes a save can write as read, and bytes it must rewrite.
    const std::string cases[] = {"a\r\nb\r\n",
                                 "\r\n\r\n",
                                 "a\rb\r\r\n",
                                 "a\r\nb\n",
                                 "\na\r\n",
                                 "a\r\nb",
                                 "a\r\nb\r",
                                 "x\x1A\r\n",
                                 std::string(40, 'k') + "\r\n" + std::string(40, 'v') + "\n\r\n",
                                 std::string(20, 'k') + "\n" + std::string(60, 'v') + "\r\n"};
    for (const std::string& bytes : cases) {
        for (const bool twice : {false, true}) {
            store.Clear();
            if (twice) {
                ops.files["e"] = "e\n";
                store.Load("e");
            }
            Loaded(bytes);
            Lines lines = ProfileModel::Parse(bytes);
            if (twice) {
                lines.insert(lines.begin(), "e");
            }
            EXPECT_EQ(Saved(), ProfileModel::Serialise(lines)) << bytes;
            EXPECT_EQ(store.GetLines(), lines);
        }
    }
}

TEST_F(ProfileFileTest, ReadErrorIsRaisedAndKeepsTheLinesReadSoFar) {
    ops.readChunk = 4;
    ops.failReadAfter = 8;
    EXPECT_THROW(Loaded("ab\r\ncd\r\nef\r\n"), CProfileFileError);
    EXPECT_EQ(store.GetLines(), (Lines{"ab", "cd"}));

    // The same past the first buffer, and with a line cut by the error.
    ops.readChunk = 1 << 20;
    ops.sizeHint = 0;
    std::string big;
    Lines lines;
    for (int i = 0; i < 20000; ++i) {
        lines.push_back("key" + std::to_string(i) + "=" + std::string(i % 7, 'v'));
        big += lines.back() + "\r\n";
    }
    ops.failReadAfter = big.size() - 3; // inside the last line
    store.Clear();
    EXPECT_THROW(Loaded(big), CProfileFileError);
    lines.pop_back();
    EXPECT_EQ(store.GetLines(), lines);
}

TEST_F(ProfileFileTest, LoadReadsWholeFilesWhateverSizeTheReaderReports) {
    std::string bytes;
    Lines lines;
    for (int i = 0; i < 30000; ++i) {
        lines.push_back(i % 100 == 0 ? "[S" + std::to_string(i) + "]"
                                     : "k" + std::to_string(i) + "=1");
        bytes += lines.back() + (i % 3 == 0 ? "\n" : "\r\n");
    }
    bytes += "tail";
    lines.push_back("tail");
    // Unknown, true, too small and too large sizes; reads of any length.
    for (const std::size_t hint :
         {std::size_t{0}, std::string::npos, std::size_t{10}, bytes.size() - 1, bytes.size() * 3}) {
        for (const std::size_t chunk : {std::size_t{1} << 20, std::size_t{4093}}) {
            ops.sizeHint = hint;
            ops.readChunk = chunk;
            store.Clear();
            EXPECT_EQ(Loaded(bytes).GetLines(), lines) << hint << " " << chunk;
            store.SetSection("S29900");
            EXPECT_EQ(store.GetInt("k29901", 0), 1);
        }
    }
    // 0x1A in a later read still ends the file there.
    ops.sizeHint = 0;
    ops.readChunk = 1000;
    store.Clear();
    EXPECT_EQ(Loaded(bytes.substr(0, 5000) + "\x1A" + bytes.substr(5000)).GetLines(),
              ProfileModel::Parse(bytes.substr(0, 5000)));
}

TEST_F(ProfileFileTest, SectionHeaderRuleCountsCharacters) {
    WithLines({"a[b]c", "k=1", "]x[", "k=2", "[[x]", "[x]]", "k=[x]", "[A] ", "k=3", "[]", "k=4",
               "[" + kZone + "]", "k=5", "name=" + kZone, "[k\x81]]", "k=6"});
    store.SetSection("abc");
    EXPECT_EQ(store.GetString("k", "-"), "1");
    store.SetSection("x");
    // "[[x]" and "[x]]" are key lines with the empty key, still in section x.
    EXPECT_EQ(store.GetString("k", "-"), "2");
    EXPECT_EQ(store.FindKey(""), 4);
    store.SetSection("k=x");
    EXPECT_EQ(store.GetString("k", "-"), "-");
    EXPECT_EQ(store.FindSectionEnd("k=x"), 7);
    store.SetSection("A ");
    EXPECT_EQ(store.GetString("k", "-"), "3");
    store.SetSection("A");
    EXPECT_EQ(store.GetString("k", "-"), "-");
    // "[]" names the empty section, like the lines above the first header.
    store.SetSection("");
    EXPECT_EQ(store.GetString("k", "-"), "4");
    store.SetSection(kZone);
    EXPECT_EQ(store.GetString("k", "-"), "5");
    EXPECT_EQ(store.GetString("name", "-"), kZone);
    // 0x81 0x5D is one character: only the last ']' counts.
    store.SetSection("k\x81]");
    EXPECT_EQ(store.GetString("k", "-"), "6");

    // Every edge of the lead-byte ranges 0x81-0x9F and 0xE0-0xFC, before '['
    // and before ']': a lead byte takes the bracket as its second byte, and
    // the line is then a key line of the empty section.
    const std::pair<char, bool> kEdges[] = {{'\x80', false}, {'\x81', true},  {'\x9F', true},
                                            {'\xA0', false}, {'\xDF', false}, {'\xE0', true},
                                            {'\xFC', true},  {'\xFD', false}};
    for (const auto& [byte, lead] : kEdges) {
        for (const bool beforeOpen : {true, false}) {
            const std::string b(1, byte);
            const std::string line = beforeOpen ? b + "[x]" : "[x" + b + "]";
            SCOPED_TRACE(testing::Message() << "byte " << std::hex << (byte & 0xFF) << " before "
                                            << (beforeOpen ? '[' : ']'));
            std::string name;
            EXPECT_EQ(ParseSectionHeader(line, &name), !lead);
            CProfileFile fresh(ops);
            ops.files["g"] = line + "\r\nk=1\r\n";
            fresh.Load("g");
            EXPECT_EQ(fresh.GetString("k", "-"), lead ? "1" : "-");
            if (!lead) {
                EXPECT_EQ(name, beforeOpen ? b + "x" : "x" + b);
                fresh.SetSection(name);
                EXPECT_EQ(fresh.GetString("k", "-"), "1");
            }
        }
    }
}

TEST_F(ProfileFileTest, KeyLinesAndFirstMatchAcrossBlocks) {
    WithLines({"top=0", "noequals", "[A]", "k=1", "a=b=c", "size =3", "[B]", "[A]", "k=2", "j=9"});
    EXPECT_EQ(store.GetString("top", "-"), "0"); // the empty section, as constructed
    EXPECT_EQ(store.GetString("", "-"), "noequals");
    store.SetSection("A");
    EXPECT_EQ(store.FindKey("k"), 3);
    EXPECT_EQ(store.GetString("k", "-"), "1");
    EXPECT_EQ(store.GetString("j", "-"), "9"); // found in the second block
    EXPECT_EQ(store.GetString("a", "-"), "b=c");
    EXPECT_EQ(store.GetString("size", "-"), "-");
    EXPECT_EQ(store.GetString("size ", "-"), "3");
    EXPECT_EQ(store.GetString("K", "-"), "-"); // case-sensitive
    EXPECT_EQ(store.GetValueAt(1), "noequals");
    EXPECT_EQ(store.GetValueAt(99), "");
    EXPECT_EQ(store.FindSectionEnd("A"), 6);
    EXPECT_EQ(store.FindSectionEnd("B"), 7);
    EXPECT_EQ(store.FindSectionEnd(""), 2);
    EXPECT_EQ(store.FindSectionEnd("C"), -1);
}

TEST_F(ProfileFileTest, GetIntFollowsAtoiAndSaturates) {
    WithLines({"[N]", "a=12abc", "b= -7", "c=abc", "d=", "e=+5", "f=\t\v 3", "g=2147483647",
               "h=2147483648", "i=-2147483648", "j=-2147483649", "k=99999999999999999999999",
               "l=-99999999999999999999", "m=- 5", "n=0012"});
    store.SetSection("N");
    const std::pair<const char*, std::int32_t> cases[] = {
        {"a", 12},      {"b", -7},      {"c", 0},       {"d", 0},       {"e", 5},
        {"f", 3},       {"g", INT_MAX}, {"h", INT_MAX}, {"i", INT_MIN}, {"j", INT_MIN},
        {"k", INT_MAX}, {"l", INT_MIN}, {"m", 0},       {"n", 12},      {"missing", -3}};
    for (const auto& [key, want] : cases) {
        EXPECT_EQ(store.GetInt(key, -3), want) << key;
    }
}

TEST_F(ProfileFileTest, SetStringReplacesInsertsAndAppends) {
    // Building a file from an empty store.
    store.SetSection("COM");
    store.SetInt("size", 2);
    store.SetInt("tasktray", 0);
    store.SetSection("ITEM00");
    store.SetString("name", "x");
    EXPECT_EQ(store.GetLines(), (Lines{"[COM]", "size=2", "tasktray=0", "[ITEM00]", "name=x"}));

    // Replace keeps the place.
    store.Clear();
    WithLines({"[A]", "k=1", "j=2"});
    store.SetSection("A");
    store.SetString("k", "5");
    EXPECT_EQ(store.GetLines(), (Lines{"[A]", "k=5", "j=2"}));

    // Insert goes to the end of the first block, after its blank lines.
    store.Clear();
    WithLines({"[A]", "k=1", "", "[B]", "m=1"});
    store.SetString("n", "2");
    EXPECT_EQ(store.GetLines(), (Lines{"[A]", "k=1", "", "n=2", "[B]", "m=1"}));

    store.Clear();
    WithLines({"[A]", "[B]", "[A]", "k=2"});
    EXPECT_EQ(store.GetString("k", "-"), "2");
    store.SetString("n", "1");
    EXPECT_EQ(store.GetLines(), (Lines{"[A]", "n=1", "[B]", "[A]", "k=2"}));

    // A header that only looks like "[A]" does not count.
    store.Clear();
    WithLines({"[A] ", "k=1"});
    store.SetString("k", "2");
    EXPECT_EQ(store.GetLines(), (Lines{"[A] ", "k=1", "[A]", "k=2"}));

    // The empty section: before the first header, or at the end; never "[]".
    store.Clear();
    store.SetSection("");
    WithLines({"a=1", "[A]"});
    store.SetString("b", "2");
    store.SetInt("c", -12);
    EXPECT_EQ(store.GetLines(), (Lines{"a=1", "b=2", "c=-12", "[A]"}));
    store.Clear();
    store.SetString("z", "1");
    EXPECT_EQ(store.GetLines(), Lines{"z=1"});
}

TEST_F(ProfileFileTest, ValueThatMakesAHeaderChangesLaterLookups) {
    // Values are not escaped: "name=[x]" is a header of the section "name=x",
    // and the keys after it move out of their section.
    WithLines({"[I]", "name=a", "hour=1"});
    store.SetSection("I");
    store.SetString("name", "[x]");
    EXPECT_EQ(store.GetString("name", "-"), "-");
    EXPECT_EQ(store.GetString("hour", "-"), "-");
    store.SetSection("name=x");
    EXPECT_EQ(store.GetString("hour", "-"), "1");
    store.SetSection("I");
    store.SetString("hour", "2");
    EXPECT_EQ(store.GetLines(), (Lines{"[I]", "hour=2", "name=[x]", "hour=1"}));
}

TEST_F(ProfileFileTest, InsertLineShiftsAndAppends) {
    WithLines({"[A]", "k=1", "[B]"});
    store.InsertLine(1, "[C]");
    store.SetSection("A");
    EXPECT_EQ(store.GetString("k", "-"), "-");
    store.SetSection("C");
    EXPECT_EQ(store.GetString("k", "-"), "1");
    store.InsertLine(4, "j=2"); // append, into section B
    store.SetSection("B");
    EXPECT_EQ(store.GetString("j", "-"), "2");
    store.InsertLine(9, "ignored");
    store.InsertLine(-1, "ignored");
    EXPECT_EQ(store.GetLines(), (Lines{"[A]", "[C]", "k=1", "[B]", "j=2"}));
}

} // namespace
