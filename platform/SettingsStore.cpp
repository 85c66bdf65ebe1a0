#include "platform/SettingsStore.h"

#include "platform/RegistryAccessor.h"
#include "platform/RegistryStore.h"
#include "platform/SettingsKeys.h"

#include <string>

namespace keys = settings_keys;

namespace {

const std::string kBluetoothDevicesKey =
    std::string(keys::kCommunication) + '\\' + keys::kBluetoothDevices;

// Reads a DWORD as the signed number the program keeps; a failed read leaves `value` alone.
bool ReadInt(CRegistryAccessor& accessor, const char* name, std::int32_t& value) {
    accessor.SetValueName(name);
    std::uint32_t raw = 0;
    if (accessor.ReadDword(raw) != 0) {
        return false;
    }
    value = static_cast<std::int32_t>(raw);
    return true;
}

bool ReadText(CRegistryAccessor& accessor, const char* name, std::string& text) {
    accessor.SetValueName(name);
    return accessor.ReadString(text) == 0;
}

bool ReadAddress(CRegistryAccessor& accessor, std::uint64_t& address) {
    accessor.SetValueName(keys::kRemoteDeviceAddress);
    return accessor.ReadQword(address) == 0;
}

std::vector<RememberedDevice> LoadRememberedDevices(CRegistryAccessor& accessor) {
    std::vector<RememberedDevice> devices;
    for (int i = 0;; ++i) {
        accessor.SetKey(kBluetoothDevicesKey + '\\' + keys::kBluetoothDevicePrefix +
                        std::to_string(i));
        RememberedDevice device;
        const bool named = ReadText(accessor, keys::kDeviceName, device.deviceName);
        if (!ReadAddress(accessor, device.remoteDeviceAddress)) {
            break;
        }
        if (named) {
            devices.push_back(device);
        }
    }
    return devices;
}

DeviceSelection LoadDeviceSelection(CRegistryAccessor& accessor, const char* direction) {
    accessor.SetKey(std::string(keys::kCommunication) + '\\' + direction);
    DeviceSelection selection;
    std::string kind;
    if (!ReadText(accessor, keys::kDeviceKind, kind)) {
        return selection;
    }
    if (kind == keys::kDeviceKindBluetooth) {
        if (ReadText(accessor, keys::kDeviceName, selection.deviceName) &&
            ReadAddress(accessor, selection.remoteDeviceAddress)) {
            selection.kind = DeviceKind::Bluetooth;
            return selection;
        }
    } else if (kind == keys::kDeviceKindSerialPort) {
        if (ReadText(accessor, keys::kSerialPort, selection.serialPort)) {
            selection.kind = DeviceKind::SerialPort;
            return selection;
        }
    } else if (kind == keys::kDeviceKindNetwork) {
        if (ReadText(accessor, keys::kNetworkAddress, selection.networkAddress)) {
            selection.kind = DeviceKind::Network;
            return selection;
        }
    }
    return DeviceSelection{};
}

// The built-in GPS: enabled as the machine says; when its port is known and the user chose it
// (the default), it becomes the serial source; when its port is unknown it cannot be used.
void LoadBuiltInGps(CRegistryAccessor& accessor, Settings& settings) {
    accessor.SetRoot(RegistryRoot::LocalMachine);
    accessor.SetKey(keys::kGpsIntermediateDriver);
    std::int32_t enabled = 1;
    ReadInt(accessor, keys::kIsEnabled, enabled);
    settings.builtInGps.enabled = enabled != 0;
    if (!settings.builtInGps.enabled) {
        settings.builtInGps.use = false;
        accessor.SetRoot(RegistryRoot::CurrentUser);
        return;
    }
    accessor.SetKey(keys::kGpsMultiplexer);
    std::string port;
    const bool known = ReadText(accessor, keys::kDriverInterface, port);
    accessor.SetRoot(RegistryRoot::CurrentUser);
    accessor.SetKey(keys::kCommunication);
    std::int32_t use = known ? 1 : 0;
    ReadInt(accessor, keys::kUseGPSIntermediateDriver, use);
    if (known) {
        settings.builtInGps.use = use == 1;
        if (settings.builtInGps.use) {
            settings.source = DeviceSelection{DeviceKind::SerialPort, port, {}, 0};
        }
        return;
    }
    if (use == 1 && settings.source.kind == DeviceKind::SerialPort) {
        settings.source = DeviceSelection{};
    }
    settings.builtInGps = BuiltInGpsSettings{false, false};
}

PlaybackControlSettings LoadPlaybackControl(CRegistryAccessor& accessor, const char* key) {
    accessor.SetKey(key);
    PlaybackControlSettings control;
    ReadInt(accessor, keys::kPlaybackMode, control.playbackMode);
    ReadInt(accessor, keys::kPlaybackDirection, control.playbackDirection);
    ReadInt(accessor, keys::kSpeedZoom, control.speedZoom);
    return control;
}

// A stored 0 counts as missing.
void ReadNonZero(CRegistryAccessor& accessor, const char* name, std::int32_t& value) {
    std::int32_t read = 0;
    if (ReadInt(accessor, name, read) && read != 0) {
        value = read;
    }
}

} // namespace

DrivingViewChoice InitialDrivingView(const GeneralSettings& general) {
    const bool trackEngine = general.kindOfEngine == 1 || general.kindOfEngine == 2;
    const bool trackKind = general.kindOfView == 1 || general.kindOfView == 2;
    if (trackEngine && trackKind) {
        return {general.kindOfEngine, general.kindOfView};
    }
    return {};
}

Settings LoadSettings(RegistryStore& store) {
    CRegistryAccessor accessor(store);
    Settings settings;
    settings.rememberedDevices = LoadRememberedDevices(accessor);
    settings.destination = LoadDeviceSelection(accessor, keys::kDestination);
    settings.source = LoadDeviceSelection(accessor, keys::kSource);
    LoadBuiltInGps(accessor, settings);

    GeneralSettings& general = settings.general;
    accessor.SetKey(keys::kGeneral);
    ReadNonZero(accessor, keys::kKindOfView, general.kindOfView);
    ReadNonZero(accessor, keys::kKindOfEngine, general.kindOfEngine);
    ReadInt(accessor, keys::kDTUserSelectableField, general.dtUserSelectableField);
    ReadInt(accessor, keys::kNavUserSelectableField, general.navUserSelectableField);

    settings.fromFile = LoadPlaybackControl(accessor, keys::kPlaybackFromFile);
    settings.fromDirect = LoadPlaybackControl(accessor, keys::kPlaybackFromDirect);
    accessor.SetKey(keys::kPlaybackControl);
    std::int32_t paced = 0;
    ReadInt(accessor, keys::kPacedByLogTime, paced);
    settings.pacedByLogTime = paced == 1;

    accessor.SetKey(keys::kGeneral);
    ReadInt(accessor, keys::kDistanceUnits, general.distanceUnits);
    ReadInt(accessor, keys::kShowFullDTStatistic, general.showFullDTStatistic);
    ReadInt(accessor, keys::kShowFullFFStatistic, general.showFullFFStatistic);
    ReadInt(accessor, keys::kAutomaticallyFollowTheRoute, general.automaticallyFollowTheRoute);
    ReadInt(accessor, keys::kCoordinateStyles, general.coordinateStyles);
    ReadInt(accessor, keys::kVSerialPort, general.vSerialPort);
    ReadInt(accessor, keys::kGoogleTrackLineColored, general.googleTrackLineColored);
    ReadInt(accessor, keys::kAntennaAltitudeMode, general.antennaAltitudeMode);
    ReadInt(accessor, keys::kKindOfRouteGuidance, general.kindOfRouteGuidance);
    ReadInt(accessor, keys::kAveraging, general.averaging);
    accessor.SetKey(keys::kCommunication);
    ReadText(accessor, keys::kAutopilotPort, general.autopilotPort);
    return settings;
}

LastUsedIndexes LoadLastUsedIndexes(RegistryStore& store) {
    CRegistryAccessor accessor(store);
    accessor.SetKey(keys::kGeneral);
    LastUsedIndexes indexes;
    std::int32_t value = 0;
    if (ReadInt(accessor, keys::kRouteLastUsedIndex, value)) {
        indexes.route = value;
    }
    if (ReadInt(accessor, keys::kWaypointLastUsedIndex, value)) {
        indexes.waypoint = value;
    }
    return indexes;
}

int SaveDeviceSelection(RegistryStore& store, const char* direction,
                        const DeviceSelection& selection) {
    const std::string key = std::string(keys::kCommunication) + '\\' + direction;
    return store.Edit([&](RegistryEdit& edit) {
        edit.DeleteKey(key);
        switch (selection.kind) {
        case DeviceKind::None:
            return 0;
        case DeviceKind::SerialPort:
            edit.SetValue(key, keys::kDeviceKind,
                          RegistryValue::String(keys::kDeviceKindSerialPort));
            return edit.SetValue(key, keys::kSerialPort,
                                 RegistryValue::String(selection.serialPort));
        case DeviceKind::Bluetooth:
            edit.SetValue(key, keys::kDeviceKind,
                          RegistryValue::String(keys::kDeviceKindBluetooth));
            edit.SetValue(key, keys::kDeviceName, RegistryValue::String(selection.deviceName));
            return edit.SetValue(key, keys::kRemoteDeviceAddress,
                                 RegistryValue::Qword(selection.remoteDeviceAddress));
        case DeviceKind::Network:
            edit.SetValue(key, keys::kDeviceKind, RegistryValue::String(keys::kDeviceKindNetwork));
            return edit.SetValue(key, keys::kNetworkAddress,
                                 RegistryValue::String(selection.networkAddress));
        }
        return 0;
    });
}

int SaveRememberedDevices(RegistryStore& store, std::span<const RememberedDevice> devices) {
    return store.Edit([&](RegistryEdit& edit) {
        edit.DeleteKey(kBluetoothDevicesKey);
        for (std::size_t i = 0; i < devices.size(); ++i) {
            const std::string key =
                kBluetoothDevicesKey + '\\' + keys::kBluetoothDevicePrefix + std::to_string(i);
            edit.SetValue(key, keys::kDeviceName, RegistryValue::String(devices[i].deviceName));
            edit.SetValue(key, keys::kRemoteDeviceAddress,
                          RegistryValue::Qword(devices[i].remoteDeviceAddress));
        }
        return 0;
    });
}
