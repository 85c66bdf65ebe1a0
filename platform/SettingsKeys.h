#pragma once

// Key paths (from the root named with each) and value names of every persistent setting.

namespace settings_keys {

// Current-user keys.
inline constexpr const char* kSettings =
    "Software\\Velmora Records2009\\Velmora Recorder3\\Settings";
inline constexpr const char* kGeneral =
    "Software\\Velmora Records2009\\Velmora Recorder3\\Settings\\General";
inline constexpr const char* kCommunication =
    "Software\\Velmora Records2009\\Velmora Recorder3\\Settings\\Communication";
inline constexpr const char* kSource = "Source"; // below kCommunication
inline constexpr const char* kDestination = "Destination";
inline constexpr const char* kBluetoothDevices = "BluetoothDevices";
inline constexpr const char* kBluetoothDevicePrefix = "BluetoothDevice_"; // + decimal index
inline constexpr const char* kPlaybackControl =
    "Software\\Velmora Records2009\\Velmora Recorder3\\Settings\\PlaybackControl";
inline constexpr const char* kPlaybackFromFile =
    "Software\\Velmora Records2009\\Velmora Recorder3\\Settings\\PlaybackControl\\FromFile";
inline constexpr const char* kPlaybackFromDirect =
    "Software\\Velmora Records2009\\Velmora Recorder3\\Settings\\PlaybackControl\\FromDirect";
inline constexpr const char* kVirtualSerialPort =
    "Software\\Velmora Records2009\\Velmora Recorder3\\Settings\\VirtualSerialPort";
inline constexpr const char* kNavigatorWaypoints =
    "Software\\Velmora Records2009\\Velmora Recorder3\\Settings\\Navigator\\Waypoints";
inline constexpr const char* kNavigatorRoutes =
    "Software\\Velmora Records2009\\Velmora Recorder3\\Settings\\Navigator\\Routes";
inline constexpr const char* kListLayouts =
    "Software\\Velmora Records2009\\Velmora Recorder3\\Settings\\ListLayouts";

// Local-machine keys (read only).
inline constexpr const char* kGpsIntermediateDriver =
    "System\\CurrentControlSet\\GPS Intermediate Driver";
inline constexpr const char* kGpsMultiplexer =
    "System\\CurrentControlSet\\GPS Intermediate Driver\\Multiplexer";

// Values of kGeneral (DWORD).
inline constexpr const char* kKindOfView = "KindOfView";
inline constexpr const char* kKindOfEngine = "KindOfEngine";
inline constexpr const char* kDTUserSelectableField = "DTUserSelectableField";
inline constexpr const char* kNavUserSelectableField = "NavUserSelectableField";
inline constexpr const char* kDistanceUnits = "DistanceUnits";
inline constexpr const char* kShowFullDTStatistic = "ShowFullDTStatistic";
inline constexpr const char* kShowFullFFStatistic = "ShowFullFFStatistic";
inline constexpr const char* kAutomaticallyFollowTheRoute = "AutomaticallyFollowTheRoute";
inline constexpr const char* kCoordinateStyles = "CoordinateStyles";
inline constexpr const char* kVSerialPort = "VSerialPort";
inline constexpr const char* kGoogleTrackLineColored = "GoogleTrackLineColored";
inline constexpr const char* kKindOfRouteGuidance = "KindOfRouteGuidance";
inline constexpr const char* kAntennaAltitudeMode = "AntennaAltitudeMode";
inline constexpr const char* kAveraging = "Averaging";
inline constexpr const char* kRouteLastUsedIndex = "RouteLastUsedIndex";
inline constexpr const char* kWaypointLastUsedIndex = "WaypointLastUsedIndex";

// Values of kCommunication and its subkeys.
inline constexpr const char* kUseGPSIntermediateDriver = "UseGPSIntermediateDriver"; // DWORD
inline constexpr const char* kDeviceKind = "DeviceKind";                             // string
inline constexpr const char* kDeviceName = "DeviceName";                             // string
inline constexpr const char* kRemoteDeviceAddress = "RemoteDeviceAddress";           // 64-bit
inline constexpr const char* kSerialPort = "SerialPort";                             // string
inline constexpr const char* kNetworkAddress = "NetworkAddress";                     // string
// The autopilot port: a port name or a network destination's URL; missing or empty: none.
inline constexpr const char* kAutopilotPort = "AutopilotPort"; // string
// The line rate of the configured serial source; 0 or missing: detected.
inline constexpr const char* kSourceBaudRate = "SourceBaudRate"; // DWORD
// Below kCommunication: the rate last detected on each port, the value named like the port.
inline constexpr const char* kDetectedBaudRates = "DetectedBaudRates";
inline constexpr const char* kDeviceKindBluetooth = "BT";
inline constexpr const char* kDeviceKindSerialPort = "SP";
inline constexpr const char* kDeviceKindNetwork = "NET";

// Values of the playback keys (DWORD).
inline constexpr const char* kPlaybackMode = "PlaybackMode";
inline constexpr const char* kPlaybackDirection = "PlaybackDirection";
inline constexpr const char* kSpeedZoom = "SpeedZoom";
// Below kPlaybackControl: 1 plays at the log's own pace, 0 or missing one burst a second.
inline constexpr const char* kPacedByLogTime = "PacedByLogTime";

// kVirtualSerialPort and the navigator keys (DWORD).
inline constexpr const char* kServiceHandle = "ServiceHandle";
inline constexpr const char* kStartNumber = "StartNumber";

// Local-machine values.
inline constexpr const char* kIsEnabled = "IsEnabled";             // DWORD
inline constexpr const char* kDriverInterface = "DriverInterface"; // string

} // namespace settings_keys
