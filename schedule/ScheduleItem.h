#pragma once

#include <cstdint>
#include <string>

// Which day test an entry uses. Any other value makes the entry never due.
enum TimeMode : std::int32_t {
    Date = 0, // year, month, day, each 0 = any
    Week = 1, // weekday mask, bit n = weekday n, Sunday = 0
};

// One schedule entry. The name is kept as CP932 (Shift-JIS) bytes, exactly
// the bytes of the settings file; conversion happens only at the Win32 edge.
class CScheduleItem {
public:
    CScheduleItem();
    CScheduleItem(const CScheduleItem&) = default;
    CScheduleItem& operator=(const CScheduleItem&) = default;
    // Moves leave a long name where it is instead of copying it.
    CScheduleItem(CScheduleItem&&) noexcept = default;
    CScheduleItem& operator=(CScheduleItem&&) noexcept = default;
    virtual ~CScheduleItem();

    std::string name;
    std::int32_t time_mode = 0;
    std::int32_t year = 0;
    std::int32_t month = 0;
    std::int32_t day = 0;
    std::int32_t week = 0;
    std::int32_t hour = 0;
    std::int32_t minute = 0;
    std::int32_t second = 0;
    std::int32_t sd_mode = 0;
    // Non-zero: the PC is woken from sleep for this entry (the "wake" key,
    // written only when set; older files have none).
    std::int32_t wake = 0;
};
