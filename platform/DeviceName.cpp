#include "platform/DeviceName.h"

#include "platform/DeviceFolder.h"

#include <cctype>
#include <cerrno>
#include <optional>
#include <string_view>

namespace {

constexpr std::string_view kDevicePrefix = "$device\\";

// "GPD" + decimal number + ":".
bool IsBuiltInGpsName(std::string_view name) {
    if (!name.starts_with("GPD") || !name.ends_with(":") || name.size() < 5) {
        return false;
    }
    for (char c : name.substr(3, name.size() - 4)) {
        if (!std::isdigit(static_cast<unsigned char>(c))) {
            return false;
        }
    }
    return true;
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
