// Load and save of settings files with 10 to 100,000 entries, against the
// cost of just reading and writing the same bytes. The store's benchmarks run
// that baseline after every iteration and report it (base_ms) and their ratio
// to it (x_base), measured in the same run.

#include "settings/ProfileFile.h"
#include "platform/DiskSettings.h"
#include "platform/StdFileOps.h"
#include "settings/SettingsFile.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fcntl.h>
#include <string>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

// A settings file of n entries in a folder of its own.
class Fixture {
public:
    explicit Fixture(int n) {
        dir = (fs::temp_directory_path() /
               ("qb-settings-bench-" + std::to_string(::getpid()) + "-" + std::to_string(n)))
                  .string();
        fs::create_directories(dir);
        path = (fs::path(dir) / "Quillaberton.dat").string();
        ScheduleList list;
        for (int i = 0; i < n; ++i) {
            CScheduleItem item;
            item.time_mode = i % 2;
            item.week = i % 128;
            item.hour = i % 24;
            item.minute = i % 60;
            item.second = (i * 7) % 60;
            item.sd_mode = i % 4;
            list.AddTail(item);
        }
        SaveSettings(list, 1, path);
        bytes = fs::file_size(path);
    }
    ~Fixture() { fs::remove_all(dir); }
    Fixture(const Fixture&) = delete;
    Fixture& operator=(const Fixture&) = delete;

    std::string dir;
    std::string path;
    std::uintmax_t bytes = 0;
};

void Report(benchmark::State& state, const Fixture& f) {
    state.counters["lines"] = static_cast<double>(3 + 11 * state.range(0));
    state.counters["bytes"] = static_cast<double>(f.bytes);
}

double Seconds(std::chrono::steady_clock::time_point from) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - from).count();
}

// Reads the file's bytes in one go; false on error.
bool ReadAll(const std::string& path, std::string& buf) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    std::size_t got = 0;
    for (;;) {
        const ssize_t n = ::read(fd, buf.data() + got, buf.size() - got);
        if (n <= 0) {
            ::close(fd);
            return n == 0;
        }
        got += static_cast<std::size_t>(n);
        if (got == buf.size()) {
            buf.resize(buf.size() * 2);
        }
    }
}

// Baseline: read the file's bytes and write them back. Durable, it does what
// a save does around the bytes: a new temporary beside the file, fsync,
// rename over the file, fsync of the folder; else it overwrites a copy.
bool ReadWrite(const Fixture& f, std::string& buf, bool durable) {
    if (!ReadAll(f.path, buf)) {
        return false;
    }
    const std::string temp = f.path + (durable ? ".tmp" : ".copy");
    const int flags = durable ? O_WRONLY | O_CREAT | O_EXCL : O_WRONLY | O_CREAT | O_TRUNC;
    if (durable) {
        ::unlink(temp.c_str());
    }
    const int fd = ::open(temp.c_str(), flags | O_CLOEXEC, 0666);
    if (fd < 0) {
        return false;
    }
    const auto size = static_cast<ssize_t>(f.bytes);
    bool ok = ::write(fd, buf.data(), static_cast<std::size_t>(size)) == size;
    if (durable) {
        ok = ::fsync(fd) == 0 && ok;
    }
    ok = ::close(fd) == 0 && ok;
    if (durable) {
        ok = std::rename(temp.c_str(), f.path.c_str()) == 0 && ok;
        const int dir = ::open(f.dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dir >= 0) {
            ::fsync(dir);
            ::close(dir);
        }
    }
    return ok;
}

void Baseline(benchmark::State& state, bool durable) {
    Fixture f(static_cast<int>(state.range(0)));
    std::string buf(static_cast<std::size_t>(f.bytes) + 1, '\0');
    for (auto _ : state) {
        if (!ReadWrite(f, buf, durable)) {
            state.SkipWithError("read or write failed");
            break;
        }
    }
    Report(state, f);
}

void BM_BaselineReadWrite(benchmark::State& state) {
    Baseline(state, false);
}
void BM_BaselineReadWriteFsyncRename(benchmark::State& state) {
    Baseline(state, true);
}

// Times op, and after each run of it the durable baseline on the same file,
// so that both see the same load of the machine. Reports the baseline's time
// and the ratio op / baseline; for an op that reads and writes the file more
// than once (cycles), also the ratio to that many baselines.
template <typename Op>
void AgainstBaseline(benchmark::State& state, Op op, int cycles = 1) {
    Fixture f(static_cast<int>(state.range(0)));
    std::string buf(static_cast<std::size_t>(f.bytes) + 1, '\0');
    double opSeconds = 0;
    double baseSeconds = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        op(f);
        const double t = Seconds(start);
        state.SetIterationTime(t);
        opSeconds += t;
        const auto baseStart = std::chrono::steady_clock::now();
        if (!ReadWrite(f, buf, true)) {
            state.SkipWithError("baseline failed");
            break;
        }
        baseSeconds += Seconds(baseStart);
    }
    Report(state, f);
    const auto n = static_cast<double>(state.iterations());
    state.counters["base_ms"] = n > 0 ? baseSeconds * 1000 / n : 0;
    state.counters["x_base"] = baseSeconds > 0 ? opSeconds / baseSeconds : 0;
    if (cycles > 1) {
        state.counters["x_cycles"] = baseSeconds > 0 ? opSeconds / (cycles * baseSeconds) : 0;
    }
}

// The store alone: Load, then Save (temp file, fsync, rename).
void BM_StoreLoadSave(benchmark::State& state) {
    AgainstBaseline(state, [](const Fixture& f) {
        CStdFileOps ops;
        CProfileFile store(ops);
        store.Load(f.path);
        store.Save();
        benchmark::DoNotOptimize(&store);
    });
}

// What the program does at start and at exit: LoadSettings (which reads and
// rewrites the file), then SaveSettings (which reads the old file, then
// writes the new one): two reads and two atomic writes, so x_base is at
// least about 2; x_cycles compares with two baselines.
void BM_LoadSettingsSaveSettings(benchmark::State& state) {
    AgainstBaseline(
        state,
        [](const Fixture& f) {
            ScheduleList list;
            std::int32_t tray = 0;
            LoadSettings(list, tray, f.path);
            SaveSettings(list, tray, f.path);
            benchmark::DoNotOptimize(list.GetCount());
        },
        2);
}

// The two halves on their own.
void BM_LoadSettings(benchmark::State& state) {
    AgainstBaseline(state, [](const Fixture& f) {
        ScheduleList list;
        std::int32_t tray = 0;
        LoadSettings(list, tray, f.path);
        benchmark::DoNotOptimize(list.GetCount());
    });
}

void BM_SaveSettings(benchmark::State& state) {
    Fixture f(static_cast<int>(state.range(0)));
    ScheduleList list;
    std::int32_t tray = 0;
    LoadSettings(list, tray, f.path);
    AgainstBaseline(state, [&](const Fixture& g) { SaveSettings(list, tray, g.path); });
}

void Sizes(benchmark::internal::Benchmark* b) {
    b->Arg(10)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
}

void TimedSizes(benchmark::internal::Benchmark* b) {
    Sizes(b);
    b->UseManualTime();
}

BENCHMARK(BM_BaselineReadWrite)->Apply(Sizes);
BENCHMARK(BM_BaselineReadWriteFsyncRename)->Apply(Sizes);
BENCHMARK(BM_StoreLoadSave)->Apply(TimedSizes);
BENCHMARK(BM_LoadSettingsSaveSettings)->Apply(TimedSizes);
BENCHMARK(BM_LoadSettings)->Apply(TimedSizes);
BENCHMARK(BM_SaveSettings)->Apply(TimedSizes);

} // namespace

BENCHMARK_MAIN();
