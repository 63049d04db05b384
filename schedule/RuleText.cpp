#include "schedule/RuleText.h"

#include "schedule/CivilMatcher.h"
#include "schedule/EndMode.h"

#include <cstdio>
#include <string_view>

namespace {

constexpr std::string_view kNever = "実行しない";
constexpr std::string_view kModeNames[] = {"シャットダウン", "再起動",   "スタンバイ",
                                           "ログオフ",       "休止状態", "ロック"};
// Monday first, as a week is read; the bit of each day (Sunday = 0).
constexpr std::string_view kDayNames[] = {"月", "火", "水", "木", "金", "土", "日"};
constexpr int kDayBits[] = {1, 2, 3, 4, 5, 6, 0};

std::string Num(std::int32_t n) {
    return std::to_string(n);
}

std::string DayRule(const CScheduleItem& item) {
    if (item.time_mode == Week) {
        if ((item.week & 0x7F) == 0x7F) {
            return "毎日";
        }
        std::string days = "毎週 ";
        bool first = true;
        for (int k = 0; k < 7; ++k) {
            if ((item.week >> kDayBits[k] & 1) != 0) {
                days += first ? "" : "・";
                days += kDayNames[k];
                first = false;
            }
        }
        return days;
    }
    const bool y = item.year != 0;
    const bool m = item.month != 0;
    const bool d = item.day != 0;
    if (y && m && d) {
        return Num(item.year) + "/" + Num(item.month) + "/" + Num(item.day);
    }
    if (m && d) {
        return "毎年 " + Num(item.month) + "/" + Num(item.day);
    }
    std::string text = y ? Num(item.year) + "年 " : m ? "毎年 " : "";
    if (m) {
        text += Num(item.month) + "月 ";
    }
    text += d ? "毎月 " + Num(item.day) + "日" : "毎日";
    return text;
}

} // namespace

std::string RuleText(const CScheduleItem& item, std::int64_t after) {
    if (!CCivilMatcher(after).Next(item)) {
        return std::string(kNever);
    }
    char time[40];
    std::snprintf(time, sizeof time, "%d:%02d:%02d", item.hour, item.minute, item.second);
    std::string text = DayRule(item) + " " + time;
    if (item.sd_mode >= Shutdown && item.sd_mode <= Lock) {
        text += " ";
        text += kModeNames[item.sd_mode];
    }
    return text;
}
