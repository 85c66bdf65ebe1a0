// The record file's cost per second of receiving, with and without syncing its data to the
// device. One iteration is one second of a receiver that fills a 115200-baud line (11520 bytes,
// more than a 10 Hz receiver sends), appended sentence by sentence as the receive thread does,
// on a clock that advances with the sentences, so the record file syncs once per iteration as
// it does once per second of a live recording. The time of an iteration is the share of each
// second that recording takes on the receive thread.
//
// RecordSingleSync measures one sync after one sentence: the longest the receive thread waits.
// The kernel holds what arrives meanwhile (4096 bytes for a tty, 0.36 s at 115200 baud).
//
// The file is written in ZRV_RECORD_BENCH_DIR when set (to measure a memory card), else in the
// temporary folder.
#include "bench/DriveSentences.h"
#include "bench/DriveSimulator.h"
#include "comm/RecordFile.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr std::size_t kLineBytesPerSecond = 115200 / 10; // 8N1: ten bits a byte
constexpr std::time_t kStart = 1777620600;               // 2026-05-01 07:30:00 UTC

// The sentences of one second of a full line: whole receiver seconds with every satellite
// report, cut at the line's capacity.
std::vector<std::string> FullLineSecond() {
    DriveSimulator drive(46.94809, 7.44744, 1);
    std::vector<std::string> sentences;
    std::size_t bytes = 0;
    for (long t = 0; bytes < kLineBytesPerSecond; ++t) {
        std::string second;
        AppendDriveSecond(second, drive.Step(), kStart + t, t, 1);
        for (std::size_t at = 0; at < second.size() && bytes < kLineBytesPerSecond;) {
            const std::size_t end = second.find('\n', at) + 1;
            sentences.push_back(second.substr(at, end - at));
            bytes += end - at;
            at = end;
        }
    }
    return sentences;
}

std::filesystem::path BenchFolder() {
    const char* folder = std::getenv("ZRV_RECORD_BENCH_DIR");
    return folder != nullptr && *folder != '\0' ? std::filesystem::path(folder)
                                                : std::filesystem::temp_directory_path();
}

std::filesystem::path BenchFile() {
    return BenchFolder() / ("zrv-record-bench-" + std::to_string(getpid()) + ".txt");
}

// state.range(0): 1 syncs once a second, 0 never syncs (the clock stands still).
void RecordFullLineSecond(benchmark::State& state) {
    const bool syncing = state.range(0) != 0;
    const std::vector<std::string> sentences = FullLineSecond();
    const auto step =
        std::chrono::nanoseconds(std::chrono::seconds(1)) / static_cast<long>(sentences.size());
    std::chrono::steady_clock::time_point now{};
    const std::filesystem::path path = BenchFile();
    RecordFile file(RealSystemCalls(), [&now] { return now; });
    if (file.Create(path) != 0) {
        state.SkipWithError("the record file cannot be created");
        return;
    }
    std::size_t bytes = 0;
    for (auto _ : state) {
        for (const std::string& sentence : sentences) {
            if (syncing) {
                now += step;
            }
            if (file.Append(sentence) != RecordFile::Outcome::Written) {
                state.SkipWithError("a write failed");
                break;
            }
            bytes += sentence.size();
        }
    }
    file.Close();
    if (file.FailureError() != 0) {
        state.SkipWithError("a sync failed");
    }
    std::filesystem::remove(path);
    state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
    state.counters["sentences_per_second"] = static_cast<double>(sentences.size());
}
BENCHMARK(RecordFullLineSecond)->ArgName("sync")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void RecordSingleSync(benchmark::State& state) {
    const std::vector<std::string> sentences = FullLineSecond();
    std::chrono::steady_clock::time_point now{};
    const std::filesystem::path path = BenchFile();
    RecordFile file(RealSystemCalls(), [&now] { return now; });
    if (file.Create(path) != 0) {
        state.SkipWithError("the record file cannot be created");
        return;
    }
    std::size_t index = 0;
    for (auto _ : state) {
        now += RecordFile::kSyncPeriod;
        file.Append(sentences[index]);
        index = (index + 1) % sentences.size();
    }
    file.Close();
    std::filesystem::remove(path);
}
BENCHMARK(RecordSingleSync)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
