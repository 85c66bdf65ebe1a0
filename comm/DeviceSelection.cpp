#include "comm/DeviceSelection.h"

#include "comm/ApplicationCore.h"
#include "comm/BaudRateSettings.h"
#include "comm/PortDescription.h"
#include "platform/RegistryAccessor.h"
#include "platform/Settings.h"
#include "platform/SettingsKeys.h"
#include "platform/SettingsStore.h"

namespace keys = settings_keys;

namespace {

constexpr const char* kBuiltInGpsName = "built-in GPS";

const char* DirectionKey(Direction direction) {
    return direction == Direction::Record ? keys::kSource : keys::kDestination;
}

SerialEndpoint& SerialOf(ApplicationCore& application, Direction direction) {
    return direction == Direction::Record ? application.SerialSource()
                                          : application.SerialDestination();
}

BluetoothEndpoint& BluetoothOf(ApplicationCore& application, Direction direction) {
    return direction == Direction::Record ? application.BluetoothSource()
                                          : application.BluetoothDestination();
}

// The network endpoint of the direction loses its address.
void ClearNetworkAddress(ApplicationCore& application, Direction direction) {
    if (direction == Direction::Record) {
        application.NetworkSource().SetAddress(std::nullopt);
    } else {
        application.NetworkDestination().SetAddress(std::nullopt);
    }
}

// The configured network address of the direction, as its URL; empty for none.
std::string NetworkAddressOf(ApplicationCore& application, Direction direction) {
    return direction == Direction::Record ? application.NetworkSource().AddressText()
                                          : application.NetworkDestination().AddressText();
}

void StoreUseOfBuiltInGps(ApplicationCore& application, bool use) {
    application.SetUseBuiltInGps(use);
    CRegistryAccessor accessor(application.Registry());
    accessor.SetKey(keys::kCommunication);
    accessor.SetValueName(keys::kUseGPSIntermediateDriver);
    accessor.WriteDword(use ? 1 : 0);
}

// The item's text: the command word, one space, and the device named.
std::string ItemText(const char* word, const std::string& device) {
    return device.empty() ? std::string(word) : std::string(word) + " " + device;
}

// The configured device in the order the commands try them: serial port, network address,
// Bluetooth device.
std::string ConfiguredName(ApplicationCore& application, Direction direction) {
    if (const std::string& port = SerialOf(application, direction).GetPortName(); !port.empty()) {
        return PortDisplayName(port);
    }
    if (std::string address = NetworkAddressOf(application, direction); !address.empty()) {
        return address;
    }
    return BluetoothOf(application, direction).Device().name;
}

} // namespace

std::optional<std::string> BuiltInGpsPort(ApplicationCore& application) {
    CRegistryAccessor accessor(application.Registry());
    accessor.SetRoot(RegistryRoot::LocalMachine);
    accessor.SetKey(keys::kGpsMultiplexer);
    accessor.SetValueName(keys::kDriverInterface);
    std::string port;
    if (accessor.ReadString(port) != 0) {
        return std::nullopt;
    }
    return port;
}

bool SelectSerialPort(ApplicationCore& application, Direction direction, const std::string& name) {
    SerialEndpoint& serial = SerialOf(application, direction);
    const bool changed = serial.SetPortName(name);
    SaveDeviceSelection(application.Registry(), DirectionKey(direction),
                        {DeviceKind::SerialPort, serial.GetPortName(), {}, 0});
    BluetoothOf(application, direction).SetDevice({});
    ClearNetworkAddress(application, direction);
    if (direction == Direction::Record) {
        StoreUseOfBuiltInGps(application, false);
    }
    return changed;
}

bool SelectSourceBaudRate(ApplicationCore& application, int baud) {
    if (SourceBaudRateSetting(application.Registry()) == baud) {
        return false;
    }
    StoreSourceBaudRate(application.Registry(), baud);
    return true;
}

bool SelectBluetoothDevice(ApplicationCore& application, Direction direction,
                           const BluetoothDevice& device) {
    const bool changed = BluetoothOf(application, direction).SetDevice(device);
    SaveDeviceSelection(application.Registry(), DirectionKey(direction),
                        {DeviceKind::Bluetooth, {}, device.name, device.address});
    SerialOf(application, direction).SetPortName({});
    ClearNetworkAddress(application, direction);
    if (direction == Direction::Record) {
        StoreUseOfBuiltInGps(application, false);
    }
    return changed;
}

bool SelectNetworkAddress(ApplicationCore& application, Direction direction,
                          const NetworkAddress& address) {
    const bool changed = direction == Direction::Record
                             ? application.NetworkSource().SetAddress(address)
                             : application.NetworkDestination().SetAddress(address);
    SaveDeviceSelection(application.Registry(), DirectionKey(direction),
                        {DeviceKind::Network, {}, {}, 0, NetworkAddressText(address)});
    SerialOf(application, direction).SetPortName({});
    BluetoothOf(application, direction).SetDevice({});
    if (direction == Direction::Record) {
        StoreUseOfBuiltInGps(application, false);
    }
    return changed;
}

bool ToggleBuiltInGps(ApplicationCore& application) {
    SerialEndpoint& serial = application.SerialSource();
    bool changed = false;
    const bool use = !application.BuiltInGps().use;
    if (!use) {
        changed = serial.SetPortName({});
        SaveDeviceSelection(application.Registry(), keys::kSource, {});
        application.BluetoothSource().SetDevice({});
        changed = application.NetworkSource().SetAddress(std::nullopt) || changed;
    } else if (const std::optional<std::string> port = BuiltInGpsPort(application)) {
        changed = serial.SetPortName(*port);
        SaveDeviceSelection(application.Registry(), keys::kSource,
                            {DeviceKind::SerialPort, serial.GetPortName(), {}, 0});
        application.BluetoothSource().SetDevice({});
        application.NetworkSource().SetAddress(std::nullopt);
    }
    StoreUseOfBuiltInGps(application, use);
    return changed;
}

void StartOrRestartAfterChoice(ApplicationCore& application, Direction direction, bool changed,
                               const std::function<void()>& command) {
    const auto running = [&] {
        return direction == Direction::Record ? application.RunningSource() != nullptr
                                              : application.IsDestinationRunning();
    };
    const auto configured = [&] {
        return direction == Direction::Record ? application.HasSource()
                                              : application.HasDestination();
    };
    if (running()) {
        if (!changed) {
            return;
        }
        command();
        // A stop that did not happen leaves the old connection as it was.
        if (running()) {
            return;
        }
    }
    if (configured()) {
        command();
    }
}

void StartOrRestartAfterChoice(ApplicationCore& application, Direction direction, bool changed) {
    StartOrRestartAfterChoice(application, direction, changed, [&] {
        if (direction == Direction::Record) {
            application.RecordCommand();
        } else {
            application.PlaybackToCommand();
        }
    });
}

std::string RecordItemText(ApplicationCore& application) {
    const bool builtIn = application.BuiltInGps().use;
    if (const CommEndpoint* running = application.RunningSource()) {
        const bool serial = running == &application.SerialSource();
        std::string device = builtIn  ? kBuiltInGpsName
                             : serial ? PortDisplayName(running->ConnectedName())
                                      : running->ConnectedName();
        if (serial) {
            if (const std::string rate = application.SerialSource().LineRateText(); !rate.empty()) {
                device += " (" + rate + ")";
            }
        } else if (running == &application.NetworkSource() &&
                   application.NetworkSource().IsReconnecting()) {
            device += " (connecting again)";
        }
        return ItemText("Recording &from", device);
    }
    if (builtIn) {
        return ItemText("Record &from", kBuiltInGpsName);
    }
    return ItemText("Record &from", ConfiguredName(application, Direction::Record));
}

std::string PlaybackItemText(ApplicationCore& application) {
    if (const CommEndpoint* running = application.RunningDestination()) {
        return ItemText("Playing back &to", running == &application.SerialDestination()
                                                ? PortDisplayName(running->ConnectedName())
                                                : running->ConnectedName());
    }
    return ItemText("Playback &to", ConfiguredName(application, Direction::Playback));
}
