#pragma once

#include "schedule/CheckCycle.h"
#include "schedule/NextDueFinder.h"
#include "schedule/WakeTimer.h"

#include <cstdint>
#include <optional>

// How long the program may sleep before it must look again, and how exactly.
struct Look {
    std::int64_t delayMs = 0;      // from now; 0 means at once
    std::uint32_t toleranceMs = 0; // the system may fire this much later; 0: on time

    bool operator==(const Look&) const = default;
};

// When the check must next run: the earliest of an entry's next due second
// (by the next-due search's rules: skips count, a repeated hour counts once),
// the next one-off by real elapsed time, the next ask of an occurrence that
// waits for a busy user or the end of its wait, the end of the wake timer's
// hold, an armed condition's next sample, and a guard that looks at least once a minute, so that a
// wall clock moved without notice is seen within that minute.
//
// An entry's second and a one-off are looked at on time, an entry's just
// after its second begins; the rest may be coalesced with other programs'
// timers, and a due second that comes within their tolerance is looked at
// in their stead. While a warning is open the
// check looks every second, since a sleep seen then withdraws it; while the
// editor is open or an occurrence waits, entries and one-offs wait too.
class CNextLook {
public:
    static constexpr std::int64_t kGuardMs = 60000;
    static constexpr std::uint32_t kToleranceMs = 1000;
    // After the start of a due second, so that the check sees that second.
    static constexpr std::int64_t kIntoSecondMs = 20;

    CNextLook(const ScheduleList& list, const ILocalTimeConverter& zone, const CCheckCycle& cycle,
              const CWakeTimer& wakeTimer, IUptime& uptime)
        : m_finder(list, zone, nullptr, &cycle.Skips()), m_cycle(cycle), m_wakeTimer(wakeTimer),
          m_uptime(uptime) {}

    // The next look from `wallMs`, the wall clock in milliseconds since
    // 1970-01-01 00:00:00 UTC; `watchMs`, the elapsed uptime at which an armed
    // condition samples next, may come a little late.
    Look After(std::int64_t wallMs, std::optional<std::int64_t> watchMs = std::nullopt);
    // Just after the next second begins: the look while a warning is open.
    static Look EverySecond(std::int64_t wallMs);
    // The list, the skips, the clock or the zone changed.
    void Invalidate() { m_finder.Invalidate(); }

private:
    CNextDueFinder m_finder;
    const CCheckCycle& m_cycle;
    const CWakeTimer& m_wakeTimer;
    IUptime& m_uptime;
};
