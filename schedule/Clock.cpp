#include "schedule/Clock.h"

#include <cstdio>

std::string FormatClockText(const ClockReading& r) {
    char text[80]; // room for seven ints of any value
    std::snprintf(text, sizeof text, "%d/%d/%d %2d:%02d:%02d", r.year, r.month, r.day, r.hour,
                  r.minute, r.second);
    return text;
}
