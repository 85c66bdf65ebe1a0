#pragma once

#include "navigation/DistanceUnits.h"
#include "nmea/Coordinates.h"

#include <functional>
#include <optional>
#include <string>

class ApplicationCore;
class RegistryStore;
struct GuidanceCommandResult;

// What the navigation dialogs reach: the application core with its store, prompts and
// settings, and the frame's switch to the route guidance view.
struct NavigationDialogContext {
    ApplicationCore& core;
    std::function<void()> showGuidanceView;
};

// "&Play" of the lists: the first use makes every running output connection (serial port,
// then Bluetooth) send sentences composed from the navigation data, the next use stops them.
void ToggleListPlayback(ApplicationCore& core);
void StopListPlayback(ApplicationCore& core);

// What the window does after Go To or Go Along: stop the list playback, show guidance.
void ApplyGuidanceResult(const NavigationDialogContext& context,
                         const GuidanceCommandResult& result);

// The coordinate style of the position dialogs ("CoordinateStyles"), Traditional when absent.
CoordinateStyle StoredCoordinateStyle(RegistryStore& registry);
void StoreCoordinateStyle(RegistryStore& registry, CoordinateStyle style);

// Where the position dialogs (Mark Position, New Waypoint, Nearest Waypoints) take the current
// position from: while a receiver is recorded (Bluetooth first, then the serial port) the live
// track, with that connection's record file; else during a playback the played track, with
// the played file; else the live track without a file, and nothing can be marked.
struct PositionSource {
    int engine;
    std::optional<std::string> trackFile;
};
PositionSource ActivePositionSource(ApplicationCore& core);

// The latest position of a track: the live track's latest fix, or the played track's point
// being played; unset when it has none. Read under the track's lock.
CLatLong LatestPosition(ApplicationCore& core, int engine);
// The latest position of the active source.
CLatLong CurrentPosition(ApplicationCore& core);

// The unit of the lists' distances ("DistanceUnits"), nautical miles when absent.
DistanceUnit StoredDistanceUnit(RegistryStore& registry);
