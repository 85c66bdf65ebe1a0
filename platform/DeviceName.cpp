#include "platform/DeviceName.h"

#include "platform/DeviceFolder.h"

#include <cctype>
#include <cerrno>
#include <optional>
#include <string_view>

namespace {

constexpr std::string_view kDevicePrefix = "$device\\";

// `prefix` + decimal number + ":", as "GPD0:" or "COM12:".
bool IsNumberedName(std::string_view name, std::string_view prefix) {
    if (!name.starts_with(prefix) || !name.ends_with(":") || name.size() < prefix.size() + 2) {
        return false;
    }
    for (char c : name.substr(prefix.size(), name.size() - prefix.size() - 1)) {
        if (!std::isdigit(static_cast<unsigned char>(c))) {
            return false;
        }
    }
    return true;
}

bool IsBuiltInGpsName(std::string_view name) {
    return IsNumberedName(name, "GPD");
}

ResolvedDevice Failed(int error) {
    ResolvedDevice device;
    device.error = error;
    return device;
}

ResolvedDevice File(std::filesystem::path path) {
    ResolvedDevice device;
    device.kind = ResolvedDevice::Kind::File;
    device.path = std::move(path);
    return device;
}

} // namespace

ResolvedDevice ResolveDeviceName(const std::string& name, DeviceFolder& folder,
                                 const GpsdAddress& gpsd) {
    std::string_view entry(name);
    if (entry.starts_with('/')) {
        return File(name);
    }
    if (entry.starts_with(kDevicePrefix)) {
        entry.remove_prefix(kDevicePrefix.size());
    }
    if (entry.empty() || entry.find_first_of("/\\") != std::string_view::npos) {
        return Failed(EINVAL);
    }
    if (const std::optional<DeviceFolder::Entry> found = folder.Find(std::string(entry))) {
        return File(found->target);
    }
    if (IsBuiltInGpsName(entry)) {
        ResolvedDevice device;
        device.kind = ResolvedDevice::Kind::Gpsd;
        device.gpsd = gpsd;
        return device;
    }
    return Failed(ENOENT);
}

bool IsPortName(const std::string& name, DeviceFolder& folder) {
    std::string_view entry(name);
    if (entry.starts_with('/')) {
        return true;
    }
    if (entry.starts_with(kDevicePrefix)) {
        entry.remove_prefix(kDevicePrefix.size());
    }
    if (IsNumberedName(entry, "COM") || IsBuiltInGpsName(entry)) {
        return true;
    }
    return ResolveDeviceName(name, folder, {}).kind == ResolvedDevice::Kind::File;
}
