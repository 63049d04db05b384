#include "settings/SettingsFile.h"

#include "settings/ProfileFile.h"
#include "settings/ProfileFileError.h"
#include "settings/ProfileLine.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <optional>
#include <vector>

namespace {

// "ITEM%02d" of i.
std::string ItemSection(int i) {
    char buf[24] = "ITEM0";
    // One digit gets the leading zero; to_chars writes from there on.
    char* const at = i >= 0 && i < 10 ? buf + 5 : buf + 4;
    const auto res = std::to_chars(at, buf + sizeof buf, i);
    return std::string(buf, res.ptr);
}

// The nine number keys of an entry, in the order Save writes them.
constexpr std::array<std::pair<std::string_view, std::int32_t CScheduleItem::*>, 9> kNumberKeys = {{
    {"time_mode", &CScheduleItem::time_mode},
    {"year", &CScheduleItem::year},
    {"month", &CScheduleItem::month},
    {"day", &CScheduleItem::day},
    {"week", &CScheduleItem::week},
    {"hour", &CScheduleItem::hour},
    {"minute", &CScheduleItem::minute},
    {"second", &CScheduleItem::second},
    {"sd_mode", &CScheduleItem::sd_mode},
}};

// Reads the entries in one pass over the lines when they are exactly the
// layout Save writes, as they almost always are: a large file then loads
// without indexing every line and looking up every key. In that layout each
// lookup of the generic read finds the very line this pass takes, so the
// results are the same. Gives false, leaving list and taskTray as they were,
// for any other lines.
bool ReadSavedLayout(const CProfileFile& file, ScheduleList& list, std::int32_t& taskTray) {
    const int lines = file.GetLineCount();
    if (lines < 3 || (lines - 3) % 11 != 0) {
        return false;
    }
    const int count = (lines - 3) / 11;
    int at = 0;
    // The value of the next line when it is a key line with this key.
    auto value = [&](std::string_view key) -> std::optional<std::string_view> {
        const std::string_view line = file.GetLine(at++);
        if (!line.starts_with(key) || line.size() == key.size() || line[key.size()] != '=' ||
            ParseSectionHeader(line, nullptr)) {
            return std::nullopt;
        }
        return line.substr(key.size() + 1);
    };
    auto header = [&](std::string_view section) {
        const std::string_view line = file.GetLine(at++);
        return line.size() == section.size() + 2 && line.front() == '[' && line.back() == ']' &&
               line.substr(1, section.size()) == section;
    };
    if (!header("COM")) {
        return false;
    }
    const auto size = value("size");
    const auto tray = value("tasktray");
    if (!size || !tray || ParseInt(*size) != count) {
        return false;
    }
    std::vector<CScheduleItem> items(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        CScheduleItem& item = items[static_cast<std::size_t>(i)];
        const auto name = header(ItemSection(i)) ? value("name") : std::nullopt;
        if (!name) {
            return false;
        }
        item.name = *name;
        for (const auto& [key, field] : kNumberKeys) {
            const auto number = value(key);
            if (!number) {
                return false;
            }
            item.*field = ParseInt(*number);
        }
    }
    taskTray = ParseInt(*tray);
    for (const CScheduleItem& item : items) {
        list.AddTail(item);
    }
    return true;
}

void Load(CProfileFile& file, ScheduleList& list, std::int32_t& taskTray, const std::string& path,
          SettingsLoadMode mode) {
    file.Load(path);
    if (mode == SettingsLoadMode::Auto && ReadSavedLayout(file, list, taskTray)) {
        file.Save();
        return;
    }
    file.SetSection("COM");
    // Bounded by the file, not by the number in it.
    const std::int32_t count = std::min(file.GetInt("size", 0), file.GetLineCount());
    taskTray = file.GetInt("tasktray", 0);
    for (std::int32_t i = 0; i < count; ++i) {
        file.SetSection(ItemSection(i));
        CScheduleItem item;
        item.name = file.GetString("name", "");
        item.time_mode = file.GetInt("time_mode", 0);
        item.year = file.GetInt("year", 0);
        item.month = file.GetInt("month", 0);
        item.day = file.GetInt("day", 0);
        item.week = file.GetInt("week", 0);
        item.hour = file.GetInt("hour", 0);
        item.minute = file.GetInt("minute", 0);
        item.second = file.GetInt("second", 0);
        item.sd_mode = file.GetInt("sd_mode", 0);
        list.AddTail(item);
    }
    file.Save();
}

// The lines the writes of Save give in an empty store when no name turns its
// line into a section header: every write is then a new key of the newest
// section, and so goes at the end. Builds them with plain appends, without
// the lookups.
void AppendLayout(CProfileFile& file, const ScheduleList& list, std::int32_t taskTray) {
    std::string line;
    auto put = [&](std::string_view key, std::int32_t value) {
        char digits[16];
        const auto res = std::to_chars(digits, digits + sizeof digits, value);
        line.assign(key);
        line += '=';
        line.append(digits, res.ptr);
        file.InsertLine(file.GetLineCount(), line);
    };
    auto header = [&](const std::string& section) {
        line.assign("[");
        line += section;
        line += ']';
        file.InsertLine(file.GetLineCount(), line);
    };
    header("COM");
    put("size", list.GetCount());
    put("tasktray", taskTray);
    for (int i = 0; i < list.GetCount(); ++i) {
        const CScheduleItem& item = list.GetAt(i);
        header(ItemSection(i));
        line.assign("name=");
        line += item.name;
        file.InsertLine(file.GetLineCount(), line);
        put("time_mode", item.time_mode);
        put("year", item.year);
        put("month", item.month);
        put("day", item.day);
        put("week", item.week);
        put("hour", item.hour);
        put("minute", item.minute);
        put("second", item.second);
        put("sd_mode", item.sd_mode);
    }
}

bool Save(CProfileFile& file, const ScheduleList& list, std::int32_t taskTray,
          const std::string& path) {
    file.Load(path);
    file.Clear();
    bool plain = true;
    for (int i = 0; i < list.GetCount() && plain; ++i) {
        // "name=" has no bracket and no lead byte, so the line is a header
        // exactly when the name alone would be one.
        plain = !ParseSectionHeader(list.GetAt(i).name, nullptr);
    }
    if (plain) {
        AppendLayout(file, list, taskTray);
        return file.Save();
    }
    file.SetSection("COM");
    file.SetInt("size", list.GetCount());
    file.SetInt("tasktray", taskTray);
    for (int i = 0; i < list.GetCount(); ++i) {
        const CScheduleItem& item = list.GetAt(i);
        file.SetSection(ItemSection(i));
        file.SetString("name", item.name);
        file.SetInt("time_mode", item.time_mode);
        file.SetInt("year", item.year);
        file.SetInt("month", item.month);
        file.SetInt("day", item.day);
        file.SetInt("week", item.week);
        file.SetInt("hour", item.hour);
        file.SetInt("minute", item.minute);
        file.SetInt("second", item.second);
        file.SetInt("sd_mode", item.sd_mode);
    }
    return file.Save();
}

SaveStatus SaveReporting(CProfileFile& file, const ScheduleList& list, std::int32_t taskTray,
                         const std::string& path) {
    try {
        if (Save(file, list, taskTray, path)) {
            return {true, 0};
        }
        return {false, file.GetSaveError()};
    } catch (const CProfileFileError& e) {
        return {false, e.SystemError()};
    }
}

} // namespace

void LoadSettings(ScheduleList& list, std::int32_t& taskTray, const std::string& path) {
    CProfileFile file;
    Load(file, list, taskTray, path, SettingsLoadMode::Auto);
}

void LoadSettings(ScheduleList& list, std::int32_t& taskTray, const std::string& path,
                  IFileOps& ops, SettingsLoadMode mode) {
    CProfileFile file(ops);
    Load(file, list, taskTray, path, mode);
}

SaveStatus SaveSettings(const ScheduleList& list, std::int32_t taskTray, const std::string& path) {
    CProfileFile file;
    return SaveReporting(file, list, taskTray, path);
}

SaveStatus SaveSettings(const ScheduleList& list, std::int32_t taskTray, const std::string& path,
                        IFileOps& ops) {
    CProfileFile file(ops);
    return SaveReporting(file, list, taskTray, path);
}
