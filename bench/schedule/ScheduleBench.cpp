// One due-check tick over lists of 10 to 100,000 entries, with the system
// clock that keeps its reading for the current second, and with a fresh
// time() + localtime() for every reading side by side. Then the check cycle's
// whole check, and the next due time over 100,000 mixed entries, in Tokyo and
// in New York.
#include "schedule/CheckCycle.h"
#include "schedule/CivilTime.h"
#include "schedule/DueChecker.h"
#include "schedule/NextDueFinder.h"
#include "platform/SystemClock.h"
#include "platform/SystemLocalTime.h"
#include "platform/SystemUptime.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <ctime>
#include <random>

namespace {

// A fresh conversion for every reading.
class PlainClock final : public IClock {
public:
    const ClockReading& Read() override {
        m_time = std::time(nullptr);
        const std::tm* tm = std::localtime(&m_time);
        m_reading = {tm->tm_year + 1900, tm->tm_mon + 1, tm->tm_mday, tm->tm_wday,
                     tm->tm_hour,        tm->tm_min,     tm->tm_sec};
        return m_reading;
    }
    std::int64_t Time() override { return m_time; }

private:
    std::time_t m_time = 0;
    ClockReading m_reading;
};

// Every entry either fails its day test (year 1), or passes it and fails its
// time test (hour 25), so the walk always runs to the end of the list.
ScheduleList MakeList(int count, bool reachesTimeTest) {
    CScheduleItem item;
    if (reachesTimeTest) {
        item.hour = 25;
    } else {
        item.year = 1;
    }
    ScheduleList list;
    for (int i = 0; i < count; ++i) {
        list.AddTail(item);
    }
    return list;
}

template <class Clock>
void BM_CheckSchedule(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    const ScheduleList list = MakeList(count, state.range(1) != 0);
    Clock clock;
    const CDueChecker checker(list, clock);
    for (auto _ : state) {
        benchmark::DoNotOptimize(checker.CheckSchedule());
    }
    // Time per entry walked.
    state.counters["per_entry"] = benchmark::Counter(
        count, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

BENCHMARK_TEMPLATE(BM_CheckSchedule, CSystemClock)
    ->ArgNames({"entries", "reaches_time_test"})
    ->ArgsProduct({{10, 1000, 100000}, {0, 1}});
BENCHMARK_TEMPLATE(BM_CheckSchedule, PlainClock)
    ->ArgNames({"entries", "reaches_time_test"})
    ->ArgsProduct({{10, 1000, 100000}, {0, 1}});

// The check cycle's check: the current second alone (skipped 0, the steady
// state), or with 1 to 60 seconds before it that late ticks skipped.
void BM_FindDue(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    const std::int64_t skipped = state.range(1);
    const ScheduleList list = MakeList(count, true);
    CSystemClock clock;
    const CDueChecker checker(list, clock);
    const std::int64_t now = CivilSecondOf(clock.Read());
    for (auto _ : state) {
        benchmark::DoNotOptimize(checker.FindDue(now - skipped, now));
    }
    state.counters["per_entry"] = benchmark::Counter(
        count, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    if (skipped > 0) {
        state.counters["per_entry_second"] = benchmark::Counter(
            static_cast<double>(count * skipped),
            benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    }
}

BENCHMARK(BM_FindDue)
    ->ArgNames({"entries", "skipped"})
    ->ArgsProduct({{1000, 100000}, {0, 1, 10, 60}});

// Never asked for: nothing in the benchmark's lists falls due.
class IdleHost final : public ICheckCycleHost {
public:
    WarnAnswer Warn(std::int32_t) override { return {WarnAnswer::Cancel}; }
    void WithdrawWarning() override {}
    EndActionOutcome ExecuteEndMode(std::int32_t) override { return EndActionOutcome::Failed; }
    void Close() override {}
    void OneOffsChanged() override {}
    bool UserBusy() override { return false; }
};

// The window's check once a second: the uptime's look for a sleep, the
// zone's word on a repeated hour, and the current second over the list.
void BM_Check(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    const ScheduleList list = MakeList(count, true);
    CSystemClock clock;
    CSystemUptime uptime;
    const CSystemLocalTime zone;
    IdleHost host;
    CCheckCycle cycle(list, clock, uptime, zone, host);
    for (auto _ : state) {
        cycle.Check();
    }
    state.counters["per_entry"] = benchmark::Counter(
        count, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

BENCHMARK(BM_Check)->ArgName("entries")->Arg(10)->Arg(1000)->Arg(100000);

void SetZone(const char* zone) {
    setenv("TZ", zone, 1);
    tzset();
}

// Daily entries, dates with and without a year (29 February among them),
// weekday masks, and one in eight that is never due.
ScheduleList MakeMixedList(int count) {
    std::mt19937 rng(11);
    const auto in = [&rng](int lo, int hi) { return std::uniform_int_distribution(lo, hi)(rng); };
    ScheduleList list;
    for (int i = 0; i < count; ++i) {
        CScheduleItem item;
        item.hour = in(0, 23);
        item.minute = in(0, 59);
        item.second = in(0, 59);
        item.sd_mode = in(0, 3);
        switch (in(0, 7)) {
        case 0: // every day
            break;
        case 1: // a day of every month
            item.day = in(1, 31);
            break;
        case 2: // a date of every year
            item.month = in(1, 12);
            item.day = in(1, DaysInMonth(2026, item.month));
            break;
        case 3: // a date of a coming year
            item.year = in(2026, 2030);
            item.month = in(1, 12);
            item.day = in(1, 28);
            break;
        case 4: // 29 February
            item.month = 2;
            item.day = 29;
            break;
        case 5:
        case 6: // weekdays
            item.time_mode = Week;
            item.week = in(1, 127);
            break;
        case 7: // never: a past year
            item.year = 2020;
            break;
        }
        list.AddTail(item);
    }
    return list;
}

// From 15 June 2026, 03:00:00 UTC. With 100 entries the few conversions show.
void BM_NextDue(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    const char* zone = state.range(1) != 0 ? "America/New_York" : "Asia/Tokyo";
    SetZone(zone);
    const ScheduleList list = MakeMixedList(count);
    const CSystemLocalTime local;
    const CNextDueFinder finder(list, local);
    for (auto _ : state) {
        benchmark::DoNotOptimize(finder.NextDue(1781492400));
    }
    state.SetLabel(zone);
    state.counters["per_entry"] = benchmark::Counter(
        count, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    SetZone("Asia/Tokyo");
}

BENCHMARK(BM_NextDue)
    ->ArgNames({"entries", "new_york"})
    ->ArgsProduct({{100, 100000}, {0, 1}})
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(5);

} // namespace

int main(int argc, char** argv) {
    // The local time of the program's users, set before any conversion.
    SetZone("Asia/Tokyo");
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
