#pragma once

#include "schedule/ScheduleList.h"
#include "settings/FileOps.h"

#include <cstdint>
#include <string>

// The settings file, in the working directory by default.
inline constexpr char kSettingsFileName[] = "Quillaberton.dat";

// Appends the file's entries to list and sets taskTray (0 when missing), then
// writes the file straight back as it was read (a missing file becomes an
// empty one). Raises CProfileFileError when reading or writing fails part way.
void LoadSettings(ScheduleList& list, std::int32_t& taskTray,
                  const std::string& path = kSettingsFileName);
// How LoadSettings finds the entries; both give the same results.
enum class SettingsLoadMode {
    Auto,   // in one pass over the lines when they have exactly the saved layout
    Lookup, // always by looking up each section and key
};
void LoadSettings(ScheduleList& list, std::int32_t& taskTray, const std::string& path,
                  IFileOps& ops, SettingsLoadMode mode = SettingsLoadMode::Auto);

// Replaces the file by the list and taskTray, atomically: on any failure the
// old file stays. Raises CProfileFileError when writing fails part way.
void SaveSettings(const ScheduleList& list, std::int32_t taskTray,
                  const std::string& path = kSettingsFileName);
void SaveSettings(const ScheduleList& list, std::int32_t taskTray, const std::string& path,
                  IFileOps& ops);
