// Playback bursts on a 24-hour track at x100: each burst advances the cursor by 100 points and
// composes GGA, GSA, GSV (every fifth burst), RMC, VTG and GLL from the point under it, under
// the track's lock, as the destination's send thread does once per second.
#include "bench/DriveSentences.h"
#include "bench/DriveSimulator.h"
#include "comm/PlaybackBurst.h"
#include "comm/PlaybackCursor.h"
#include "tracks/Track.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <mutex>
#include <string>
#include <string_view>

namespace {

constexpr long kSeconds = 24 * 3600;
constexpr std::time_t kStart = 1777620600; // 2026-05-01 07:30:00 UTC

// The day's drive decoded into a track once.
CTrack& DayTrack() {
    static const std::unique_ptr<CTrack> track = [] {
        auto day = std::make_unique<CTrack>();
        DriveSimulator drive(46.94809, 7.44744, 1);
        std::string second;
        bool outOfMemory = false;
        for (long t = 0; t < kSeconds; ++t) {
            second.clear();
            AppendDriveSecond(second, drive.Step(), kStart + t, t);
            std::string_view rest = second;
            while (!rest.empty()) {
                const std::size_t end = rest.find('\n') + 1;
                day->DecodeLine(rest.substr(0, end), outOfMemory);
                rest.remove_prefix(end);
            }
        }
        return day;
    }();
    return *track;
}

void PlaybackBurstAtX100(benchmark::State& state) {
    CTrack& track = DayTrack();
    std::mutex lock;
    track.SetPlaybackMode(PlaybackMode::Play);
    track.SetSpeedZoom(100);
    track.SetCurrentIndex(0);
    int cycle = 0;
    std::size_t bytes = 0;
    for (auto _ : state) {
        std::string burst;
        {
            std::lock_guard guard(lock);
            if (track.CurrentIndex() == track.LastIndex()) {
                track.SetCurrentIndex(0); // around again: every burst walks the track
            }
            const TrackPoint point = FetchAndAdvance(track);
            benchmark::DoNotOptimize(point);
            burst = ComposeBurst(track, cycle == 0);
        }
        cycle = (cycle + 1) % kBurstsPerSatelliteReport;
        bytes += burst.size();
        benchmark::DoNotOptimize(burst);
    }
    state.counters["points"] = track.PointCount();
    state.counters["bytes_per_burst"] =
        static_cast<double>(bytes) / static_cast<double>(state.iterations());
}
BENCHMARK(PlaybackBurstAtX100)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
