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

// The number keys of an entry, in the order Save writes them: nine that
// every entry has, then "wake", written only when non-zero.
using NumberKey = std::pair<std::string_view, std::int32_t CScheduleItem::*>;
constexpr std::array<NumberKey, 10> kNumberKeys = {{
    {"time_mode", &CScheduleItem::time_mode},
    {"year", &CScheduleItem::year},
    {"month", &CScheduleItem::month},
    {"day", &CScheduleItem::day},
    {"week", &CScheduleItem::week},
    {"hour", &CScheduleItem::hour},
    {"minute", &CScheduleItem::minute},
    {"second", &CScheduleItem::second},
    {"sd_mode", &CScheduleItem::sd_mode},
    {"wake", &CScheduleItem::wake},
}};
constexpr std::size_t kRequiredNumbers = 9;

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

// Which field a key of an entry section fills: 0 for "name", 1 to 10 for the
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
// pass takes the count, the flag, the options and the number of lines, the
// second the entries. So a file costs one read buffer and its entries,
// whatever its layout, and a count costs no more than the lines the file
// holds.
// The fields every entry has: the name and the nine required numbers.
constexpr std::uint16_t kAllFields = (1u << (kRequiredNumbers + 1)) - 1;

// What a read of the entries found besides them.
struct ReadCounts {
    std::int32_t leftOut = 0;    // entries whose section or some key is missing
    std::int32_t lossyNames = 0; // names with '?' for unconvertible characters
    std::int32_t size = -1;      // the "size" value; -1 when missing
    std::int32_t lines = 0;
};

ReadCounts ReadInTwoPasses(const CProfileFile& file, ScheduleList& list, std::int32_t& taskTray,
                           SettingsOptions& options, const std::vector<bool>& lossyLines) {
    ReadCounts counts;
    std::string section;
    bool inCom = false;
    std::optional<std::int32_t> size;
    std::optional<std::int32_t> tray;
    std::optional<std::int32_t> resume;
    std::optional<std::int32_t> fullscreen;
    std::optional<std::int32_t> history;
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
        } else if (key == "resume" && !resume) {
            resume = ParseInt(LineValue(line));
        } else if (key == "fullscreen" && !fullscreen) {
            fullscreen = ParseInt(LineValue(line));
        } else if (key == "history" && !history) {
            history = ParseInt(LineValue(line));
        }
    });
    taskTray = tray.value_or(0);
    options.resume = resume.value_or(0);
    options.fullscreen = fullscreen.value_or(0);
    options.history = history.value_or(1);
    counts.size = size.value_or(-1);
    counts.lines = lines;
    const std::int32_t count = std::min(size.value_or(0), lines);
    if (count <= 0) {
        return counts;
    }

    std::vector<CScheduleItem> items(static_cast<std::size_t>(count));
    std::vector<std::uint16_t> found(items.size()); // bit k: field k has its line
    std::vector<bool> lossy(items.size());
    int current = -1;
    std::size_t lineNo = 0;
    file.VisitLines([&](std::string_view line) {
        const std::size_t at = lineNo++;
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
            lossy[i] = at < lossyLines.size() && lossyLines[at];
        } else {
            items[i].*kNumberKeys[static_cast<std::size_t>(field) - 1].second =
                ParseInt(LineValue(line));
        }
    });
    // Only whole entries: a missing key would read as 0, and zeros make a
    // shutdown every day at midnight. "wake" may be missing: 0 is its default.
    for (std::size_t i = 0; i < items.size(); ++i) {
        if ((found[i] & kAllFields) != kAllFields) {
            ++counts.leftOut;
            continue;
        }
        counts.lossyNames += lossy[i] ? 1 : 0;
        list.AddTail(std::move(items[i]));
    }
    return counts;
}

// The same read through the store's lookups.
ReadCounts ReadByLookups(CProfileFile& file, ScheduleList& list, std::int32_t& taskTray,
                         SettingsOptions& options, const std::vector<bool>& lossyLines) {
    ReadCounts counts;
    file.SetSection("COM");
    counts.lines = file.GetLineCount();
    counts.size = file.GetInt("size", -1);
    // Bounded by the file, not by the number in it.
    const std::int32_t count = std::min(file.GetInt("size", 0), file.GetLineCount());
    taskTray = file.GetInt("tasktray", 0);
    options.resume = file.GetInt("resume", 0);
    options.fullscreen = file.GetInt("fullscreen", 0);
    options.history = file.GetInt("history", 1);
    for (std::int32_t i = 0; i < count; ++i) {
        file.SetSection(ItemSection(i));
        const int nameLine = file.FindKey("name");
        bool whole = nameLine >= 0;
        for (std::size_t k = 0; k < kRequiredNumbers; ++k) {
            whole = whole && file.FindKey(kNumberKeys[k].first) >= 0;
        }
        if (!whole) {
            ++counts.leftOut;
            continue;
        }
        CScheduleItem item;
        item.name = file.GetValueAt(nameLine);
        for (const auto& [key, field] : kNumberKeys) {
            item.*field = file.GetInt(key, 0);
        }
        const auto at = static_cast<std::size_t>(nameLine);
        counts.lossyNames += at < lossyLines.size() && lossyLines[at] ? 1 : 0;
        list.AddTail(std::move(item));
    }
    return counts;
}

// Without a converter: ASCII stays, everything else becomes '?'.
bool AsciiOnly(std::string_view utf8, std::string& out) {
    out.clear();
    bool exact = true;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        if (c < 0x80) {
            out += static_cast<char>(c);
            continue;
        }
        exact = false;
        out += '?';
        while (i + 1 < utf8.size() && (static_cast<unsigned char>(utf8[i + 1]) & 0xC0) == 0x80) {
            ++i; // the continuation bytes of the same character
        }
    }
    return exact;
}

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";

// A file saved as UTF-8 with a byte-order mark: its lines become CP932, the
// mark dropped. Marks the lines that did not convert exactly.
bool ConvertFromUtf8(CProfileFile& file, const Utf8ToCp932& toCp932,
                     std::vector<bool>& lossyLines) {
    if (file.GetLineCount() == 0 || !file.GetLine(0).starts_with(kUtf8Mark)) {
        return false;
    }
    std::vector<std::string> lines = file.GetLines();
    lines[0].erase(0, kUtf8Mark.size());
    file.Clear();
    lossyLines.assign(lines.size(), false);
    std::string converted;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const bool exact = toCp932 ? toCp932(lines[i], converted) : AsciiOnly(lines[i], converted);
        lossyLines[i] = !exact;
        file.InsertLine(file.GetLineCount(), converted);
    }
    return true;
}

// How many times, 50 ms apart, a file another program holds is tried again.
constexpr int kBusyRetries = 40;
constexpr unsigned kBusyPause = 50;

// Loads path into file, trying again while another program holds it. False
// when it could not be opened or read; error then holds the reason.
bool LoadHeld(CProfileFile& file, const std::string& path, IFileOps& ops, std::uint32_t& error) {
    for (int attempt = 0;; ++attempt) {
        file.Clear();
        try {
            if (file.Load(path)) {
                return true;
            }
            error = file.GetLoadError();
        } catch (const CProfileFileError& e) {
            error = e.SystemError(); // a lock on part of the file, a device error
            file.Clear();
        }
        if (!ops.IsBusy(error) || attempt == kBusyRetries) {
            return false;
        }
        ops.Pause(kBusyPause);
    }
}

// Hands the lines of the saved layout, in file order, to section(name),
// name(value) and number(key, value). Keys at their default (an option of 0,
// history of 1, an entry's "wake" of 0) are left out, so that a list without them keeps the
// bytes an older copy of the program writes.
template <typename Section, typename Name, typename Number>
void VisitLayout(const ScheduleList& list, std::int32_t taskTray, const SettingsOptions& options,
                 Section section, Name name, Number number) {
    section("COM");
    number("size", list.GetCount());
    number("tasktray", taskTray);
    if (options.resume != 0) {
        number("resume", options.resume);
    }
    if (options.fullscreen != 0) {
        number("fullscreen", options.fullscreen);
    }
    if (options.history != 1) {
        number("history", options.history);
    }
    for (int i = 0; i < list.GetCount(); ++i) {
        const CScheduleItem& item = list.GetAt(i);
        section(ItemSection(i));
        name(item.name);
        for (std::size_t k = 0; k < kNumberKeys.size(); ++k) {
            const std::int32_t value = item.*kNumberKeys[k].second;
            if (k < kRequiredNumbers || value != 0) {
                number(kNumberKeys[k].first, value);
            }
        }
    }
}

// The number of lines Save writes for a list and options whose names make
// no headers.
std::int64_t SavedLineCount(const ScheduleList& list, const SettingsOptions& options) {
    std::int64_t lines = 0;
    const auto count = [&](auto&&...) { ++lines; };
    VisitLayout(list, 0, options, count, count, count);
    return lines;
}

// Whether a temporary file holds a complete save: every entry whole, and
// exactly the lines this program writes for what it holds, each with its
// line end.
bool CompleteSave(const CProfileFile& temp, const ReadCounts& counts, const ScheduleList& list,
                  const SettingsOptions& options) {
    return temp.EndsWithLineEnd() && counts.leftOut == 0 && counts.size == list.GetCount() &&
           counts.lines == SavedLineCount(list, options);
}

ReadCounts Read(CProfileFile& file, ScheduleList& list, std::int32_t& taskTray,
                SettingsOptions& options, SettingsLoadMode mode,
                const std::vector<bool>& lossyLines) {
    return mode == SettingsLoadMode::Auto
               ? ReadInTwoPasses(file, list, taskTray, options, lossyLines)
               : ReadByLookups(file, list, taskTray, options, lossyLines);
}

// A complete save that a temporary file holds.
struct HeldSave {
    std::string path;
    ScheduleList list;
    std::int32_t taskTray = 0;
    SettingsOptions options;
};

// What a load takes when the file is missing or empty: the temporary file
// with the newest complete save. The second name comes first: beside a
// complete first one, a save leaves the second only when it is the newer.
std::optional<HeldSave> FindHeldSave(const std::string& path, IFileOps& ops,
                                     SettingsLoadMode mode) {
    for (std::string name : {SecondTempPathFor(path), TempPathFor(path)}) {
        CProfileFile temp(ops);
        std::uint32_t error = 0;
        HeldSave held;
        if (LoadHeld(temp, name, ops, error) &&
            CompleteSave(temp, Read(temp, held.list, held.taskTray, held.options, mode, {}),
                         held.list, held.options)) {
            held.path = std::move(name);
            return held;
        }
    }
    return std::nullopt;
}

bool SameList(const ScheduleList& a, const ScheduleList& b) {
    if (a.GetCount() != b.GetCount()) {
        return false;
    }
    for (int i = 0; i < a.GetCount(); ++i) {
        const CScheduleItem& x = a.GetAt(i);
        const CScheduleItem& y = b.GetAt(i);
        if (x.name != y.name) {
            return false;
        }
        for (const auto& key : kNumberKeys) {
            if (x.*key.second != y.*key.second) {
                return false;
            }
        }
    }
    return true;
}

LoadStatus Load(CProfileFile& file, ScheduleList& list, std::int32_t& taskTray,
                SettingsOptions& options, const std::string& path, IFileOps& ops,
                SettingsLoadMode mode, const Utf8ToCp932& toCp932) {
    LoadStatus status;
    taskTray = 0;
    options = {};
    std::uint32_t error = 0;
    if (LoadHeld(file, path, ops, error)) {
        status.file = LoadStatus::File::Read;
    } else if (!ops.IsMissing(error)) {
        // Never taken for an empty list: that would be saved over the file.
        status.file = LoadStatus::File::Unreadable;
        status.error = error;
        return status;
    }

    if (file.GetLineCount() == 0) {
        // A save cut short may have left its complete temporary file with the
        // old file already gone, or the file just made and still empty.
        if (std::optional<HeldSave> held = FindHeldSave(path, ops, mode)) {
            status.file = LoadStatus::File::Recovered;
            if (ops.Replace(held->path, path) != IFileOps::ReplaceResult::Replaced) {
                // Read from where it is, and kept by the next save until the
                // file holds the list.
                for (int i = 0; i < held->list.GetCount(); ++i) {
                    list.AddTail(held->list.GetAt(i));
                }
                taskTray = held->taskTray;
                options = held->options;
                return status;
            }
            if (!LoadHeld(file, path, ops, error)) {
                status.file = LoadStatus::File::Unreadable;
                status.error = error;
                return status;
            }
        }
    }

    std::vector<bool> lossyLines;
    const bool utf8 = ConvertFromUtf8(file, toCp932, lossyLines);
    const ReadCounts counts = Read(file, list, taskTray, options, mode, lossyLines);
    status.leftOut = counts.leftOut;
    status.lossyNames = counts.lossyNames;
    const bool anyLossy = std::find(lossyLines.begin(), lossyLines.end(), true) != lossyLines.end();
    if (status.Damaged() || (utf8 && anyLossy)) {
        return status; // kept as it is until the user saves a change
    }
    try {
        status.rewritten = file.Save();
    } catch (const CProfileFileError&) {
        // The rewrite is silent: what the user has is in memory and, but for
        // a failed undo of a write in place, in the file as before.
    }
    return status;
}

// The lines the writes of Save give in an empty store when no name turns its
// line into a section header: every write is then a new key of the newest
// section, and so goes at the end. Builds them with plain appends, without
// the lookups.
void AppendLayout(CProfileFile& file, const ScheduleList& list, std::int32_t taskTray,
                  const SettingsOptions& options) {
    std::string line;
    auto append = [&] { file.InsertLine(file.GetLineCount(), line); };
    VisitLayout(
        list, taskTray, options,
        [&](std::string_view section) {
            line.assign("[");
            line += section;
            line += ']';
            append();
        },
        [&](const std::string& name) {
            line.assign("name=");
            line += name;
            append();
        },
        [&](std::string_view key, std::int32_t value) {
            char digits[16];
            const auto res = std::to_chars(digits, digits + sizeof digits, value);
            line.assign(key);
            line += '=';
            line.append(digits, res.ptr);
            append();
        });
}

// What a save found where the file is.
enum class Found { Lines, NoLines, Missing, Unreadable };

bool Save(CProfileFile& file, const ScheduleList& list, std::int32_t taskTray,
          const SettingsOptions& options, const std::string& path, IFileOps& ops, Found& found) {
    found = Found::Unreadable;
    try {
        // Sets the path; nothing of the old lines is kept.
        if (file.Load(path)) {
            found = file.HasLines() ? Found::Lines : Found::NoLines;
        } else if (ops.IsMissing(file.GetLoadError())) {
            found = Found::Missing;
        }
    } catch (const CProfileFileError&) {
    }
    file.Clear();
    // Unless the file holds the settings, a complete save in a temporary
    // file may be their only copy on disk: it stays until the file has them.
    std::string keep;
    if (found != Found::Lines) {
        if (std::optional<HeldSave> held = FindHeldSave(path, ops, SettingsLoadMode::Auto)) {
            keep = held->path;
        }
    }
    bool plain = true;
    for (int i = 0; i < list.GetCount() && plain; ++i) {
        // "name=" has no bracket and no lead byte, so the line is a header
        // exactly when the name alone would be one.
        plain = !ParseSectionHeader(list.GetAt(i).name, nullptr);
    }
    if (plain) {
        AppendLayout(file, list, taskTray, options);
        return file.Save(keep);
    }
    VisitLayout(
        list, taskTray, options,
        [&](std::string_view section) { file.SetSection(std::string(section)); },
        [&](const std::string& name) { file.SetString("name", name); },
        [&](std::string_view key, std::int32_t value) { file.SetInt(key, value); });
    return file.Save(keep);
}

SaveStatus SaveReporting(CProfileFile& file, const ScheduleList& list, std::int32_t taskTray,
                         const SettingsOptions& options, const std::string& path, IFileOps& ops) {
    SaveStatus status;
    Found found = Found::Unreadable;
    try {
        if (Save(file, list, taskTray, options, path, ops, found)) {
            status.saved = true;
            return status;
        }
        status = {false, file.GetSaveError(), file.GetSaveLeft(), file.GetSaveHeldIn()};
    } catch (const CProfileFileError& e) {
        status = {false, e.SystemError(), e.Left(), {}};
    }
    // Where no file holds the settings now, the next start reads a
    // temporary file: the status names the one it reads, and what it holds.
    const bool gone = status.left == SaveLeft::NewInTemporary || found == Found::Missing;
    if (status.left == SaveLeft::Damaged || (!gone && found != Found::NoLines)) {
        return status;
    }
    const std::optional<HeldSave> held = FindHeldSave(path, ops, SettingsLoadMode::Auto);
    if (!held) {
        status.left = gone ? SaveLeft::NoFile : SaveLeft::OldFile;
        status.heldIn.clear();
        return status;
    }
    const bool same =
        SameList(held->list, list) && held->taskTray == taskTray && held->options == options;
    status.left = same ? SaveLeft::NewInTemporary : SaveLeft::OldInTemporary;
    status.heldIn = held->path;
    return status;
}

} // namespace

LoadStatus LoadSettings(ScheduleList& list, std::int32_t& taskTray, SettingsOptions& options,
                        const std::string& path, IFileOps& ops, SettingsLoadMode mode,
                        const Utf8ToCp932& toCp932) {
    CProfileFile file(ops);
    return Load(file, list, taskTray, options, path, ops, mode, toCp932);
}

LoadStatus LoadSettings(ScheduleList& list, std::int32_t& taskTray, const std::string& path,
                        IFileOps& ops, SettingsLoadMode mode, const Utf8ToCp932& toCp932) {
    SettingsOptions options;
    return LoadSettings(list, taskTray, options, path, ops, mode, toCp932);
}

SaveStatus SaveSettings(const ScheduleList& list, std::int32_t taskTray,
                        const SettingsOptions& options, const std::string& path, IFileOps& ops) {
    CProfileFile file(ops);
    return SaveReporting(file, list, taskTray, options, path, ops);
}

SaveStatus SaveSettings(const ScheduleList& list, std::int32_t taskTray, const std::string& path,
                        IFileOps& ops) {
    return SaveSettings(list, taskTray, SettingsOptions{}, path, ops);
}
