#pragma once

#include "settings/SettingsFile.h"

// The settings file on disk: LoadSettings and SaveSettings with the real file
// operations (CStdFileOps).
LoadStatus LoadSettings(ScheduleList& list, std::int32_t& taskTray,
                        const std::string& path = kSettingsFileName,
                        const Utf8ToCp932& toCp932 = {});
SaveStatus SaveSettings(const ScheduleList& list, std::int32_t taskTray,
                        const std::string& path = kSettingsFileName);
// The same with the options.
LoadStatus LoadSettings(ScheduleList& list, std::int32_t& taskTray, SettingsOptions& options,
                        const std::string& path = kSettingsFileName,
                        const Utf8ToCp932& toCp932 = {});
SaveStatus SaveSettings(const ScheduleList& list, std::int32_t taskTray,
                        const SettingsOptions& options,
                        const std::string& path = kSettingsFileName);
