#include "tests/comm/AppFixture.h"

#include "platform/DeviceFolder.h"

#include <gtest/gtest.h>
#include <thread>

AppFixture::AppFixture(ISystemCalls& calls, const GpsdAddress& gpsd)
    : paths(PlatformPaths::Below(home.Path())), clock(MakeCalendarTime({2026, 5, 1, 7, 30, 0})) {
    paths.gpsd = gpsd;
    registry = std::make_unique<RegistryStore>(paths, &prompts);
    app = std::make_unique<ApplicationCore>(
        ApplicationServices{paths, *registry, prompts, view, timers, clock, calls});
    EXPECT_TRUE(app->Start(false));
}

AppFixture::~AppFixture() {
    app.reset();
    // Work posted for the application must not run after it is gone.
    view.DropPosted();
}

void AppFixture::LinkPort(const std::string& name, const std::string& target) {
    DeviceFolder folder(paths);
    ASSERT_EQ(folder.CreateLink(name, target), 0);
}

void AppFixture::WaitForPlaybackLoaded() {
    ASSERT_TRUE(WaitUntil([&] { return !app->PlaybackReader().IsRunning(); }));
    view.RunPosted(std::chrono::milliseconds(0));
}

std::vector<TrackPoint> AppFixture::Points(int engine) {
    std::lock_guard lock(app->TrackLock(engine));
    const CTrack& track = app->Document().Track(engine);
    std::vector<TrackPoint> points;
    for (int i = 0; i < track.PointCount(); ++i) {
        points.push_back(track.PointAt(i));
    }
    return points;
}

bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

bool SamePoint(const TrackPoint& a, const TrackPoint& b) {
    return a.Time() == b.Time() && a.Position() == b.Position() &&
           a.SpeedOverGround() == b.SpeedOverGround() &&
           a.CourseOverGround() == b.CourseOverGround() && a.Altitude() == b.Altitude();
}
