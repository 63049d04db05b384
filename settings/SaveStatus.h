#pragma once

#include <cstdint>
#include <string>

// What a failed save left where the file is.
enum class SaveLeft {
    OldFile,        // the file as it was before the save; it exists
    NoFile,         // there was no file before the save and there is none now
    OldInTemporary, // no file, or an empty one: an earlier save's list waits in heldIn, and
                    // the next start reads it from there; this save's list is not on disk
    NewInTemporary, // no file, or an empty one: this save's list waits in heldIn, and the
                    // next start reads it from there
    Damaged,        // a write in place stopped part way and could not be undone
};

// What a save of the settings file did.
struct SaveStatus {
    bool saved = false;
    // The system's error number when not saved (a Win32 error code on
    // Windows, errno elsewhere); 0 when the system gave none.
    std::uint32_t error = 0;
    SaveLeft left = SaveLeft::OldFile; // when not saved
    // OldInTemporary, NewInTemporary: the temporary file that holds the list.
    std::string heldIn;
};
