// Saving replaces the file in one step: faults and crashes at every step of a
// save leave the old file or the new one, and no temporary file.

#include "settings/ProfileFile.h"
#include "settings/ProfileFileError.h"
#include "platform/DiskSettings.h"
#include "platform/StdFileOps.h"
#include "settings/SettingsFile.h"

#include "FaultFileOps.h"
#include "MemoryFileOps.h"
#include "FileBytes.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

const std::string kOld = "[COM]\r\nsize=0\r\ntasktray=1\r\n";

using Failure = IFileOps::CreateFailure;

enum class Outcome {
    Raised,   // a failure part way: raised, the old file stays
    Reported, // reported, the old file stays
    InPlace,  // the folder refuses new files: the file is written in place
    Second,   // the first temporary name is taken: saved through the second
};

struct StepCase {
    FileStep step;
    int on;
    Outcome outcome;
    int times = 1;
    Failure failure = Failure::Other; // at OpenTemp
};

// Each step of a save of more than one write chunk.
const StepCase kSteps[] = {
    {FileStep::OpenTemp, 1, Outcome::InPlace, 2, Failure::FolderRefuses},
    {FileStep::OpenTemp, 1, Outcome::Reported}, // a full disk, a quota
    {FileStep::OpenTemp, 1, Outcome::Second, 1, Failure::NameTaken},
    {FileStep::OpenTemp, 1, Outcome::Reported, 2, Failure::NameTaken},
    {FileStep::Write, 1, Outcome::Raised},
    {FileStep::Write, 2, Outcome::Raised},
    {FileStep::Flush, 1, Outcome::Raised},
    {FileStep::Close, 1, Outcome::Raised},
    {FileStep::Replace, 1, Outcome::Reported},
};

class AtomicSaveTest : public ::testing::Test {
protected:
    // A store holding about 2.5 MB of new lines, loaded from the old file.
    void Prepare(CProfileFile& store) {
        store.Load(path);
        store.Clear();
        store.SetSection("COM");
        for (int i = 0; i < 200000; ++i) {
            store.SetInt("k" + std::to_string(i), i);
        }
    }
    std::string Fresh() {
        CStdFileOps ops;
        CProfileFile reference(ops);
        Prepare(reference);
        std::string bytes;
        for (const auto& l : reference.GetLines()) {
            bytes += l + "\r\n";
        }
        return bytes;
    }

    TempDir dir;
    const std::string path = dir.Path("Quillaberton.dat");
};

TEST_F(AtomicSaveTest, FailedStepLeavesTheOldFileOrSavesAnotherWayAndNoTemporary) {
    const std::string fresh = Fresh();
    for (const bool existed : {true, false}) {
        for (const StepCase& c : kSteps) {
            // Then the write in place fails too: reported, and the old file stays.
            for (const bool inPlaceFails : {false, true}) {
                const bool inPlace = c.outcome == Outcome::InPlace;
                if (inPlaceFails && !inPlace) {
                    continue;
                }
                std::filesystem::remove(path);
                if (existed) {
                    ASSERT_TRUE(WriteBytes(path, kOld));
                }
                FaultFileOps ops;
                CProfileFile store(ops);
                Prepare(store);
                ops.faultStep = c.step;
                ops.faultOn = c.on;
                ops.faultTimes = c.times;
                ops.tempFault = c.failure;
                if (inPlaceFails) {
                    ops.alsoFail = FileStep::OpenInPlace;
                }
                bool saved = false;
                if (c.outcome != Outcome::Raised) {
                    EXPECT_NO_THROW(saved = store.Save());
                } else {
                    try {
                        store.Save();
                        ADD_FAILURE() << "no error raised";
                    } catch (const CProfileFileError& e) {
                        EXPECT_EQ(e.SystemError(), FaultError(c.step));
                        EXPECT_EQ(e.Left(), SaveLeft::OldFile);
                    }
                }
                const bool written = (inPlace && !inPlaceFails) || c.outcome == Outcome::Second;
                EXPECT_EQ(saved, written);
                EXPECT_EQ(store.GetSaveError(), inPlaceFails ? FaultError(FileStep::OpenInPlace)
                                                : c.outcome == Outcome::Reported
                                                    ? FaultError(c.step)
                                                    : 0);
                EXPECT_EQ(ops.Count(FileStep::OpenInPlace), inPlace ? 1 : 0);
                if (written) {
                    EXPECT_EQ(ReadBytes(path), fresh);
                } else if (existed) {
                    EXPECT_EQ(ReadBytes(path), kOld);
                }
                const auto names = dir.Names();
                if (existed || written) {
                    EXPECT_EQ(names, std::set<std::string>{"Quillaberton.dat"});
                } else {
                    EXPECT_TRUE(names.empty());
                }
                EXPECT_EQ(store.GetLines().size(), 200001u); // the store is untouched
            }
        }
    }
}

// Where the folder refuses new files, a write in place that stops part way
// (a full disk) puts the old bytes back, or says that it could not.
TEST_F(AtomicSaveTest, FailedWriteInPlacePutsTheOldBytesBack) {
    for (const bool undoFails : {false, true}) {
        ASSERT_TRUE(WriteBytes(path, kOld));
        FaultFileOps ops;
        CProfileFile store(ops);
        Prepare(store);
        ops.tempFault = Failure::FolderRefuses;
        ops.faultStep = FileStep::OpenTemp;
        ops.faultOn = 1;
        ops.faultTimes = 2;
        ops.alsoFail = FileStep::Write;
        if (!undoFails) { // only the second write of the new bytes fails
            ops.faultStep = FileStep::Write;
            ops.faultOn = 2;
            ops.faultTimes = 1;
            ops.alsoFail = FileStep::OpenTemp;
        }
        try {
            store.Save();
            ADD_FAILURE() << "no error raised";
        } catch (const CProfileFileError& e) {
            EXPECT_EQ(e.SystemError(), FaultError(FileStep::Write)); // the failed call's own
            EXPECT_EQ(e.Left(), undoFails ? SaveLeft::Damaged : SaveLeft::OldFile);
        }
        EXPECT_EQ(ReadBytes(path) == kOld, !undoFails);
        EXPECT_EQ(ops.Count(FileStep::OpenInPlace), 2);
    }
}

// A replace that took the old file away and could not move the new one in
// leaves the temporary file: it is all there is, and the next start takes it,
// with the lines of its options and of an entry's wake.
TEST_F(AtomicSaveTest, TemporaryIsKeptWhenTheOldFileIsAlreadyGone) {
    ScheduleList one;
    one.AddTail(CScheduleItem());
    CScheduleItem woken;
    woken.wake = 1;
    one.AddTail(woken);
    const SettingsOptions options{1, 1};
    ASSERT_TRUE(WriteBytes(path, kOld));
    FaultFileOps ops;
    ops.faultStep = FileStep::Replace;
    ops.faultOn = 1;
    ops.replaceFault = IFileOps::ReplaceResult::FailedMoved;
    const SaveStatus status = SaveSettings(one, 1, options, path, ops);
    EXPECT_FALSE(status.saved);
    EXPECT_EQ(status.left, SaveLeft::NewInTemporary);
    EXPECT_EQ(status.heldIn, path + ".tmp");
    const std::string saved = ReadBytes(path + ".tmp");

    // The next start: the file missing or empty, the temporary complete.
    for (const char* target : {static_cast<const char*>(nullptr), ""}) {
        std::filesystem::remove(path);
        ASSERT_TRUE(WriteBytes(path + ".tmp", saved));
        if (target != nullptr) {
            ASSERT_TRUE(WriteBytes(path, target));
        }
        ScheduleList list;
        std::int32_t tray = 0;
        SettingsOptions read;
        EXPECT_EQ(LoadSettings(list, tray, read, path).file, LoadStatus::File::Recovered);
        ASSERT_EQ(list.GetCount(), 2);
        EXPECT_EQ(list.GetAt(1).wake, 1);
        EXPECT_EQ(read, options);
        EXPECT_EQ(tray, 1);
        EXPECT_EQ(ReadBytes(path), saved);
        EXPECT_EQ(dir.Names(), std::set<std::string>{"Quillaberton.dat"});
    }
    // A temporary file cut short is no save: stale, and gone at the rewrite.
    for (const std::size_t cut : {saved.size() - 1, saved.size() - 2, saved.find("sd_mode")}) {
        std::filesystem::remove(path);
        ASSERT_TRUE(WriteBytes(path + ".tmp", saved.substr(0, cut)));
        ScheduleList list;
        std::int32_t tray = 0;
        EXPECT_EQ(LoadSettings(list, tray, path).file, LoadStatus::File::Missing) << cut;
        EXPECT_EQ(list.GetCount(), 0);
        EXPECT_EQ(ReadBytes(path), "");
    }
}

// A complete temporary file beside a missing or empty file (a replace that
// failed half way, a recovery that could not move it) is the only copy on
// disk: the next save keeps it until the file holds the newer list, whether
// that save succeeds or fails, and names the file the next start reads.
TEST_F(AtomicSaveTest, OnlyCompleteCopyInATemporarySurvivesTheNextSave) {
    using S = FileStep;
    using R = IFileOps::ReplaceResult;
    using L = SaveLeft;
    const std::string F = "Quillaberton.dat", T1 = F + ".tmp", T2 = F + ".tmp2";
    struct Row {
        S step;
        int times; // calls that fail, from the first on
        R replace;
        char start; // '-': nothing held; 't': a complete .tmp; 'r': which the start read
                    // but could not move into place
        L left;     // NoFile: OldFile for an empty file
        const char* heldIn;
        std::set<std::string> names;
        int loaded; // entries the next start reads
    };
    const Row rows[] = {
        {S::Write, 0, R::Failed, 't', L::OldFile, "", {F}, 2},
        {S::Write, 1, R::Failed, 't', L::OldInTemporary, ".tmp", {T1}, 1},
        {S::Write, 1, R::Failed, 'r', L::OldInTemporary, ".tmp", {T1}, 1},
        {S::Replace, 1, R::Failed, 't', L::OldInTemporary, ".tmp", {T1}, 1},
        {S::Replace, 1, R::FailedMoved, 't', L::NewInTemporary, ".tmp", {T1}, 2},
        {S::Replace, 2, R::FailedMoved, 't', L::NewInTemporary, ".tmp2", {T1, T2}, 2},
        {S::Write, 1, R::Failed, '-', L::NoFile, "", {}, 0},
    };
    ScheduleList one, two;
    one.AddTail(CScheduleItem());
    two = one;
    two.AddTail(CScheduleItem());
    for (const bool empty : {false, true}) {
        for (const Row& row : rows) {
            const std::string at = std::to_string(&row - rows) + (empty ? ", empty file" : "");
            std::filesystem::remove(path + ".tmp2");
            ASSERT_TRUE(SaveSettings(one, 1, SettingsOptions{1, 0}, path).saved);
            if (row.start != '-') {
                std::filesystem::rename(path, path + ".tmp");
            }
            ASSERT_TRUE(WriteBytes(path, ""));
            if (!empty) {
                std::filesystem::remove(path);
            }
            FaultFileOps ops;
            ops.faultStep = S::Replace; // the start's move into place
            ops.faultOn = 1;
            ScheduleList list;
            std::int32_t tray = 0;
            if (row.start == 'r') {
                SettingsOptions read;
                EXPECT_EQ(LoadSettings(list, tray, read, path, ops).file,
                          LoadStatus::File::Recovered);
                EXPECT_EQ(list.GetCount() + tray + read.resume, 3) << at;
                ops.calls.clear();
            }
            ops.faultStep = row.step;
            ops.faultOn = row.times > 0 ? 1 : 0;
            ops.faultTimes = row.times;
            ops.replaceFault = row.replace;
            const SaveStatus status = SaveSettings(two, 1, path, ops);
            EXPECT_EQ(status.saved, row.times == 0) << at;
            EXPECT_EQ(status.left, empty && row.left == L::NoFile ? L::OldFile : row.left) << at;
            EXPECT_EQ(status.heldIn, *row.heldIn ? path + row.heldIn : "") << at;
            std::set<std::string> names = row.names;
            if (empty) {
                names.insert(F);
            }
            EXPECT_EQ(dir.Names(), names) << at;
            list.RemoveAll();
            LoadSettings(list, tray, path);
            EXPECT_EQ(list.GetCount(), row.loaded) << at;
        }
    }
}

// A file another program holds is tried again for 2 s; one that stays
// unreadable is reported and never written over.
TEST_F(AtomicSaveTest, HeldOrUnreadableFileIsNeverTakenForAnEmptyOne) {
    for (const auto& [busy, loaded] : {std::pair{40u, true}, {41u, false}}) {
        MemoryFileOps ops;
        ops.files["s"] = kOld;
        ops.busyOpens = busy;
        ScheduleList list;
        std::int32_t tray = 0;
        const LoadStatus status = LoadSettings(list, tray, "s", ops);
        EXPECT_EQ(status.file, loaded ? LoadStatus::File::Read : LoadStatus::File::Unreadable);
        EXPECT_EQ(status.error, loaded ? 0u : MemoryFileOps::kBusy);
        EXPECT_EQ(tray, loaded ? 1 : 0);
        EXPECT_EQ(ops.pauses, 40);
        EXPECT_EQ(ops.saves, loaded ? 1 : 0);
    }
}

TEST_F(AtomicSaveTest, CrashAtAnyStepLeavesTheOldFileOrTheNewOne) {
    const std::string fresh = Fresh();
    for (const StepCase& c : kSteps) {
        ASSERT_TRUE(WriteBytes(path, kOld));
        FaultFileOps ops;
        CProfileFile store(ops);
        Prepare(store);
        ops.faultStep = c.step;
        ops.faultOn = c.on;
        ops.crash = true;
        EXPECT_THROW(store.Save(), SimulatedCrash);
        EXPECT_EQ(ReadBytes(path), kOld);
    }
    // Dying after the replace: the new file is complete.
    ASSERT_TRUE(WriteBytes(path, kOld));
    FaultFileOps ops;
    CProfileFile store(ops);
    Prepare(store);
    store.Save();
    EXPECT_EQ(ReadBytes(path), fresh);
    EXPECT_EQ(ops.calls.back(), FileStep::Replace);
}

TEST_F(AtomicSaveTest, StaleTemporaryIsReplacedNotFollowed) {
    ASSERT_TRUE(WriteBytes(path, kOld));
    ASSERT_TRUE(WriteBytes(path + ".tmp", "left by a crash"));
    ScheduleList empty;
    SaveSettings(empty, 0, path);
    EXPECT_EQ(ReadBytes(path), "[COM]\r\nsize=0\r\ntasktray=0\r\n");
    EXPECT_EQ(dir.Names(), std::set<std::string>{"Quillaberton.dat"});
}

TEST_F(AtomicSaveTest, TargetThatIsAFolderOrHasNoPathIsLeftAloneAndReported) {
    std::filesystem::create_directory(path);
    CStdFileOps ops;
    CProfileFile store(ops);
    store.Load(path); // a folder is no file to read
    EXPECT_TRUE(store.GetLines().empty());
    store.SetString("k", "v");
    EXPECT_FALSE(store.Save());
    EXPECT_NE(store.GetSaveError(), 0u);
    EXPECT_TRUE(std::filesystem::is_directory(path));
    EXPECT_EQ(dir.Names(), std::set<std::string>{"Quillaberton.dat"});

    CProfileFile unnamed(ops); // never loaded: no path to save to
    unnamed.SetString("k", "v");
    EXPECT_FALSE(unnamed.Save());
}

TEST_F(AtomicSaveTest, TemporaryThatCannotBeRemovedGivesTheSecondNameNotAWriteInPlace) {
    ASSERT_TRUE(WriteBytes(path, kOld));
    // A folder in the temporary's place: it can be neither removed nor opened.
    std::filesystem::create_directories(path + ".tmp/inside");
    FaultFileOps ops;
    ScheduleList empty;
    EXPECT_TRUE(SaveSettings(empty, 0, path, ops).saved);
    EXPECT_EQ(ops.Count(FileStep::OpenInPlace), 0);
    EXPECT_EQ(ReadBytes(path), "[COM]\r\nsize=0\r\ntasktray=0\r\n");
    EXPECT_EQ(dir.Names(), (std::set<std::string>{"Quillaberton.dat", "Quillaberton.dat.tmp"}));
}

#ifndef _WIN32
// A folder where the user may write the file but create none: access denied
// to both free temporary names, so the file is written in place.
TEST_F(AtomicSaveTest, FolderThatRefusesNewFilesGetsTheFileWrittenInPlace) {
    ASSERT_TRUE(WriteBytes(path, kOld));
    ASSERT_EQ(::chmod(path.c_str(), 0666), 0);
    ASSERT_EQ(::chmod(dir.Path("").c_str(), 0555), 0);
    const bool root = ::geteuid() == 0; // root may create anything: act as nobody
    ASSERT_TRUE(!root || ::seteuid(65534) == 0);
    FaultFileOps ops;
    const SaveStatus status = SaveSettings(ScheduleList(), 0, path, ops);
    ASSERT_TRUE(!root || ::seteuid(0) == 0);
    ::chmod(dir.Path("").c_str(), 0755);
    EXPECT_TRUE(status.saved);
    EXPECT_EQ(ops.Count(FileStep::OpenInPlace), 1);
}
#endif

TEST_F(AtomicSaveTest, LoadSettingsReadErrorIsReportedAndNothingIsWritten) {
    ASSERT_TRUE(WriteBytes(path, kOld));
    FaultFileOps ops;
    ops.faultStep = FileStep::Read;
    ops.faultOn = 1;
    ScheduleList list;
    std::int32_t tray = 0;
    const LoadStatus status = LoadSettings(list, tray, path, ops);
    EXPECT_EQ(status.file, LoadStatus::File::Unreadable);
    EXPECT_EQ(status.error, FaultError(FileStep::Read));
    EXPECT_EQ(ops.Count(FileStep::OpenTemp), 0);
    EXPECT_EQ(ReadBytes(path), kOld);
}

// Memory files where call `at` of a save's file operations fails (`again`:
// so does every later call of that operation) or the process dies before it;
// a replace may also fail or die half way, the old file gone.
class SaveFaults : public MemoryFileOps {
public:
    enum Kind { Fail, Moved, Kill, KillMoved } kind = Fail;
    bool again = false, hit = false, fired = false;
    int at = 0, calls = 0, op = 0;

    std::unique_ptr<Reader> OpenRead(const std::string& p) override {
        return Hit(1, p) ? nullptr : MemoryFileOps::OpenRead(p);
    }
    std::unique_ptr<Writer> OpenTemp(const std::string& t, const std::string& p) override {
        return Hit(2, t) ? nullptr : MemoryFileOps::OpenTemp(t, p);
    }
    CreateFailure LastCreateFailure() const override {
        return hit ? CreateFailure::Other : MemoryFileOps::LastCreateFailure();
    }
    ReplaceResult Replace(const std::string& temp, const std::string& target) override {
        return !Hit(3, target) ? MemoryFileOps::Replace(temp, target)
               : kind == Moved ? ReplaceResult::FailedMoved
                               : ReplaceResult::Failed;
    }
    bool RemoveTemp(const std::string& p) override {
        return !Hit(4, p) && MemoryFileOps::RemoveTemp(p);
    }
    std::uint32_t LastError() const override { return hit ? 9 : MemoryFileOps::LastError(); }
    bool Hit(int o, const std::string& target) {
        op = ++calls == at ? o : op;
        hit = (calls == at || (again && calls > at && o == op)) &&
              (o == 3 || kind == Fail || kind == Kill);
        fired = fired || hit;
        if (hit && o == 3 && (kind == Moved || kind == KillMoved)) {
            files.erase(target);
        }
        if (hit && kind >= Kill) {
            throw SimulatedCrash();
        }
        return hit;
    }
};

// Every sequence of up to three saves, each with a failure or a death at any
// one of its file operations, then a start: the start reads the list of the
// last save that said it saved, or a newer one, and removes no complete copy
// of a newer list (but beside a file that holds one: that save failed).
TEST(SaveSequence, AStartReadsTheNewestCompleteListAndKeepsIt) {
    using Files = std::map<std::string, std::string>;
    const std::string F = "Quillaberton.dat";
    std::vector<ScheduleList> lists(4); // version v: v + 1 entries
    std::vector<std::string> bytes;
    for (std::size_t v = 0; v < lists.size(); ++v) {
        for (std::size_t i = 0; i <= v; ++i) {
            lists[v].AddTail(CScheduleItem());
        }
        MemoryFileOps clean;
        SaveSettings(lists[v], 0, F, clean);
        bytes.push_back(clean.files[F]);
    }
    int starts = 0;
    const auto start = [&](Files& files, int saved, const std::string& at) {
        MemoryFileOps ops;
        ops.files = files;
        ScheduleList list;
        std::int32_t tray = 0;
        LoadSettings(list, tray, F, ops);
        const int loaded = list.GetCount() - 1;
        EXPECT_GE(loaded, saved) << at;
        for (const auto& [name, data] : files) {
            const auto v = std::find(bytes.begin(), bytes.end(), data) - bytes.begin();
            const bool beside = name != F && files.contains(F) && !files.at(F).empty();
            const bool kept = std::any_of(ops.files.begin(), ops.files.end(),
                                          [&](const auto& f) { return f.second == data; });
            EXPECT_TRUE(v <= loaded || v == 4 || beside || kept) << at << ": " << name << " " << v;
        }
        files = ops.files;
        ++starts;
    };
    std::function<void(Files, int, int, std::string)> run = [&](Files files, int v, int saved,
                                                                std::string at) {
        Files after = files;
        start(after, saved, at);
        for (int call = 0, any = v < 4; any; ++call) {
            any = false;
            for (int k = 0; k < 6; ++k) {
                SaveFaults ops;
                ops.files = files;
                ops.at = call;
                ops.kind = static_cast<SaveFaults::Kind>(k % 4);
                ops.again = k >= 4; // a failure, or a failed replace, that lasts
                bool ok = false;
                try {
                    ok = SaveSettings(lists[static_cast<std::size_t>(v)], 0, F, ops).saved;
                } catch (const SimulatedCrash&) {
                    start(ops.files, saved, at + " killed"); // the next save after a start
                }
                any = any || call <= ops.calls;
                if (call == 0 ? k == 0 : ops.fired) {
                    run(ops.files, v + 1, ok ? v : saved,
                        at + " save " + std::to_string(v) + ":" + std::to_string(call) + "/" +
                            std::to_string(k));
                }
            }
        }
    };
    MemoryFileOps first;
    SaveSettings(lists[0], 0, F, first);
    run(first.files, 1, 0, "");
    EXPECT_GT(starts, 10000);
}

#ifdef _WIN32
// These run the real MoveFileExW under Wine.

TEST_F(AtomicSaveTest, WindowsReplacesAnExistingFile) {
    ASSERT_TRUE(WriteBytes(path, std::string(100000, 'x')));
    ScheduleList empty;
    SaveSettings(empty, 1, path);
    EXPECT_EQ(ReadBytes(path), kOld);
    EXPECT_EQ(dir.Names(), std::set<std::string>{"Quillaberton.dat"});
}
#endif

} // namespace
