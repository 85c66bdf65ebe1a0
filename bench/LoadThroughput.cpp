// Loading a record file into track 1 with the playback reader, as `play` does before its first
// burst and the window's Open... does: the reader thread feeds every line to the navigation
// store and decodes it into track 1 under the track-1 lock. Prints the wall time from the
// start of the load until the reader has finished, and the points stored.
//
// usage: zrv-load-bench FILE
#include "comm/ApplicationCore.h"
#include "comm/HeadlessViewHost.h"
#include "platform/PlatformPaths.h"
#include "platform/Prompts.h"
#include "platform/RegistryStore.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <string>
#include <unistd.h>

namespace {

class PrintingPrompts final : public IPrompts {
public:
    PromptAnswer Show(const PromptRequest& request) override {
        std::fprintf(stderr, "%s: %s\n", request.caption.c_str(), request.text.c_str());
        return request.buttons == PromptButtons::YesNo ? PromptAnswer::No : PromptAnswer::Ok;
    }
};

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: zrv-load-bench FILE\n");
        return 2;
    }
    const std::string file = argv[1];
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("zrv-load-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    int points = 0;
    double seconds = 0.0;
    {
        PlatformPaths paths = PlatformPaths::Below(dir);
        PrintingPrompts prompts;
        RegistryStore registry(paths, &prompts);
        HeadlessViewHost view;
        HeadlessTimers timers;
        FixedClock clock(MakeCalendarTime({2026, 5, 1, 7, 30, 0}));
        ApplicationCore app(ApplicationServices{paths, registry, prompts, view, timers, clock});
        if (!app.Start(false)) {
            std::filesystem::remove_all(dir);
            return 1;
        }
        const auto start = std::chrono::steady_clock::now();
        app.LoadRecordFile(file, std::filesystem::path(file).filename().string());
        while (app.PlaybackReader().IsRunning()) {
            view.RunPosted(std::chrono::milliseconds(5));
        }
        seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        {
            std::lock_guard lock(app.TrackLock(kEngineTrack1));
            points = app.Document().Track(kEngineTrack1).PointCount();
        }
        view.DropPosted();
    }
    std::filesystem::remove_all(dir);
    std::printf("load into track 1: %.3f s, %d points\n", seconds, points);
    return points > 0 ? 0 : 1;
}
