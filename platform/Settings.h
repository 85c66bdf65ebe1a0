#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Every setting loaded at start-up, with its default. The objects that use a value take it
// from here when the application applies the settings.

enum class DeviceKind { None, Bluetooth, SerialPort, Network };

// The configured source or destination: a serial port, a Bluetooth device, a network address,
// or nothing.
struct DeviceSelection {
    DeviceKind kind = DeviceKind::None;
    std::string serialPort; // as stored, e.g. "COM3:" or "$device\COM12:"
    std::string deviceName;
    std::uint64_t remoteDeviceAddress = 0;
    std::string networkAddress = {}; // a URL, e.g. "tcp://192.168.1.20:10110"

    bool operator==(const DeviceSelection&) const = default;
};

struct RememberedDevice {
    std::string deviceName;
    std::uint64_t remoteDeviceAddress = 0;

    bool operator==(const RememberedDevice&) const = default;
};

struct BuiltInGpsSettings {
    bool enabled = true; // the machine's built-in GPS is switched on
    bool use = false;    // the source is the built-in GPS
};

struct PlaybackControlSettings {
    std::int32_t playbackMode = 1;
    std::int32_t playbackDirection = 1;
    std::int32_t speedZoom = 1;
};

// The values of the "General" key.
struct GeneralSettings {
    std::int32_t kindOfView = 3;   // 1 track plot, 2 altitude profile, 3 route guidance
    std::int32_t kindOfEngine = 2; // 1 recorded track, 2 live track
    std::int32_t dtUserSelectableField = 1;
    std::int32_t navUserSelectableField = 1;
    std::int32_t distanceUnits = 3; // 1 km/m, 2 statute miles/feet, 3 nautical miles/feet
    std::int32_t showFullDTStatistic = 1;
    std::int32_t showFullFFStatistic = 1;
    std::int32_t automaticallyFollowTheRoute = 1;
    std::int32_t coordinateStyles = 0;
    std::int32_t vSerialPort = -1; // -1: no virtual serial port
    std::int32_t googleTrackLineColored = 1;
    std::int32_t kindOfRouteGuidance = 2; // 1 walk, 2 drive, 3 flight
    std::int32_t antennaAltitudeMode = 1;
    std::int32_t averaging = 1;
    // Where the autopilot is steered from: a port name or a network destination's URL; empty
    // for none. Kept below the communication key, not with the numbers above.
    std::string autopilotPort;

    bool operator==(const GeneralSettings&) const = default;
};

struct Settings {
    std::vector<RememberedDevice> rememberedDevices;
    DeviceSelection destination;
    DeviceSelection source;
    BuiltInGpsSettings builtInGps;
    GeneralSettings general;
    PlaybackControlSettings fromFile;   // track 1
    PlaybackControlSettings fromDirect; // track 2
    bool pacedByLogTime = false;        // playback at the log's own pace, for both tracks
};

// A driving view: engine 1 recorded or 2 live track; kind 1 track plot, 2 altitude profile,
// 3 route guidance.
struct DrivingViewChoice {
    std::int32_t engine = 2;
    std::int32_t kind = 3;
    bool operator==(const DrivingViewChoice&) const = default;
};

// The last active route and waypoint, read when the navigation store has been loaded; each
// absent when not stored.
struct LastUsedIndexes {
    std::optional<std::int32_t> route;
    std::optional<std::int32_t> waypoint;
};
