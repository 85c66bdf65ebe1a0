// The navigation dialogs over a store of 100,000 waypoints and 1,000 routes, on the offscreen
// platform: opening the waypoint list, the nearest list of all waypoints, deleting a waypoint
// that many routes use followed by the list's refresh, and choosing every waypoint in the Add
// chooser of a route.
#include "app/CObrin2App.h"
#include "app/dialogs/CNavigationListView.h"
#include "app/dialogs/CNearestWaypointListDlg.h"
#include "app/dialogs/CWaypointListDlg.h"
#include "app/dialogs/CWaypointListModel.h"
#include "bench/StoreGenerator.h"
#include "navigation/NavigationDataBase.h"
#include "navigation/NearestWaypoints.h"
#include "nmea/Sentence.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>

namespace {

constexpr int kWaypoints = 100000;
constexpr int kRoutes = 1000;

struct Program {
    std::filesystem::path home;
    std::unique_ptr<CObrin2App> app;
};

Program& Loaded() {
    static Program program = [] {
        Program made;
        made.home = std::filesystem::temp_directory_path() / "zrv-dialogs-bench";
        std::filesystem::remove_all(made.home);
        std::filesystem::create_directories(made.home);
        made.app = std::make_unique<CObrin2App>(PlatformPaths::Below(made.home));
        ApplicationCore& core = made.app->Core();
        core.Document().Store().FeedContent(GenerateStoreText(kWaypoints, kRoutes, 20),
                                            "/bench/NaviStor.zrv");
        // A live fix in the middle of the generated area.
        std::lock_guard lock(core.TrackLock(kEngineTrack2));
        for (const char* text : {"$GPGGA,073000.00,4806.0000,N,01130.0000,E,1,08,0.9,500.0,M,"
                                 "46.9,M,,*",
                                 "$GPRMC,073000.00,A,4806.0000,N,01130.0000,E,20.5,045.0,010526,,"
                                 "*"}) {
            bool outOfMemory = false;
            core.Document().DecodeLine(kEngineTrack2, *FinishLine(text), outOfMemory, {});
        }
        return made;
    }();
    return program;
}

NavigationDialogContext Context() {
    return {Loaded().app->Core(), {}};
}

// Until the dialog is on screen with its visible rows painted.
void ShowAndPaint(QWidget& dialog) {
    dialog.show();
    QApplication::processEvents();
}

void OpenWaypointList(benchmark::State& state) {
    for (auto _ : state) {
        CWaypointListDlg dialog(Context());
        ShowAndPaint(dialog);
        benchmark::DoNotOptimize(dialog.Model()->rowCount());
    }
}
BENCHMARK(OpenWaypointList)->Unit(benchmark::kMillisecond);

void NearestAllWaypoints(benchmark::State& state) {
    for (auto _ : state) {
        CNearestWaypointListDlg dialog(Context(), kAllWaypoints);
        ShowAndPaint(dialog);
    }
}
BENCHMARK(NearestAllWaypoints)->Unit(benchmark::kMillisecond);

void DeleteWaypointUsedByEveryRoute(benchmark::State& state) {
    CWaypointListDlg dialog(Context());
    ShowAndPaint(dialog);
    CNavigationDataBase& store = Loaded().app->Core().Document().Store();
    int round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const std::string name = "BENCH" + std::to_string(round++);
        store.StoreWaypoint(CWaypoint(name, CLatLong::FromDecimalDegrees(48.0, 11.0)), true,
                            "bench");
        for (int route = 0; route < kRoutes; ++route) {
            store.AddWaypointToRoute(store.Route(route).Name(), name);
        }
        dialog.Model()->Refresh();
        state.ResumeTiming();
        store.DeleteWaypointFromSystem(name);
        dialog.Model()->Refresh();
        QApplication::processEvents();
    }
}
BENCHMARK(DeleteWaypointUsedByEveryRoute)->Unit(benchmark::kMillisecond);

// Select All (Ctrl+A) in "Add to the '%1' route", then the chosen waypoints in their order.
void SelectAllInAddChooser(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        auto chooser =
            std::make_unique<CWaypointListDlg>(Context(), CWaypointListDlg::Mode::Select, "R");
        state.ResumeTiming();
        chooser->List()->selectAll();
        benchmark::DoNotOptimize(chooser->ChosenWaypoints().size());
        state.PauseTiming();
        chooser.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(SelectAllInAddChooser)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
