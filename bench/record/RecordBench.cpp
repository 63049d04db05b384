// One line appended to the record file near its 1 MB cap: a plain append,
// and the append that drops the older half first. Each reports the median
// and the worst single append (median_ms, worst_ms).

#include "platform/StdFileOps.h"
#include "record/RecordFile.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

// A typical line: Japanese text, about 110 bytes.
const std::string kLine = "2026-12-09 23:00:15 +09:00 警告を表示 「夜間のシャットダウン」 "
                          "シャットダウン 予定 2026-12-09 23:01:00";

// A record of `bytes` bytes of whole lines in a folder of its own.
class Fixture {
public:
    explicit Fixture(std::uint64_t bytes) {
        dir = fs::temp_directory_path() / ("qb-record-bench-" + std::to_string(::getpid()));
        fs::create_directories(dir);
        path = (dir / kRecordFileName).string();
        full = (dir / "full.log").string();
        CStdFileOps ops;
        CRecordFile file(full, ops, bytes + kLine.size() + 2);
        while (fs::exists(full) ? fs::file_size(full) + kLine.size() + 2 <= bytes : true) {
            file.Append(kLine);
        }
        Restore();
    }
    ~Fixture() { fs::remove_all(dir); }
    Fixture(const Fixture&) = delete;
    Fixture& operator=(const Fixture&) = delete;

    void Restore() const { fs::copy_file(full, path, fs::copy_options::overwrite_existing); }

    fs::path dir;
    std::string path;
    std::string full;
};

void Report(benchmark::State& state, std::vector<double>& ms) {
    std::sort(ms.begin(), ms.end());
    state.counters["median_ms"] = ms.empty() ? 0 : ms[ms.size() / 2];
    state.counters["worst_ms"] = ms.empty() ? 0 : ms.back();
}

double Append(CRecordFile& file) {
    const auto start = std::chrono::steady_clock::now();
    file.Append(kLine);
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

// Lines appended to a file 64 KB below the cap: no drop.
void BM_AppendLine(benchmark::State& state) {
    const Fixture f(CRecordFile::kCap - 64 * 1024);
    CStdFileOps ops;
    CRecordFile file(f.path, ops);
    std::vector<double> ms;
    for (auto _ : state) {
        if (fs::file_size(f.path) + 1024 > CRecordFile::kCap) {
            state.PauseTiming();
            f.Restore();
            state.ResumeTiming();
        }
        ms.push_back(Append(file));
    }
    Report(state, ms);
}
BENCHMARK(BM_AppendLine)->Unit(benchmark::kMicrosecond);

// The line that passes the cap: the older half dropped, the rest written to
// a temporary file, flushed to the device and put in place.
void BM_AppendWithDrop(benchmark::State& state) {
    const Fixture f(CRecordFile::kCap - 8);
    CStdFileOps ops;
    CRecordFile file(f.path, ops);
    std::vector<double> ms;
    for (auto _ : state) {
        state.PauseTiming();
        f.Restore();
        state.ResumeTiming();
        ms.push_back(Append(file));
    }
    Report(state, ms);
}
BENCHMARK(BM_AppendWithDrop)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
