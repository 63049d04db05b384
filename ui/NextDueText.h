#pragma once

#include "schedule/NextDueFinder.h"
#include "schedule/OneOffList.h"
#include "schedule/ScheduleList.h"

#include <cstddef>
#include <optional>
#include <string>

// What falls due next, in words: the line under the clock (for example
// "2026/12/9 18:00:00 シャットダウン「平日の終了」", or なし), the tray tip
// under the program's name, and the tray menu's skip item ("12/9 18:00
// シャットダウン"; empty when nothing is due). A postponed one-off is marked
// （延期）, a quick timer （タイマー）, a met condition's occurrence （条件）, and an occurrence
// that waits while a fullscreen program or presentation runs （待機中）.
struct NextDueText {
    std::wstring line = L"なし";
    std::wstring tip = L"Quillaberton";
    std::wstring skip;
    // An armed condition's live measure, on a line of its own; empty when
    // none is armed.
    std::wstring measure;
};

// Names are shown up to `maxNameChars` characters.
NextDueText DescribeNextDue(const std::optional<DueTime>& due, const ScheduleList& list,
                            const COneOffList& oneOffs, std::size_t maxNameChars,
                            bool waiting = false);
