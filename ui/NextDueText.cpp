#include "ui/NextDueText.h"

#include "framework/Text.h"
#include "schedule/EndMode.h"

#include <algorithm>
#include <cwchar>

namespace {

// The shell shows at most this many characters of a tip (64 with the NUL).
constexpr std::size_t kTipChars = 63;

} // namespace

NextDueText DescribeNextDue(const std::optional<DueTime>& due, const ScheduleList& list,
                            const COneOffList& oneOffs, std::size_t maxNameChars, bool waiting) {
    NextDueText text;
    // The entry, or the one-off, that falls due.
    const std::string* name = nullptr;
    std::int32_t sdMode = -1;
    bool timer = false;
    bool condition = false;
    if (due && due->index >= 0 && due->index < list.GetCount()) {
        name = &list.GetAt(due->index).name;
        sdMode = list.GetAt(due->index).sd_mode;
    }
    for (int i = 0; due && due->index < 0 && i < oneOffs.GetCount(); ++i) {
        if (oneOffs.GetAt(i).id == due->oneOffId) {
            name = &oneOffs.GetAt(i).name;
            sdMode = oneOffs.GetAt(i).sd_mode;
            timer = oneOffs.GetAt(i).timer;
            condition = oneOffs.GetAt(i).condition;
        }
    }
    if (name == nullptr) {
        return text;
    }
    // In the clock's own format, then the end mode's name (none for an
    // unknown mode) and the entry's name.
    const std::wstring when = Cp932ToWide(FormatClockText(due->reading));
    const std::wstring mode = Cp932ToWide(EndModeName(sdMode));
    const std::wstring mark = std::wstring(due->index >= 0 ? L""
                                           : timer         ? L"（タイマー）"
                                           : condition     ? L"（条件）"
                                                           : L"（延期）") +
                              (waiting ? L"（待機中）" : L"");
    text.line = when + L" " + mode;
    if (!name->empty()) {
        text.line += L"「" + Cp932ToWide(Cp932Prefix(*name, maxNameChars)) + L"」";
    }
    text.line += mark;
    text.tip += L"\n" + when + (mode.empty() ? L"" : L" " + mode) + mark;
    text.tip.resize(std::min(text.tip.size(), kTipChars));
    wchar_t shortWhen[40];
    std::swprintf(shortWhen, 40, L"%d/%d %d:%02d", due->reading.month, due->reading.day,
                  due->reading.hour, due->reading.minute);
    text.skip = shortWhen + (mode.empty() ? L"" : L" " + mode);
    return text;
}
