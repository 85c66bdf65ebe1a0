// The navigation store at size: loading, saving and the nearest-waypoint list over all
// waypoints, beside the straightforward versions (a linear name search on every store, the
// selection loop that scans all remaining waypoints for each row).
#include "bench/StoreGenerator.h"
#include "navigation/Geodesy.h"
#include "navigation/NavigationDataBase.h"
#include "navigation/NearestWaypoints.h"
#include "nmea/RteSentence.h"
#include "nmea/WplSentence.h"
#include "platform/ScriptedPrompts.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <map>
#include <memory>
#include <random>

namespace {

class NoSettings final : public INavigationSettings {
public:
    std::uint32_t StartNumber(NavItemKind) override { return 0; }
    void SetStartNumber(NavItemKind, std::uint32_t) override {}
    std::optional<int> LastUsedIndex(NavItemKind) override { return std::nullopt; }
    void SetLastUsedIndex(NavItemKind, int) override {}
};

constexpr const char* kPath = "/bench/NaviStor.zrv";

// One route per hundred waypoints, twenty names each.
const std::string& StoreText(int waypoints) {
    static std::map<int, std::string> texts;
    auto& text = texts[waypoints];
    if (text.empty()) {
        text = GenerateStoreText(waypoints, waypoints / 100, 20);
    }
    return text;
}

struct LoadedStore {
    ScriptedPrompts prompts;
    NoSettings settings;
    CNavigationDataBase store{prompts, settings};
};

std::unique_ptr<LoadedStore> Load(int waypoints) {
    auto loaded = std::make_unique<LoadedStore>();
    loaded->store.FeedContent(StoreText(waypoints), kPath);
    return loaded;
}

void BM_Load(benchmark::State& state) {
    const std::string& text = StoreText(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        auto loaded = std::make_unique<LoadedStore>();
        loaded->store.FeedContent(text, kPath);
        benchmark::DoNotOptimize(loaded->store.Count(NavItemKind::Waypoint));
        state.PauseTiming(); // a store is loaded once and lives on
        loaded.reset();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}

void BM_StoreText(benchmark::State& state) {
    const auto loaded = Load(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        benchmark::DoNotOptimize(loaded->store.StoreFileText());
    }
}

// Writing, flushing to the disk and renaming into place, as "Save Changes Now" does.
void BM_Save(benchmark::State& state) {
    const auto loaded = Load(static_cast<int>(state.range(0)));
    const auto folder = std::filesystem::temp_directory_path() / "zrv-store-bench";
    std::filesystem::create_directories(folder);
    {
        StoreFile file(folder / CNavigationDataBase::kStoreFileName);
        file.Open(StoreFile::Access::ReadWrite);
        for (auto _ : state) {
            if (loaded->store.Save(file)) {
                state.SkipWithError("save failed");
            }
        }
    }
    std::filesystem::remove_all(folder);
}

void BM_NearestAll(benchmark::State& state) {
    const auto loaded = Load(static_cast<int>(state.range(0)));
    const CLatLong here = CLatLong::FromDecimalDegrees(48.2, 16.4);
    for (auto _ : state) {
        benchmark::DoNotOptimize(NearestWaypoints(loaded->store, here, kAllWaypoints));
    }
}

// --- The straightforward versions -------------------------------------------------------

// Stores every waypoint and route after looking its name up from the start of the array.
class StraightforwardStore final : public IStoreTarget {
public:
    void ReceiveWaypoint(std::string name, const CLatLong& position) override {
        for (std::size_t i = 0; i < waypoints.size(); ++i) {
            if (waypoints[i].Name() == name) {
                waypoints.erase(waypoints.begin() + static_cast<std::ptrdiff_t>(i));
                break;
            }
        }
        waypoints.emplace_back(std::move(name), position);
    }
    void ReceiveRoute(RouteKind kind, std::string name, std::vector<std::string> names) override {
        for (const CRoute& route : routes) {
            if (route.Name() == name) {
                return;
            }
        }
        routes.emplace_back(std::move(name), std::move(names), kind);
    }

    std::vector<CWaypoint> waypoints;
    std::vector<CRoute> routes;
};

void BM_StraightforwardLoad(benchmark::State& state) {
    const std::string& text = StoreText(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        StraightforwardStore store;
        CWplSentence wpl;
        CRteSentence rte;
        CSentence sentence;
        std::size_t start = 0;
        while (start < text.size()) {
            const std::size_t end = text.find('\n', start) + 1;
            sentence.Assign(std::string_view(text).substr(start, end - start));
            if (sentence.Field(0) == "GPWPL") {
                wpl.Parse(sentence, store);
            } else {
                rte.Parse(sentence, store);
            }
            start = end;
        }
        benchmark::DoNotOptimize(store.waypoints.size());
    }
}

// The selection loop as the list describes it: for each row, every remaining waypoint's
// distance, the strictly smallest taken.
void BM_StraightforwardNearestAll(benchmark::State& state) {
    const auto loaded = Load(static_cast<int>(state.range(0)));
    std::vector<CWaypoint> all;
    loaded->store.ForEachWaypoint([&](const CWaypoint& w) { all.push_back(w); });
    const double lat = 48.2;
    const double lon = 16.4;
    for (auto _ : state) {
        std::vector<const CWaypoint*> remaining;
        for (const CWaypoint& w : all) {
            remaining.push_back(&w);
        }
        std::vector<const CWaypoint*> rows;
        while (!remaining.empty()) {
            std::size_t best = 0;
            double bestDistance = 0.0;
            for (std::size_t i = 0; i < remaining.size(); ++i) {
                const CLatLong& p = remaining[i]->Position();
                const double d = GetDistance(lat, lon, p.Latitude().DecimalDegrees(),
                                             p.Longitude().DecimalDegrees());
                if (i == 0 || d < bestDistance) {
                    best = i;
                    bestDistance = d;
                }
            }
            rows.push_back(remaining[best]);
            remaining.erase(remaining.begin() + static_cast<std::ptrdiff_t>(best));
        }
        benchmark::DoNotOptimize(rows.data());
    }
}

} // namespace

BENCHMARK(BM_Load)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StraightforwardLoad)->Arg(10000)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StoreText)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Save)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NearestAll)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StraightforwardNearestAll)->Arg(10000)->Iterations(1)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
