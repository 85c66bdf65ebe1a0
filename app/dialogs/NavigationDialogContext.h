#pragma once

#include "navigation/DistanceUnits.h"
#include "nmea/Coordinates.h"

#include <functional>

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

// The position of the live track's latest fix; unset when it has none.
CLatLong CurrentPosition(ApplicationCore& core);

// The unit of the lists' distances ("DistanceUnits"), nautical miles when absent.
DistanceUnit StoredDistanceUnit(RegistryStore& registry);
