// The indexed store against the plain line-scanning model, on random files and
// random sequences of every operation.

#include "settings/ProfileFile.h"

#include "MemoryFileOps.h"
#include "ProfileModel.h"

#include <gtest/gtest.h>

#include <random>

namespace {

// Pieces that make headers, keys and odd bytes likely.
const char* const kPieces[] = {"[",   "]",    "=",    "A",  "B",    "k",        "j",        "\r",
                               "\n",  "\r\n", "\x1A", " ",  "\x81", "\x83\x5D", "\x81\x5B", "\xE0",
                               "[A]", "[B]",  "[]",   "k=", "1",    "-2",       "\x00",     "\xFC"};
const char* const kNames[] = {"", "A", "B", "A ", "k", "j", "x", "k=x", "\x83\x5D", "AB"};

class Fuzz {
public:
    explicit Fuzz(unsigned seed) : m_rng(seed) {}

    int Below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(m_rng); }

    std::string Text(int maxPieces) {
        std::string out;
        const int n = Below(maxPieces + 1);
        for (int i = 0; i < n; ++i) {
            const char* p = kPieces[Below(static_cast<int>(std::size(kPieces)))];
            out += *p == '\0' ? std::string(1, '\0') : std::string(p);
        }
        return out;
    }

    std::string Name() {
        return Below(4) == 0 ? Text(3) : kNames[Below(static_cast<int>(std::size(kNames)))];
    }

private:
    std::mt19937 m_rng;
};

void RunCase(unsigned seed) {
    Fuzz fz(seed);
    MemoryFileOps ops;
    ops.readChunk = 1 + static_cast<std::size_t>(fz.Below(64));
    CProfileFile store(ops);
    ProfileModel model;
    bool loaded = false; // Save needs the path of a Load

    for (int step = 0; step < 120; ++step) {
        const std::string name = fz.Name();
        const std::string text = fz.Text(4);
        switch (fz.Below(11)) {
        case 0: {
            const std::string bytes = fz.Text(60);
            ops.files["p"] = bytes;
            store.Load("p");
            loaded = true;
            for (auto& l : ProfileModel::Parse(bytes)) {
                model.lines.push_back(l);
            }
            break;
        }
        case 1:
            store.SetSection(name);
            model.section = name;
            break;
        case 2:
            ASSERT_EQ(store.FindKey(name), model.FindKey(name)) << "FindKey " << name;
            break;
        case 3:
            ASSERT_EQ(store.GetString(name, "def"), model.GetString(name, "def"));
            break;
        case 4:
            ASSERT_EQ(store.GetInt(name, -9), model.GetInt(name, -9));
            break;
        case 5:
            ASSERT_EQ(store.FindSectionEnd(name), model.FindSectionEnd(name)) << name;
            break;
        case 6: {
            const int at = fz.Below(static_cast<int>(model.lines.size()) + 1);
            store.InsertLine(at, text);
            model.InsertLine(at, text);
            break;
        }
        case 7:
            store.SetString(name, text);
            model.SetString(name, text);
            break;
        case 8: {
            const std::int32_t v = fz.Below(3) - 1 + (fz.Below(2) ? 0 : 2147483646);
            store.SetInt(name, v);
            model.SetInt(name, v);
            break;
        }
        case 9:
            if (fz.Below(8) == 0) {
                store.Clear();
                model.lines.clear();
            }
            break;
        default:
            if (!loaded) {
                break;
            }
            store.Save();
            ASSERT_EQ(ops.files["p"], ProfileModel::Serialise(model.lines));
            break;
        }
        ASSERT_EQ(store.GetLines(), model.lines) << "seed " << seed << " step " << step;
    }
}

TEST(ProfileDiffTest, IndexedStoreAnswersLikeTheLineScan) {
    for (unsigned seed = 1; seed <= 3000; ++seed) {
        RunCase(seed);
        if (HasFatalFailure()) {
            FAIL() << "seed " << seed;
        }
    }
}

} // namespace
