#include "comm/BaudRateSettings.h"

#include "comm/SerialPort.h"
#include "platform/RegistryAccessor.h"
#include "platform/SettingsKeys.h"

#include <cstdint>

namespace keys = settings_keys;

namespace {

int ReadRate(RegistryStore& registry, const std::string& key, const std::string& name) {
    CRegistryAccessor accessor(registry);
    accessor.SetKey(key);
    accessor.SetValueName(name);
    std::uint32_t value = 0;
    if (accessor.ReadDword(value) != 0 || value > 0x7FFFFFFF ||
        !IsSupportedBaudRate(static_cast<int>(value))) {
        return 0;
    }
    return static_cast<int>(value);
}

int WriteRate(RegistryStore& registry, const std::string& key, const std::string& name, int baud) {
    CRegistryAccessor accessor(registry);
    accessor.SetKey(key);
    accessor.SetValueName(name);
    return accessor.WriteDword(static_cast<std::uint32_t>(baud));
}

std::string DetectedKey() {
    return std::string(keys::kCommunication) + '\\' + keys::kDetectedBaudRates;
}

} // namespace

int SourceBaudRateSetting(RegistryStore& registry) {
    return ReadRate(registry, keys::kCommunication, keys::kSourceBaudRate);
}

int StoreSourceBaudRate(RegistryStore& registry, int baud) {
    return WriteRate(registry, keys::kCommunication, keys::kSourceBaudRate, baud);
}

int DetectedBaudRate(RegistryStore& registry, const std::string& port) {
    return ReadRate(registry, DetectedKey(), port);
}

int StoreDetectedBaudRate(RegistryStore& registry, const std::string& port, int baud) {
    return WriteRate(registry, DetectedKey(), port, baud);
}
