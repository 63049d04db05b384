#pragma once

#include "schedule/ScheduleList.h"
#include "settings/FileOps.h"
#include "settings/LoadStatus.h"
#include "settings/SaveStatus.h"
#include "settings/SettingsOptions.h"
#include "settings/Utf8ToCp932.h"

#include <cstdint>
#include <string>

// The settings file, in the working directory by default.
inline constexpr char kSettingsFileName[] = "Quillaberton.dat";

// Appends the file's entries to list and sets taskTray and options (each 0
// when missing), then writes the file straight back as it was read (a missing file becomes an
// empty one; a file that cannot be written is left alone).
//
// An entry is loaded only from an item section that holds every one of its
// ten keys; the others are left out and counted. Its "wake" key is optional
// and reads as 0 when missing. A file that exists but cannot
// be read gives nothing (a file another program holds is tried again for up
// to 2 s). A missing or empty file whose save was cut short is recovered from
// the complete temporary file left beside it (see SecondTempPathFor); one
// that cannot be moved into place is read where it is. A file that starts
// with a UTF-8 byte-order mark is read as UTF-8 and converted with toCp932.
// Damaged and unreadable files are not written back. The result says what
// was found.
//
// The count of entries is honoured only up to the number of lines the file
// holds, so that loading costs time and memory in proportion to the file,
// never to a number written in it. Every count this program writes is far
// below that bound (each entry takes 11 lines).
//
// Every file access goes through ops (platform/StdFileOps.h on disk).
enum class SettingsLoadMode {
    Auto,   // in two passes over the lines, without indexing them
    Lookup, // by looking up each section and key in the store
};
LoadStatus LoadSettings(ScheduleList& list, std::int32_t& taskTray, SettingsOptions& options,
                        const std::string& path, IFileOps& ops,
                        SettingsLoadMode mode = SettingsLoadMode::Auto,
                        const Utf8ToCp932& toCp932 = {});
// The same, without the options.
LoadStatus LoadSettings(ScheduleList& list, std::int32_t& taskTray, const std::string& path,
                        IFileOps& ops, SettingsLoadMode mode = SettingsLoadMode::Auto,
                        const Utf8ToCp932& toCp932 = {});

// Replaces the file by the list, taskTray and options in one step; only where the
// folder refuses new files, by writing the file in place. A complete save in
// a temporary file beside a missing or empty file stays until the file holds
// the new list. Reports whether the file now holds them, and when not, the
// system's reason and what is left: where no file holds a list, the
// temporary file the next start reads. Keys that hold their default (an
// option or an entry's "wake" of 0) are not written.
SaveStatus SaveSettings(const ScheduleList& list, std::int32_t taskTray,
                        const SettingsOptions& options, const std::string& path, IFileOps& ops);
// The same with every option 0.
SaveStatus SaveSettings(const ScheduleList& list, std::int32_t taskTray, const std::string& path,
                        IFileOps& ops);
