// Load and save of settings files with 10 to 100,000 entries, against the
// cost of just reading and writing the same bytes.

#include "settings/ProfileFile.h"
#include "settings/SettingsFile.h"

#include <benchmark/benchmark.h>

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
        m_dir = fs::temp_directory_path() /
                ("qb-settings-bench-" + std::to_string(::getpid()) + "-" + std::to_string(n));
        fs::create_directories(m_dir);
        path = (m_dir / "Quillaberton.dat").string();
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
    ~Fixture() { fs::remove_all(m_dir); }
    Fixture(const Fixture&) = delete;
    Fixture& operator=(const Fixture&) = delete;

    std::string path;
    std::uintmax_t bytes = 0;

private:
    fs::path m_dir;
};

void Report(benchmark::State& state, const Fixture& f) {
    state.counters["lines"] = static_cast<double>(3 + 11 * state.range(0));
    state.counters["bytes"] = static_cast<double>(f.bytes);
}

// The store alone: Load, then Save (temp file, fsync, rename).
void BM_StoreLoadSave(benchmark::State& state) {
    Fixture f(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        CProfileFile store;
        store.Load(f.path);
        store.Save();
        benchmark::DoNotOptimize(store.GetLines().data());
    }
    Report(state, f);
}

// What the program does at start and at exit: LoadSettings (which reads and
// rewrites the file), then SaveSettings (which reads the old file, then
// writes the new one): two reads and two atomic writes.
void BM_LoadSettingsSaveSettings(benchmark::State& state) {
    Fixture f(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        ScheduleList list;
        std::int32_t tray = 0;
        LoadSettings(list, tray, f.path);
        SaveSettings(list, tray, f.path);
        benchmark::DoNotOptimize(list.GetCount());
    }
    Report(state, f);
}

// Baseline: read the file's bytes and write them to another file; with
// durable set, also fsync and rename over the original as Save does.
void ReadWrite(benchmark::State& state, bool durable) {
    Fixture f(static_cast<int>(state.range(0)));
    const std::string copy = f.path + ".copy";
    std::string buf(static_cast<std::size_t>(f.bytes), '\0');
    for (auto _ : state) {
        std::FILE* in = std::fopen(f.path.c_str(), "rb");
        const std::size_t got = std::fread(buf.data(), 1, buf.size(), in);
        std::fclose(in);
        const int fd = ::open(copy.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
        if (::write(fd, buf.data(), got) != static_cast<ssize_t>(got)) {
            state.SkipWithError("write failed");
        }
        if (durable) {
            ::fsync(fd);
        }
        ::close(fd);
        if (durable) {
            std::rename(copy.c_str(), f.path.c_str());
        }
    }
    Report(state, f);
}

void BM_BaselineReadWrite(benchmark::State& state) {
    ReadWrite(state, false);
}
void BM_BaselineReadWriteFsyncRename(benchmark::State& state) {
    ReadWrite(state, true);
}

void Sizes(benchmark::internal::Benchmark* b) {
    b->Arg(10)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
}

BENCHMARK(BM_BaselineReadWrite)->Apply(Sizes);
BENCHMARK(BM_BaselineReadWriteFsyncRename)->Apply(Sizes);
BENCHMARK(BM_StoreLoadSave)->Apply(Sizes);
BENCHMARK(BM_LoadSettingsSaveSettings)->Apply(Sizes);

} // namespace

BENCHMARK_MAIN();
