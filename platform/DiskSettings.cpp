#include "platform/DiskSettings.h"

#include "platform/StdFileOps.h"

LoadStatus LoadSettings(ScheduleList& list, std::int32_t& taskTray, const std::string& path,
                        const Utf8ToCp932& toCp932) {
    CStdFileOps ops;
    return LoadSettings(list, taskTray, path, ops, SettingsLoadMode::Auto, toCp932);
}

SaveStatus SaveSettings(const ScheduleList& list, std::int32_t taskTray, const std::string& path) {
    CStdFileOps ops;
    return SaveSettings(list, taskTray, path, ops);
}

LoadStatus LoadSettings(ScheduleList& list, std::int32_t& taskTray, SettingsOptions& options,
                        const std::string& path, const Utf8ToCp932& toCp932) {
    CStdFileOps ops;
    return LoadSettings(list, taskTray, options, path, ops, SettingsLoadMode::Auto, toCp932);
}

SaveStatus SaveSettings(const ScheduleList& list, std::int32_t taskTray,
                        const SettingsOptions& options, const std::string& path) {
    CStdFileOps ops;
    return SaveSettings(list, taskTray, options, path, ops);
}
