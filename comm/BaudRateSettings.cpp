#include "comm/BaudRateSettings.h"

#include "platform/RegistryAccessor.h"
#include "platform/SettingsKeys.h"

#include <algorithm>
#include <cstdint>

namespace keys = settings_keys;

namespace {

constexpr int kSupportedBaudRates[] = {1200,  2400,   4800,   9600,   19200, 38400,
                                       57600, 115200, 230400, 460800, 921600};

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

bool IsSupportedBaudRate(int baud) {
    return std::find(std::begin(kSupportedBaudRates), std::end(kSupportedBaudRates), baud) !=
           std::end(kSupportedBaudRates);
}

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
