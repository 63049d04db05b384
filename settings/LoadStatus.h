#pragma once

#include <cstdint>

// What a load of the settings file found, for the program to tell the user.
struct LoadStatus {
    enum class File {
        Missing,    // no file: the first start
        Read,       // read as it is
        Recovered,  // the file was missing or empty; a complete temporary file
                    // that a save left behind took its place
        Unreadable, // the file exists but could not be read: nothing was
                    // loaded, and the file was not written
    };
    File file = File::Missing;
    // Unreadable: the system's error number (0 when the system gave none).
    std::uint32_t error = 0;
    // Entries left out because their section or one of their keys is missing.
    std::int32_t leftOut = 0;
    // Entries loaded with '?' for characters of their name that CP932 cannot
    // hold (a file saved as UTF-8).
    std::int32_t lossyNames = 0;
    // Whether the file was written straight back. A damaged or unreadable
    // file is not, so that it stays as it is until the user saves a change.
    bool rewritten = false;

    bool Damaged() const { return leftOut > 0 || lossyNames > 0; }
};
