// One due-check tick over lists of 10 to 100,000 entries, with the system
// clock that keeps its reading for the current second, and with a fresh
// time() + localtime() for every reading side by side.
#include "schedule/DueChecker.h"
#include "schedule/SystemClock.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <ctime>

namespace {

// A fresh conversion for every reading.
class PlainClock final : public IClock {
public:
    const ClockReading& Read() override {
        const std::time_t now = std::time(nullptr);
        const std::tm* tm = std::localtime(&now);
        m_reading = {tm->tm_year + 1900, tm->tm_mon + 1, tm->tm_mday, tm->tm_wday,
                     tm->tm_hour,        tm->tm_min,     tm->tm_sec};
        return m_reading;
    }

private:
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

} // namespace

int main(int argc, char** argv) {
    // The local time of the program's users, set before any conversion.
    setenv("TZ", "Asia/Tokyo", 1);
    tzset();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
