#include "comm/VirtualPortRegistration.h"

#include "comm/DeviceManager.h"
#include "comm/ServiceHandle.h"
#include "comm/ServiceRecord.h"
#include "platform/Prompts.h"
#include "platform/RegistryAccessor.h"
#include "platform/RegistryStore.h"
#include "platform/SettingsKeys.h"
#include "platform/SystemError.h"

#include <cerrno>

namespace keys = settings_keys;

namespace {

constexpr const char* kHandleUnreadable =
    "The service handle for ppcZRV3SerialDrv.dll could not be read from registry";

CRegistryAccessor HandleValue(RegistryStore& registry) {
    CRegistryAccessor accessor(registry);
    accessor.SetKey(keys::kVirtualSerialPort);
    accessor.SetValueName(keys::kServiceHandle);
    return accessor;
}

// The stored handle before a change of the port. A handle never stored means that nothing was
// registered, as on a new machine; only one that is there and cannot be read is told. False
// for that case.
bool ReadHandleBeforeChange(RegistryStore& registry, std::uint32_t& handle) {
    handle = 0;
    RegistryValue stored;
    const int read = registry.Read(RegistryRoot::CurrentUser, keys::kVirtualSerialPort,
                                   keys::kServiceHandle, stored);
    if (read == ENOENT) {
        return true;
    }
    const std::optional<std::uint32_t> value = read == 0 ? stored.AsDword() : std::nullopt;
    handle = value.value_or(0);
    return value.has_value();
}

CRegistryAccessor IndexValue(RegistryStore& registry) {
    CRegistryAccessor accessor(registry);
    accessor.SetKey(keys::kGeneral);
    accessor.SetValueName(keys::kVSerialPort);
    return accessor;
}

void WriteServiceHandle(RegistryStore& registry, std::uint32_t handle) {
    HandleValue(registry).WriteDword(handle);
}

// n for "COMn:" with n from 0 to 9, else -1.
int VirtualPortIndexOf(const std::string& name) {
    for (int index = 0; index <= 9; ++index) {
        if (name == VirtualPortName(index)) {
            return index;
        }
    }
    return kNoVirtualPort;
}

std::uint32_t Register(const VirtualPortServices& services, int index, int& error) {
    return services.devices.RegisterService(kVirtualPortPrefix, index, kSerialDriverFileName, 0,
                                            error);
}

} // namespace

std::string VirtualPortName(int index) {
    return kVirtualPortPrefix + std::to_string(index) + ":";
}

int ReadVirtualPortIndex(RegistryStore& registry) {
    std::uint32_t stored = static_cast<std::uint32_t>(kNoVirtualPort);
    IndexValue(registry).ReadDword(stored);
    return static_cast<std::int32_t>(stored);
}

std::uint32_t ReadServiceHandle(RegistryStore& registry) {
    std::uint32_t handle = 0;
    HandleValue(registry).ReadDword(handle);
    return handle;
}

StartupRegistration RegisterVirtualPortAtStartup(const VirtualPortServices& services, int index) {
    using Outcome = StartupRegistration::Outcome;
    StartupRegistration result;
    if (index == kNoVirtualPort) {
        std::uint32_t handle = 0;
        if (HandleValue(services.registry).ReadDword(handle) != 0 || handle == 0) {
            return result;
        }
        int error = 0;
        if (!services.devices.DeregisterService(handle, error)) {
            result.error = error;
        }
        WriteServiceHandle(services.registry, 0);
        result.outcome = Outcome::Deregistered;
        return result;
    }
    if (services.devices.DeviceExists(kVirtualPortPrefix, index)) {
        result.outcome = Outcome::AlreadyPresent;
        return result;
    }
    result.handle = Register(services, index, result.error);
    if (result.handle == 0) {
        result.outcome = Outcome::Failed;
        return result;
    }
    WriteServiceHandle(services.registry, result.handle);
    result.outcome = Outcome::Registered;
    return result;
}

VirtualPortChange ChangeVirtualSerialPort(const VirtualPortServices& services, int newIndex) {
    VirtualPortChange result;
    std::uint32_t handle = 0;
    if (!ReadHandleBeforeChange(services.registry, handle)) {
        services.prompts.ShowInformation(kHandleUnreadable, kApplicationName);
    } else if (handle != 0) {
        int error = 0;
        if (!services.devices.DeregisterService(handle, error)) {
            result.deregistrationFailed = true;
            ReportSystemError(services.prompts, "DeregisterService", error);
        }
        WriteServiceHandle(services.registry, 0);
    }
    if (newIndex != kNoVirtualPort) {
        int error = 0;
        const std::uint32_t registered = Register(services, newIndex, error);
        if (registered != 0) {
            WriteServiceHandle(services.registry, registered);
            result.handle = registered;
        } else {
            result.registrationFailed = true;
            ReportSystemError(services.prompts, "RegisterService", error);
        }
    }
    IndexValue(services.registry).WriteDword(static_cast<std::uint32_t>(newIndex));
    return result;
}

VirtualPortEntry InspectVirtualPortEntry(const PlatformPaths& paths, const std::string& name,
                                         const std::filesystem::path& target) {
    const int index = VirtualPortIndexOf(name);
    if (index == kNoVirtualPort) {
        return VirtualPortEntry::NotVirtual;
    }
    ServiceRecord record(ServiceRecordPath(paths, index));
    const std::optional<HostIdentity>& identity = record.Identity();
    if (!identity || target != std::filesystem::path(identity->slave)) {
        return VirtualPortEntry::NotVirtual;
    }
    return record.LockIfHostGone() ? VirtualPortEntry::Leftover : VirtualPortEntry::Served;
}

std::optional<std::filesystem::path> VirtualPortInput(const PlatformPaths& paths, int index) {
    ServiceRecord record(ServiceRecordPath(paths, index));
    const std::optional<HostIdentity>& identity = record.Identity();
    if (!identity || identity->device != VirtualPortName(index) || identity->input.empty() ||
        record.LockIfHostGone()) {
        return std::nullopt;
    }
    return identity->input;
}
