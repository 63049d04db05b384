#pragma once

#include <cstdint>

// What a failed save left where the file is.
enum class SaveLeft {
    OldFile,        // the file as it was before the save (or still no file)
    NewInTemporary, // the old file is gone; the new bytes wait in the temporary file
    Damaged,        // a write in place stopped part way and could not be undone
};

// What a save of the settings file did.
struct SaveStatus {
    bool saved = false;
    // The system's error number when not saved (a Win32 error code on
    // Windows, errno elsewhere); 0 when the system gave none.
    std::uint32_t error = 0;
    SaveLeft left = SaveLeft::OldFile; // when not saved
};
