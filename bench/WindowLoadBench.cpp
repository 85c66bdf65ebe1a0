// The window while it opens a long recording: the longest gap between the ticks of a 1 ms
// timer on the user-interface thread while the file is read (the event loop must never stall),
// the time the whole load takes, and the resident memory with the track loaded.
//   zrv-window-bench FILE
#include "app/CMainFrame.h"
#include "app/CObrin2App.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

// CPU time of the calling thread in nanoseconds: a gap that the thread did not spend working
// was spent waiting for a processor.
qint64 ThreadCpuNanoseconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<qint64>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

// VmRSS of this process in MiB.
double ResidentMiB() {
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        if (key == "VmRSS:") {
            double kib = 0;
            status >> kib;
            return kib / 1024.0;
        }
    }
    return -1;
}

} // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: zrv-window-bench FILE\n");
        return 2;
    }
    const std::filesystem::path file = std::filesystem::absolute(argv[1]);
    const std::filesystem::path home =
        std::filesystem::temp_directory_path() / ("zrv-window-bench-" + std::to_string(getpid()));
    int exitCode = 0;
    {
        CObrin2App app(PlatformPaths::Below(home));
        if (!app.InitInstance()) {
            return 1;
        }
        CMainFrame& frame = app.Frame();
        frame.resize(800, 480);
        frame.show();
        while (!app.SettingsApplied()) {
            QCoreApplication::processEvents();
        }
        QElapsedTimer clock;
        qint64 lastTick = 0;
        qint64 lastCpu = ThreadCpuNanoseconds();
        qint64 longestGap = 0;
        qint64 longestGapCpu = 0;
        qint64 longestCpu = 0;
        int ticks = 0;
        QTimer ticker;
        ticker.setTimerType(Qt::PreciseTimer);
        QObject::connect(&ticker, &QTimer::timeout, [&] {
            const qint64 now = clock.nsecsElapsed();
            const qint64 cpu = ThreadCpuNanoseconds();
            if (now - lastTick > longestGap) {
                longestGap = now - lastTick;
                longestGapCpu = cpu - lastCpu;
            }
            longestCpu = std::max(longestCpu, cpu - lastCpu);
            lastTick = now;
            lastCpu = cpu;
            ++ticks;
        });
        clock.start();
        ticker.start(1);
        frame.OpenPath(QString::fromStdString(file.string()));
        ApplicationCore& core = app.Core();
        while (core.PlaybackReader().IsRunning()) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        }
        // The reader's end is handled on the user-interface thread (title, redraw).
        QElapsedTimer settle;
        settle.start();
        while (settle.elapsed() < 200) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        }
        const double seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9 - 0.2;
        int points = 0;
        {
            std::lock_guard lock(core.TrackLock(kEngineTrack1));
            points = core.Document().Track(kEngineTrack1).PointCount();
        }
        std::printf("file %s: %d points loaded in %.2f s\n", file.filename().c_str(), points,
                    seconds);
        std::printf("longest event-loop gap while loading: %.1f ms, of which the user-interface "
                    "thread worked %.1f ms (%d ticks of a 1 ms timer)\n",
                    static_cast<double>(longestGap) / 1e6, static_cast<double>(longestGapCpu) / 1e6,
                    ticks);
        std::printf("longest work between two ticks: %.1f ms\n",
                    static_cast<double>(longestCpu) / 1e6);
        std::printf("resident memory with the track loaded: %.1f MiB\n", ResidentMiB());
        exitCode = points > 0 ? 0 : 1;
    }
    std::filesystem::remove_all(home);
    return exitCode;
}
