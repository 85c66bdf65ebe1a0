#pragma once

#include "comm/ApplicationCore.h"
#include "platform/CalendarTime.h"
#include "platform/PlatformPaths.h"
#include "platform/RegistryStore.h"
#include "platform/ScriptedPrompts.h"
#include "tests/comm/TestViewHost.h"
#include "tests/support/TestPaths.h"

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// An application core in a temporary home: its own documents folder, device folder and
// settings, scripted prompts, the test view host and a fixed clock (2026-05-01 07:30:00,
// a Friday).
class AppFixture {
public:
    // `gpsd`: where the built-in GPS ("GPDn:") is read.
    explicit AppFixture(ISystemCalls& calls = RealSystemCalls(), const GpsdAddress& gpsd = {});
    ~AppFixture();

    // Makes the device-folder entry `name` a link to `target`.
    void LinkPort(const std::string& name, const std::string& target);
    // Waits (running posted work meanwhile) until the playback reader has finished.
    void WaitForPlaybackLoaded();
    // The points of a track, copied under its lock.
    std::vector<TrackPoint> Points(int engine);

    testpaths::TempDir home;
    PlatformPaths paths;
    ScriptedPrompts prompts;
    TestViewHost view;
    TestTimers timers;
    FixedClock clock;
    std::unique_ptr<RegistryStore> registry;
    std::unique_ptr<ApplicationCore> app;
};

// Waits up to `limit` for the condition; true when it came.
bool WaitUntil(const std::function<bool()>& condition,
               std::chrono::milliseconds limit = std::chrono::seconds(20));

// The same point: time, position, speed, course and altitude.
bool SamePoint(const TrackPoint& a, const TrackPoint& b);
