#include "platform/BuiltInGpsReach.h"

#include "platform/RegistryStore.h"
#include "platform/SettingsKeys.h"

namespace keys = settings_keys;

std::string GpsdSilentText(const GpsdAddress& address) {
    return "gpsd does not answer at " + address.host + ":" + std::to_string(address.port);
}

std::optional<std::string> SilentBuiltInGps(RegistryStore& registry, const GpsdAddress& address) {
    RegistryValue value;
    const bool chosen = registry.Read(RegistryRoot::CurrentUser, keys::kCommunication,
                                      keys::kUseGPSIntermediateDriver, value) == 0 &&
                        value.AsDword() == 1u;
    if (!chosen) {
        return std::nullopt;
    }
    const bool switchedOff = registry.Read(RegistryRoot::LocalMachine, keys::kGpsIntermediateDriver,
                                           keys::kIsEnabled, value) == 0 &&
                             value.AsDword() == 0u;
    // The registry answers the port only while gpsd does (or the machine file names one).
    if (switchedOff || registry.Read(RegistryRoot::LocalMachine, keys::kGpsMultiplexer,
                                     keys::kDriverInterface, value) == 0) {
        return std::nullopt;
    }
    return GpsdSilentText(address);
}
