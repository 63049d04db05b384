#include "watch/WatchFields.h"

#include <string>

namespace {

// Digits alone, at most nine of them (more would not fit an int), else none.
std::optional<int> ReadNumber(std::wstring_view text) {
    if (text.empty() || text.size() > 9 ||
        text.find_first_not_of(L"0123456789") != std::wstring_view::npos) {
        return std::nullopt;
    }
    int value = 0;
    for (const wchar_t c : text) {
        value = value * 10 + (c - L'0');
    }
    return value;
}

std::wstring RangeLine(std::wstring_view unit, const WatchRange& range) {
    return std::wstring(unit) + L"は " + std::to_wstring(range.min) + L" から " +
           std::to_wstring(range.max) + L" までです。";
}

// Reads one number into value; false with the reading refused otherwise.
bool ReadInto(WatchFieldReading& reading, WatchField field, std::wstring_view text,
              std::wstring_view unit, const WatchRange& range, int& value) {
    const std::optional<int> number = ReadNumber(text);
    if (number && range.Holds(*number)) {
        value = *number;
        return true;
    }
    reading.refused = field;
    reading.line = RangeLine(unit, range);
    return false;
}

std::wstring_view Trimmed(std::wstring_view text) {
    const std::size_t first = text.find_first_not_of(L" \t");
    if (first == std::wstring_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(L" \t") - first + 1);
}

} // namespace

WatchFieldReading ReadWatchFields(WatchKind kind, std::wstring_view name, std::wstring_view level,
                                  std::wstring_view minutes) {
    WatchFieldReading reading;
    WatchSpec& spec = reading.spec;
    spec.kind = kind;
    switch (kind) {
    case WatchKind::ProgramExit:
        spec.name = Trimmed(name);
        if (!IsValidProgramName(spec.name)) {
            reading.refused = WatchField::Name;
            reading.line = spec.name.empty() ? L"プログラム名を入力してください。"
                           : spec.name.size() > kMaxProgramName
                               ? L"プログラム名が長すぎます。"
                               : L"プログラム名にパスは含められません。";
        }
        break;
    case WatchKind::NetworkQuiet:
        if (ReadInto(reading, WatchField::Level, level, L"KB/s ", kQuietKbps, spec.level)) {
            ReadInto(reading, WatchField::Minutes, minutes, L"分", kQuietMinutes, spec.minutes);
        }
        break;
    case WatchKind::InputIdle:
        ReadInto(reading, WatchField::Minutes, minutes, L"分", kIdleMinutes, spec.minutes);
        break;
    case WatchKind::CpuQuiet:
        if (ReadInto(reading, WatchField::Level, level, L"% ", kCpuPercent, spec.level)) {
            ReadInto(reading, WatchField::Minutes, minutes, L"分", kCpuMinutes, spec.minutes);
        }
        break;
    }
    return reading;
}
