// The decode path without the disk: one hour of generated drive held in memory, fed line by
// line into a track (framing, checksum, fields, epoch rule, point rule, statistics), and the
// record-file line reader on the same text from a file in the page cache.
#include "bench/DriveSentences.h"
#include "bench/DriveSimulator.h"
#include "navigation/Geodesy.h"
#include "tracks/RecordLineReader.h"
#include "tracks/Track.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr long kSeconds = 3600;
constexpr std::time_t kStart = 1777620600; // 2026-05-01 07:30:00 UTC

const std::string& DriveText() {
    static const std::string text = [] {
        std::string out;
        DriveSimulator drive(46.94809, 7.44744, 1);
        for (long t = 0; t < kSeconds; ++t) {
            AppendDriveSecond(out, drive.Step(), kStart + t, t);
        }
        return out;
    }();
    return text;
}

std::vector<std::string_view> DriveLines() {
    std::vector<std::string_view> lines;
    std::string_view text = DriveText();
    while (!text.empty()) {
        const std::size_t end = text.find('\n') + 1;
        lines.push_back(text.substr(0, end));
        text.remove_prefix(end);
    }
    return lines;
}

void TrackDecode(benchmark::State& state) {
    const std::vector<std::string_view> lines = DriveLines();
    for (auto _ : state) {
        const auto track = std::make_unique<CTrack>();
        bool outOfMemory = false;
        for (const std::string_view line : lines) {
            track->DecodeLine(line, outOfMemory);
        }
        benchmark::DoNotOptimize(track->TripDistance());
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(lines.size()));
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(DriveText().size()));
}
BENCHMARK(TrackDecode)->Unit(benchmark::kMillisecond);

void LineReader(benchmark::State& state) {
    const std::filesystem::path path =
        std::filesystem::temp_directory_path() / "zrv-decode-bench-drive.txt";
    if (std::FILE* file = std::fopen(path.c_str(), "wb")) {
        std::fwrite(DriveText().data(), 1, DriveText().size(), file);
        std::fclose(file);
    }
    std::int64_t lines = 0;
    for (auto _ : state) {
        RecordLineReader reader;
        if (!reader.Open(path.string())) {
            state.SkipWithError(reader.Error().c_str());
            break;
        }
        std::string_view line;
        while (reader.NextLine(line)) {
            ++lines;
        }
    }
    std::filesystem::remove(path);
    state.SetItemsProcessed(lines);
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(DriveText().size()));
}
BENCHMARK(LineReader)->Unit(benchmark::kMillisecond);

void Distance(benchmark::State& state) {
    double lat = 46.9;
    for (auto _ : state) {
        lat += 1e-7;
        benchmark::DoNotOptimize(GetDistance(lat, 7.4, 46.95, 7.45));
    }
}
BENCHMARK(Distance);

} // namespace

BENCHMARK_MAIN();
