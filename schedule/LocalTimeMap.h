#pragma once

#include "schedule/LocalTimeConverter.h"

#include <cstdint>
#include <optional>

// Maps between calendar time and the civil seconds (CivilTime.h) that the
// local clock shows, using only the forward conversion, so that every answer
// agrees with what the clock itself reads. The zone's offset is taken to
// change at most once within 16 hours on either side of a reading.
class CLocalTimeMap {
public:
    explicit CLocalTimeMap(const ILocalTimeConverter& converter) : m_converter(converter) {}

    // The civil second the clock shows at `time`.
    std::optional<std::int64_t> CivilAt(std::int64_t time) const;

    // The latest civil second the clock has shown up to `time`: its reading,
    // or, while an hour repeats after daylight saving time ends, the last
    // reading before the clock went back.
    std::optional<std::int64_t> LatestShownBy(std::int64_t time) const;

    struct Shown {
        enum Kind { At, Skipped, OutOfRange } kind;
        // At: the first time showing the reading. Skipped: the first civil
        // second shown after the gap that the reading falls in.
        std::int64_t value;
    };
    // When the clock first shows `civilSecond`.
    Shown FirstShown(std::int64_t civilSecond) const;

private:
    const ILocalTimeConverter& m_converter;
};
