// Saving replaces the file in one step: faults and crashes at every step of a
// save leave the old file or the new one, and no temporary file.

#include "settings/ProfileFile.h"
#include "settings/ProfileFileError.h"
#include "settings/SettingsFile.h"

#include "FaultFileOps.h"
#include "FileBytes.h"
#include "TempDir.h"

#include <gtest/gtest.h>

namespace {

const std::string kOld = "[COM]\r\nsize=0\r\ntasktray=1\r\n";

struct StepCase {
    FileStep step;
    int on;
    // A failure part way is raised and leaves the old file. When the
    // temporary cannot be made or put in place, the file is written in place.
    bool inPlace;
};

// Each step of a save of more than one write chunk.
const StepCase kSteps[] = {
    {FileStep::OpenTemp, 1, true}, {FileStep::Write, 1, false}, {FileStep::Write, 2, false},
    {FileStep::Flush, 1, false},   {FileStep::Close, 1, false}, {FileStep::Replace, 1, true},
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
        CProfileFile reference;
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

TEST_F(AtomicSaveTest, FailedStepLeavesTheOldFileOrWritesInPlaceAndNoTemporary) {
    const std::string fresh = Fresh();
    for (const bool existed : {true, false}) {
        for (const StepCase& c : kSteps) {
            // Then the write in place fails too: reported, and the old file stays.
            for (const bool inPlaceFails : {false, true}) {
                if (inPlaceFails && !c.inPlace) {
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
                if (inPlaceFails) {
                    ops.alsoFail = FileStep::OpenInPlace;
                }
                bool saved = false;
                if (c.inPlace) {
                    EXPECT_NO_THROW(saved = store.Save());
                } else {
                    try {
                        store.Save();
                        ADD_FAILURE() << "no error raised";
                    } catch (const CProfileFileError& e) {
                        EXPECT_EQ(e.SystemError(), FaultError(c.step));
                    }
                }
                const bool written = c.inPlace && !inPlaceFails;
                EXPECT_EQ(saved, written);
                EXPECT_EQ(store.GetSaveError(),
                          inPlaceFails ? FaultError(FileStep::OpenInPlace) : 0);
                EXPECT_EQ(ops.Count(FileStep::OpenInPlace), c.inPlace ? 1 : 0);
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
                // The temporary is removed exactly when one was made.
                EXPECT_EQ(ops.Count(FileStep::RemoveTemp), c.step == FileStep::OpenTemp ? 0 : 1);
                EXPECT_EQ(store.GetLines().size(), 200001u); // the store is untouched
            }
        }
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
    CProfileFile store;
    store.Load(path); // a folder is no file to read
    EXPECT_TRUE(store.GetLines().empty());
    store.SetString("k", "v");
    EXPECT_FALSE(store.Save());
    EXPECT_NE(store.GetSaveError(), 0u);
    EXPECT_TRUE(std::filesystem::is_directory(path));
    EXPECT_EQ(dir.Names(), std::set<std::string>{"Quillaberton.dat"});

    CProfileFile unnamed; // never loaded: no path to save to
    unnamed.SetString("k", "v");
    EXPECT_FALSE(unnamed.Save());
}

TEST_F(AtomicSaveTest, TemporaryThatCannotBeRemovedGivesAWriteInPlace) {
    ASSERT_TRUE(WriteBytes(path, kOld));
    // A folder in the temporary's place: it can be neither removed nor opened.
    std::filesystem::create_directories(path + ".tmp/inside");
    ScheduleList empty;
    const SaveStatus status = SaveSettings(empty, 0, path);
    EXPECT_TRUE(status.saved);
    EXPECT_EQ(ReadBytes(path), "[COM]\r\nsize=0\r\ntasktray=0\r\n");
    EXPECT_TRUE(std::filesystem::is_directory(path + ".tmp/inside"));
}

TEST_F(AtomicSaveTest, LoadSettingsReadErrorIsRaisedAndNothingIsWritten) {
    ASSERT_TRUE(WriteBytes(path, kOld));
    FaultFileOps ops;
    ops.faultStep = FileStep::Read;
    ops.faultOn = 1;
    ScheduleList list;
    std::int32_t tray = 0;
    EXPECT_THROW(LoadSettings(list, tray, path, ops), CProfileFileError);
    EXPECT_EQ(ops.Count(FileStep::OpenTemp), 0);
    EXPECT_EQ(ReadBytes(path), kOld);
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
