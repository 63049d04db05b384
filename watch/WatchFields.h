#pragma once

#include "watch/WatchSpec.h"

#include <optional>
#include <string>
#include <string_view>

// A value field of the condition dialog.
enum class WatchField { Name, Level, Minutes };

// The dialog's fields read for one kind of condition: the values (a WatchSpec) when every
// field the kind uses holds, else the first refused field and why.
struct WatchFieldReading {
    WatchSpec spec;
    std::optional<WatchField> refused;
    std::wstring line; // e.g. "分は 1 から 120 までです。"
};

// Reads only the fields the kind uses. A number is digits alone (anything
// else, nothing, or too many digits is out of range); the name loses the
// spaces around it.
WatchFieldReading ReadWatchFields(WatchKind kind, std::wstring_view name, std::wstring_view level,
                                  std::wstring_view minutes);
