// The driving views at size: a full redraw of the track plot and of the altitude profile into
// an 800x480 image for a day and for ten days of 1 Hz points, and the refresh ticks of an hour
// of driving on a live track of a day.
#include "app/view/CObrin2View.h"
#include "bench/DriveSentences.h"
#include "bench/DriveSimulator.h"
#include "comm/HeadlessViewHost.h"
#include "platform/CalendarTime.h"
#include "platform/PlatformPaths.h"
#include "platform/RegistryStore.h"
#include "platform/ScriptedPrompts.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <string_view>

namespace {

constexpr int kDay = 86400;

// Each line with its line end, as the file reader hands it on.
void DecodeLines(CTrack& track, std::string_view text) {
    bool outOfMemory = false;
    while (!text.empty()) {
        const std::size_t end = std::min(text.find('\n'), text.size() - 1) + 1;
        track.DecodeLine(text.substr(0, end), outOfMemory);
        text.remove_prefix(end);
    }
}

// An application core in a temporary home with a view of 800x480.
struct ViewBench {
    std::filesystem::path home;
    PlatformPaths paths;
    ScriptedPrompts prompts;
    HeadlessViewHost host;
    HeadlessTimers timers;
    FixedClock clock{MakeCalendarTime({2026, 5, 1, 7, 30, 0})};
    std::unique_ptr<RegistryStore> registry;
    std::unique_ptr<ApplicationCore> core;
    std::unique_ptr<CObrin2View> view;

    explicit ViewBench(int seconds)
        : home(std::filesystem::temp_directory_path() /
               ("zrv-view-bench-" + std::to_string(seconds))),
          paths(PlatformPaths::Below(home)) {
        std::filesystem::create_directories(home);
        registry = std::make_unique<RegistryStore>(paths, &prompts);
        core = std::make_unique<ApplicationCore>(
            ApplicationServices{paths, *registry, prompts, host, timers, clock});
        core->Start(false);
        Fill(kEngineTrack1, seconds);
        Fill(kEngineTrack2, std::min(seconds, kDay));
        view = std::make_unique<CObrin2View>(*core);
        view->resize(800, 480);
    }
    ~ViewBench() {
        view.reset();
        core.reset();
        std::filesystem::remove_all(home);
    }

    void Fill(int engine, int seconds) {
        DriveSimulator drive(48.1, 11.5, 2026);
        std::string text;
        std::lock_guard lock(core->TrackLock(engine));
        CTrack& track = core->Document().Track(engine);
        for (int second = 0; second < seconds; ++second) {
            text.clear();
            AppendDriveSecond(text, drive.Step(), 1777620600 + second, second);
            DecodeLines(track, text);
        }
    }
};

ViewBench& Bench(int seconds) {
    static std::map<int, std::unique_ptr<ViewBench>> benches;
    auto& bench = benches[seconds];
    if (!bench) {
        bench = std::make_unique<ViewBench>(seconds);
    }
    return *bench;
}

void FullRedraw(benchmark::State& state, int command) {
    ViewBench& bench = Bench(static_cast<int>(state.range(0)));
    bench.view->SelectView(command);
    for (auto _ : state) {
        bench.view->RedrawTrack(kEngineTrack1);
    }
    std::lock_guard lock(bench.core->TrackLock(kEngineTrack1));
    state.counters["points"] = bench.core->Document().Track(kEngineTrack1).PointCount();
}

void BM_FullRedrawTrackPlot(benchmark::State& state) {
    FullRedraw(state, command_ids::kViewRecordedTrack);
}
void BM_FullRedrawAltitudeProfile(benchmark::State& state) {
    FullRedraw(state, command_ids::kViewRecordedAltitude);
}

// An hour of driving at 50 km/h on the live track of a day, one point a second before each
// tick: round and round a circle inside the day's box, so that the odometer and the altitude
// extremes move as they do on the road while the box stays. Counts the ticks that drew the view
// from scratch and the points that changed the track's box.
void BM_RefreshTickLiveTrack(benchmark::State& state) {
    constexpr double kMetresPerDegree = 111320.0;
    constexpr double kPi = 3.14159265358979323846;
    constexpr double kMetresPerSecond = 50.0 / 3.6;
    ViewBench& bench = Bench(kDay);
    const bool plot = state.range(0) == 1;
    bench.view->SelectView(plot ? command_ids::kViewRecordingTrack
                                : command_ids::kViewRecordingAltitude);
    CTrack& track = bench.core->Document().Track(kEngineTrack2);
    double centreLatitude = 0.0;
    double centreLongitude = 0.0;
    double radius = 0.0;
    {
        std::lock_guard lock(bench.core->TrackLock(kEngineTrack2));
        centreLatitude = (track.North() + track.South()) / 2.0;
        centreLongitude = (track.East() + track.West()) / 2.0;
        const double cosine = std::cos(centreLatitude * kPi / 180.0);
        const double north = (track.North() - track.South()) * kMetresPerDegree;
        const double east = (track.East() - track.West()) * kMetresPerDegree * cosine;
        radius = 0.4 * std::min(north, east);
    }
    const double metresPerDegreeEast = kMetresPerDegree * std::cos(centreLatitude * kPi / 180.0);
    DriveSimulator::State point;
    point.speedKnots = 50.0 / 1.852;
    point.satellitesInUse = 8;
    point.satellitesInView = 10;
    const int fullBefore = bench.view->FullRedraws();
    int boxChanges = 0;
    long second = kDay;
    double angle = 0.0;
    std::string text;
    for (auto _ : state) {
        state.PauseTiming();
        angle += kMetresPerSecond / radius;
        point.latitude = centreLatitude + radius * std::cos(angle) / kMetresPerDegree;
        point.longitude = centreLongitude + radius * std::sin(angle) / metresPerDegreeEast;
        point.courseDegrees = std::fmod(angle * 180.0 / kPi + 90.0, 360.0);
        point.altitudeMetres = 500.0 + static_cast<double>(second - kDay) * 0.05;
        text.clear();
        AppendDriveSecond(text, point, 1777620600 + second, second);
        {
            std::lock_guard lock(bench.core->TrackLock(kEngineTrack2));
            const PlotScaleKey box = TrackPlotKeyOf(track);
            DecodeLines(track, text);
            boxChanges += TrackPlotKeyOf(track) != box ? 1 : 0;
        }
        ++second;
        state.ResumeTiming();
        bench.view->RefreshTick();
    }
    state.counters["fullRedraws"] = bench.view->FullRedraws() - fullBefore;
    state.counters["boxChanges"] = boxChanges;
}

} // namespace

BENCHMARK(BM_FullRedrawTrackPlot)->Arg(kDay)->Arg(10 * kDay)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FullRedrawAltitudeProfile)->Arg(kDay)->Arg(10 * kDay)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RefreshTickLiveTrack)->Arg(1)->Arg(2)->Iterations(3600)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
