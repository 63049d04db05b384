#pragma once

#include "schedule/ScheduleItem.h"

#include <cstdint>
#include <string>

// An entry's rule in words, as UTF-8: the day rule, the time and the end
// action, for example "毎週 月・水・金 23:00:00 シャットダウン" or
// "毎年 2/29 12:00:00 再起動". "実行しない" when the entry never falls due
// after civil second `after` (CivilTime.h).
std::string RuleText(const CScheduleItem& item, std::int64_t after);
