#include "CancellingCycleHost.h"
#include "FakeClock.h"
#include "FakeLocalTime.h"
#include "StubEndActionPlatform.h"
#include "schedule/CivilTime.h"
#include "schedule/NextLook.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>

namespace {

std::int64_t Utc(int h, int m, int s) {
    return CivilSecondOf(At(2011, 3, 7, 1, h, m, s));
}

CScheduleItem Entry(int h, int m, int s) {
    CScheduleItem item;
    item.hour = h, item.minute = m, item.second = s;
    return item;
}

// The summer hour ends at 01:00 UTC: local 01:00 to 01:59 is shown twice.
struct Case {
    const char* what;
    std::function<void(struct Scene&)> setUp;
    Look expected;
};

struct Scene {
    explicit Scene(std::int64_t dstTo) : zone(0, INT64_MAX, 0, dstTo) {}
    void SetClock(std::int64_t time) { clock.Set(zone, time); }

    ScheduleList list;
    FakeClock clock;
    FakeUptime uptime;
    const FakeLocalTime zone;
    CCancellingCycleHost host;
    CCheckCycle cycle{list, clock, uptime, zone, host};
    CStubEndActionPlatform platform;
    CSleepHold hold{platform};
    CWakeTimer wakeTimer{list, zone, cycle.Skips(), platform, uptime, hold};
    CNextLook look{list, zone, cycle, wakeTimer, uptime};
    std::optional<Look> seen;            // a look taken inside a warning
    std::optional<std::int64_t> watchMs; // an armed condition's next sample
};

// Each row looks at 12:00:00.500 UTC unless it moved the clock.
TEST(NextLook, TheEarliestMomentThatNeedsALook) {
    const Case cases[] = {
        {"nothing due: the guard, coalesced", [](Scene&) {}, {59000, 1000}},
        {"an entry in 30 s, just after its second begins",
         [](Scene& s) { s.list.AddTail(Entry(12, 0, 30)); },
         {29520, 0}},
        {"an entry beyond the guard",
         [](Scene& s) { s.list.AddTail(Entry(12, 5, 0)); },
         {59000, 1000}},
        {"an entry within the guard's tolerance stands for it",
         [](Scene& s) { s.list.AddTail(Entry(12, 1, 0)); },
         {59520, 0}},
        {"an entry beyond the guard's tolerance",
         [](Scene& s) { s.list.AddTail(Entry(12, 1, 1)); },
         {59000, 1000}},
        {"a skipped entry waits for its next day",
         [](Scene& s) {
             s.list.AddTail(Entry(12, 0, 30));
             s.cycle.Skip({Utc(12, 0, 30), 0, 0, ::At(2011, 3, 7, 1, 12, 0, 30)});
         },
         {59000, 1000}},
        {"a quick timer by real elapsed time",
         [](Scene& s) {
             s.cycle.AddTimer(0, 1);
             s.uptime.Pass(25000);
             s.SetClock(Utc(11, 0, 0)); // the wall clock does not count
         },
         {35000, 0}},
        {"an armed condition's next sample, coalesced, before an entry",
         [](Scene& s) {
             s.list.AddTail(Entry(12, 0, 30));
             s.watchMs = s.uptime.ElapsedMs() + 10000;
         },
         {10000, 1000}},
        {"the editor open: only the guard",
         [](Scene& s) {
             s.list.AddTail(Entry(12, 0, 30));
             s.cycle.AddTimer(0, 1);
             s.cycle.Pause();
         },
         {59000, 1000}},
        {"an occurrence that waits: its next ask, and nothing else",
         [](Scene& s) {
             s.list.AddTail(Entry(12, 0, 0));
             s.list.AddTail(Entry(12, 0, 5));
             s.host.busy = true;
             s.cycle.Check();
             s.uptime.Pass(4000);
         },
         {11000, 1000}},
        {"... or the end of its wait, if that comes first",
         [](Scene& s) {
             s.list.AddTail(Entry(12, 0, 0));
             s.host.busy = true;
             s.cycle.Check();
             s.uptime.Pass(3590000);
             s.cycle.Check(); // asked again: still busy
         },
         {10000, 1000}},
        {"a warning open: every second",
         [](Scene& s) {
             s.list.AddTail(Entry(12, 0, 0));
             s.host.whileWarning = [&s] { s.seen = s.look.After(Utc(12, 0, 0) * 1000 + 500); };
             s.cycle.Check();
         },
         {520, 0}},
        {"a repeated reading counts at its first showing only",
         [](Scene& s) {
             s.list.AddTail(Entry(1, 30, 0));
             s.SetClock(Utc(1, 29, 30)); // local 01:29:30 for the second time
         },
         {59000, 1000}},
        {"the clock stepped back",
         [](Scene& s) {
             s.list.AddTail(Entry(11, 0, 20));
             s.list.AddTail(Entry(12, 0, 30));
             s.look.After(Utc(12, 0, 0) * 1000);
             s.SetClock(Utc(11, 0, 0));
         },
         {19520, 0}},
        {"the clock stepped forward",
         [](Scene& s) {
             s.list.AddTail(Entry(12, 0, 30));
             s.list.AddTail(Entry(12, 10, 0));
             s.look.After(Utc(12, 0, 0) * 1000);
             s.SetClock(Utc(12, 9, 50));
         },
         {9520, 0}},
    };
    for (const Case& c : cases) {
        Scene scene(Utc(1, 0, 0));
        scene.SetClock(Utc(12, 0, 0));
        c.setUp(scene);
        const Look look = scene.seen
                              ? *scene.seen
                              : scene.look.After(scene.clock.Time() * 1000 + 500, scene.watchMs);
        EXPECT_EQ(look.delayMs, c.expected.delayMs) << c.what;
        EXPECT_EQ(look.toleranceMs, c.expected.toleranceMs) << c.what;
    }
}

} // namespace
