#include "schedule/LocalTimeMap.h"

#include "schedule/CivilTime.h"

#include <algorithm>
#include <array>

namespace {
// Wider than any UTC offset: a time showing civil second w lies within this
// distance of w read as a time.
constexpr std::int64_t kReach = 16 * 3600;
} // namespace

std::optional<std::int64_t> CLocalTimeMap::CivilAt(std::int64_t time) const {
    ClockReading reading;
    if (!m_converter.ToLocal(time, reading)) {
        return std::nullopt;
    }
    return CivilSecondOf(reading);
}

std::optional<std::int64_t> CLocalTimeMap::LatestShownBy(std::int64_t time) const {
    const std::optional<std::int64_t> now = CivilAt(time);
    if (!now) {
        return std::nullopt;
    }
    const Shown first = FirstShown(*now);
    if (first.kind != Shown::At || first.value >= time) {
        return now;
    }
    // The reading was shown before, under a larger offset: the clock has gone
    // back since. Find the last time that still had that offset.
    const std::int64_t offset = *now - first.value;
    std::int64_t lo = first.value;
    std::int64_t hi = time;
    while (hi - lo > 1) {
        const std::int64_t mid = lo + (hi - lo) / 2;
        const std::optional<std::int64_t> civil = CivilAt(mid);
        if (civil && *civil - mid == offset) {
            lo = mid;
        } else {
            hi = mid;
        }
    }
    return lo + offset;
}

CLocalTimeMap::Shown CLocalTimeMap::FirstShown(std::int64_t civilSecond) const {
    // The offsets in force around the reading; each gives one time that may
    // show it.
    std::array<std::int64_t, 3> offsets{};
    std::size_t count = 0;
    bool outOfRange = false;
    for (const std::int64_t probe : {civilSecond - kReach, civilSecond, civilSecond + kReach}) {
        const std::optional<std::int64_t> civil = CivilAt(probe);
        if (!civil) {
            outOfRange = true;
        } else if (std::find(offsets.begin(), offsets.begin() + count, *civil - probe) ==
                   offsets.begin() + count) {
            offsets[count++] = *civil - probe;
        }
    }
    std::optional<std::int64_t> first;
    for (std::size_t i = 0; i < count; ++i) {
        const std::int64_t time = civilSecond - offsets[i];
        const std::optional<std::int64_t> civil = CivilAt(time);
        if (!civil) {
            outOfRange = true;
        } else if (*civil == civilSecond && (!first || time < *first)) {
            first = time;
        }
    }
    if (first) {
        return {Shown::At, *first};
    }
    if (outOfRange) {
        return {Shown::OutOfRange, 0};
    }
    // Skipped: find where the clock jumps past the reading.
    std::int64_t lo = civilSecond - kReach; // shows less than the reading
    std::int64_t hi = civilSecond + kReach; // shows more
    while (hi - lo > 1) {
        const std::int64_t mid = lo + (hi - lo) / 2;
        const std::optional<std::int64_t> civil = CivilAt(mid);
        if (!civil) {
            return {Shown::OutOfRange, 0};
        }
        (*civil > civilSecond ? hi : lo) = mid;
    }
    // Never at or before the reading, so that a search moving past it advances.
    return {Shown::Skipped, std::max(CivilAt(hi).value_or(0), civilSecond + 1)};
}
