#include "settings/SettingsFile.h"

#include "settings/ProfileFile.h"
#include "settings/ProfileFileError.h"
#include "settings/ProfileLine.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <climits>
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

// The entry index i of a section named "ITEM%02d" of i, or -1.
int ItemIndex(std::string_view section) {
    if (!section.starts_with("ITEM")) {
        return -1;
    }
    const std::string_view digits = section.substr(4);
    // "%02d": two digits for 0 to 99, no leading zero beyond.
    if (digits.size() < 2 || (digits.size() > 2 && digits[0] == '0')) {
        return -1;
    }
    std::int64_t value = 0;
    const auto res = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (res.ec != std::errc() || res.ptr != digits.data() + digits.size() || value > INT32_MAX) {
        return -1;
    }
    return static_cast<int>(value);
}

// Which field a key of an entry section fills: 0 for "name", 1 to 9 for the
// number keys in their order; -1 for any other key.
int FieldNumber(std::string_view key) {
    if (key == "name") {
        return 0;
    }
    for (std::size_t k = 0; k < kNumberKeys.size(); ++k) {
        if (key == kNumberKeys[k].first) {
            return static_cast<int>(k) + 1;
        }
    }
    return -1;
}

// Reads the settings in two passes over the lines, giving exactly what the
// lookups of the generic read give (the first line in file order with the
// section and key wins) without splitting or indexing the lines: the first
// pass takes the count, the flag and the number of lines, the second the
// entries. So a file costs one read buffer and its entries, whatever its
// layout, and a count costs no more than the lines the file holds.
void ReadInTwoPasses(const CProfileFile& file, ScheduleList& list, std::int32_t& taskTray) {
    std::string section;
    bool inCom = false;
    std::optional<std::int32_t> size;
    std::optional<std::int32_t> tray;
    std::int32_t lines = 0;
    file.VisitLines([&](std::string_view line) {
        lines += lines < INT32_MAX ? 1 : 0;
        if (ParseSectionHeader(line, &section)) {
            inCom = section == "COM";
            return;
        }
        if (!inCom) {
            return;
        }
        const std::string_view key = LineKey(line);
        if (key == "size" && !size) {
            size = ParseInt(LineValue(line));
        } else if (key == "tasktray" && !tray) {
            tray = ParseInt(LineValue(line));
        }
    });
    taskTray = tray.value_or(0);
    const std::int32_t count = std::min(size.value_or(0), lines);
    if (count <= 0) {
        return;
    }

    std::vector<CScheduleItem> items(static_cast<std::size_t>(count));
    std::vector<std::uint16_t> found(items.size()); // bit k: field k has its line
    for (CScheduleItem& item : items) {
        item.name.clear(); // a missing name reads as empty
    }
    int current = -1;
    file.VisitLines([&](std::string_view line) {
        if (ParseSectionHeader(line, &section)) {
            current = ItemIndex(section);
            current = current < count ? current : -1;
            return;
        }
        if (current < 0) {
            return;
        }
        const int field = FieldNumber(LineKey(line));
        const auto i = static_cast<std::size_t>(current);
        if (field < 0 || (found[i] & (1u << field)) != 0) {
            return;
        }
        found[i] = static_cast<std::uint16_t>(found[i] | (1u << field));
        if (field == 0) {
            items[i].name.assign(LineValue(line));
        } else {
            items[i].*kNumberKeys[static_cast<std::size_t>(field) - 1].second =
                ParseInt(LineValue(line));
        }
    });
    for (CScheduleItem& item : items) {
        list.AddTail(std::move(item));
    }
}

void Load(CProfileFile& file, ScheduleList& list, std::int32_t& taskTray, const std::string& path,
          SettingsLoadMode mode) {
    file.Load(path);
    if (mode == SettingsLoadMode::Auto) {
        ReadInTwoPasses(file, list, taskTray);
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
