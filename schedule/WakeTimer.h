#pragma once

#include "schedule/EndActionPlatform.h"
#include "schedule/LocalTimeConverter.h"
#include "schedule/NextDueFinder.h"
#include "schedule/ScheduleList.h"
#include "schedule/SkipList.h"
#include "schedule/SleepHold.h"
#include "schedule/Uptime.h"

#include <cstdint>
#include <optional>

// Wakes the PC from sleep for the entries marked to wake it (a non-zero
// `wake`): one waitable timer, made on first use, goes off kLeadSeconds
// before the next such occurrence, by the next-due search's rules (skipped
// occurrences do not count, a repeated hour counts once). Windows lets a PC
// that a timer woke sleep again within about two minutes, so from such a wake
// the system is held awake until the occurrence's warning is answered, and
// kHoldAfterDueSeconds after its due time at the latest, so that an entry
// deleted or skipped meanwhile cannot keep the PC awake.
//
// The scheduler calls Update after every change of the list or the skips, of
// the clock or the zone, and after each answered warning; OnWake at each wake,
// before anything else may set the timer again (which clears its signal);
// OnWarningAnswered when a warning is answered or times out; Tick at each
// look, which ends the hold at its bound and sets the timer again once its
// occurrence has come.
class CWakeTimer {
public:
    static constexpr std::int64_t kLeadSeconds = 60;
    static constexpr std::int64_t kHoldAfterDueSeconds = 300;

    // `hold` is shared with the program's other reasons to stay awake.
    CWakeTimer(const ScheduleList& list, const ILocalTimeConverter& zone, const CSkipList& skips,
               IEndActionPlatform& platform, IUptime& uptime, CSleepHold& hold)
        : m_finder(list, zone, nullptr, &skips), m_platform(platform), m_uptime(uptime),
          m_hold(hold) {}
    CWakeTimer(const CWakeTimer&) = delete;
    CWakeTimer& operator=(const CWakeTimer&) = delete;
    // Lets the system sleep again and closes the timer, which then wakes
    // nothing.
    ~CWakeTimer();

    // Sets the timer for the first marked occurrence whose time to go off
    // lies after `now` (seconds since 1970-01-01 00:00:00 UTC), which also
    // clears a signal it gave; cancels it when none is to come. False when
    // the timer could not be made or set.
    bool Update(std::int64_t now);
    // A wake: when the timer went off, the system is held awake for its
    // occurrence. Then as Update, so that the next wake tells a new signal.
    void OnWake(std::int64_t now);
    // A warning was answered or timed out at `now`: the hold ends once its
    // occurrence's time has come (an earlier warning, about a one-off, say,
    // leaves it).
    void OnWarningAnswered(std::int64_t now);
    // A check: ends the hold at its bound, and sets the timer again once its
    // occurrence's time has come.
    void Tick(std::int64_t now);

    bool IsHolding() const { return m_heldFor.has_value(); }
    // The occurrence the system is held awake for.
    std::optional<std::int64_t> HeldFor() const { return m_heldFor; }
    // The elapsed uptime at which the hold ends by its bound; none while
    // nothing is held.
    std::optional<std::int64_t> HoldEndMs() const {
        return m_heldFor ? std::optional<std::int64_t>(m_holdEndMs) : std::nullopt;
    }

private:
    void Release();

    CNextDueFinder m_finder;
    IEndActionPlatform& m_platform;
    IUptime& m_uptime;
    CSleepHold& m_hold;
    PlatformHandle m_timer = nullptr;
    std::optional<std::int64_t> m_setFor;  // the occurrence the timer is set for
    std::optional<std::int64_t> m_heldFor; // ... the system is held awake for
    std::int64_t m_holdEndMs = 0;          // the elapsed uptime at which the hold ends
};
