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
    bool raises; // a failure part way is raised; a refused open or replace is not
};

// Each step of a save of more than one write chunk.
const StepCase kSteps[] = {
    {FileStep::OpenTemp, 1, false}, {FileStep::Write, 1, true}, {FileStep::Write, 2, true},
    {FileStep::Flush, 1, true},     {FileStep::Close, 1, true}, {FileStep::Replace, 1, false},
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

    TempDir dir;
    const std::string path = dir.Path("Quillaberton.dat");
};

TEST_F(AtomicSaveTest, FailedStepLeavesTheOldFileAndNoTemporary) {
    for (const bool existed : {true, false}) {
        for (const StepCase& c : kSteps) {
            std::filesystem::remove(path);
            if (existed) {
                ASSERT_TRUE(WriteBytes(path, kOld));
            }
            FaultFileOps ops;
            CProfileFile store(ops);
            Prepare(store);
            ops.faultStep = c.step;
            ops.faultOn = c.on;
            if (c.raises) {
                EXPECT_THROW(store.Save(), CProfileFileError);
            } else {
                EXPECT_NO_THROW(store.Save());
            }
            const auto names = dir.Names();
            if (existed) {
                EXPECT_EQ(ReadBytes(path), kOld);
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

TEST_F(AtomicSaveTest, CrashAtAnyStepLeavesTheOldFileOrTheNewOne) {
    CProfileFile reference;
    Prepare(reference);
    std::string fresh;
    for (const auto& l : reference.GetLines()) {
        fresh += l + "\r\n";
    }
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

TEST_F(AtomicSaveTest, TargetThatIsAFolderOrHasNoPathIsLeftAlone) {
    std::filesystem::create_directory(path);
    CProfileFile store;
    store.Load(path); // a folder is no file to read
    EXPECT_TRUE(store.GetLines().empty());
    store.SetString("k", "v");
    EXPECT_NO_THROW(store.Save());
    EXPECT_TRUE(std::filesystem::is_directory(path));
    EXPECT_EQ(dir.Names(), std::set<std::string>{"Quillaberton.dat"});

    CProfileFile unnamed; // never loaded: no path to save to
    unnamed.SetString("k", "v");
    EXPECT_NO_THROW(unnamed.Save());
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
