#pragma once

#include "schedule/CheckCycle.h"
#include "schedule/Clock.h"
#include "schedule/NextDueFinder.h"
#include "ui/NextDueText.h"
#include "watch/ArmedWatch.h"

#include <cstddef>
#include <functional>
#include <optional>

// The next-due line under the clock and the tray tip, from one place: what
// the check will do next (an occurrence that waits for a fullscreen program
// first), worked out again only when it may have changed.
// An armed condition follows the timed occurrence on the line and in the
// tip, and its measure is a line of its own; they are shown again whenever
// their words change. Invalidate after any change of the list, the one-offs,
// the skips, the clock or the time zone; Refresh at every tick of the check.
class CNextDuePresenter {
public:
    using Show = std::function<void(const NextDueText&)>;
    // The armed condition, or null.
    using Watch = std::function<const CArmedWatch*()>;

    CNextDuePresenter(const ScheduleList& list, const CCheckCycle& cycle,
                      const ILocalTimeConverter& zone, IClock& clock, std::size_t maxNameChars,
                      Show show, Watch watch = {})
        : m_list(list), m_cycle(cycle), m_finder(list, zone, &cycle.OneOffs(), &cycle.Skips()),
          m_clock(clock), m_maxNameChars(maxNameChars), m_show(std::move(show)),
          m_watch(std::move(watch)) {}

    // Something the line depends on changed: shown again at once.
    void Invalidate();
    // Shown again only when what comes next is no longer what is shown (its
    // time has come, say).
    void Refresh();

    // The occurrence shown, and the words for it.
    const std::optional<DueTime>& Due() const { return m_due; }
    const NextDueText& Text() const { return m_text; }

private:
    void Update(bool force);

    const ScheduleList& m_list;
    const CCheckCycle& m_cycle;
    CNextDueFinder m_finder;
    IClock& m_clock;
    std::size_t m_maxNameChars;
    Show m_show;
    Watch m_watch;
    std::optional<DueTime> m_due;
    bool m_waiting = false; // m_due waits for a fullscreen program to end
    std::wstring m_mark;    // the condition's, as shown
    std::wstring m_tipLine;
    NextDueText m_text;
};
