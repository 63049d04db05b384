#pragma once

#include "schedule/ScheduleList.h"
#include "settings/FileOps.h"
#include "settings/SaveStatus.h"

#include <cstdint>
#include <string>

// The settings file, in the working directory by default.
inline constexpr char kSettingsFileName[] = "Quillaberton.dat";

// Appends the file's entries to list and sets taskTray (0 when missing), then
// writes the file straight back as it was read (a missing file becomes an
// empty one; a file that cannot be written is left alone). Raises
// CProfileFileError when reading or writing fails part way.
//
// The count of entries is honoured only up to the number of lines the file
// holds, so that loading costs time and memory in proportion to the file,
// never to a number written in it. Every count this program writes is far
// below that bound (each entry takes 11 lines).
void LoadSettings(ScheduleList& list, std::int32_t& taskTray,
                  const std::string& path = kSettingsFileName);
// How LoadSettings finds the entries; both give the same results.
enum class SettingsLoadMode {
    Auto,   // in two passes over the lines, without indexing them
    Lookup, // by looking up each section and key in the store
};
void LoadSettings(ScheduleList& list, std::int32_t& taskTray, const std::string& path,
                  IFileOps& ops, SettingsLoadMode mode = SettingsLoadMode::Auto);

// Replaces the file by the list and taskTray, atomically where the folder
// allows it, else by writing the file in place. Reports whether the file now
// holds them, and the system's reason when not; the old file then stays,
// unless writing it in place failed part way.
SaveStatus SaveSettings(const ScheduleList& list, std::int32_t taskTray,
                        const std::string& path = kSettingsFileName);
SaveStatus SaveSettings(const ScheduleList& list, std::int32_t taskTray, const std::string& path,
                        IFileOps& ops);
