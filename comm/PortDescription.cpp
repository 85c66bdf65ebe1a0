#include "comm/PortDescription.h"

#include "comm/VirtualPortRegistration.h"
#include "platform/DeviceFolder.h"
#include "platform/PlatformPaths.h"

#include <system_error>

namespace fs = std::filesystem;

namespace {

// The device each persistent serial/by-id name leads to, by the device's full path.
std::map<fs::path, std::string> PersistentNames(const fs::path& deviceRoot) {
    std::map<fs::path, std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(deviceRoot / "serial" / "by-id", ec), end; !ec && it != end;
         it.increment(ec)) {
        std::error_code resolved;
        const fs::path device = fs::canonical(it->path(), resolved);
        if (!resolved) {
            names.emplace(device, it->path().filename().string());
        }
    }
    return names;
}

std::string Describe(const PlatformPaths& paths, const DeviceFolder::Entry& entry,
                     const std::map<fs::path, std::string>& persistent) {
    switch (InspectVirtualPortEntry(paths, entry.name, entry.target)) {
    case VirtualPortEntry::Served:
        return "virtual port";
    case VirtualPortEntry::Leftover:
        return "virtual port, its host is gone";
    case VirtualPortEntry::NotVirtual:
        break;
    }
    std::error_code ec;
    const fs::path device = fs::canonical(entry.target, ec);
    if (ec) {
        return entry.target.string() + " (missing)";
    }
    const auto name = persistent.find(device);
    return name == persistent.end() ? device.string() : device.string() + " (" + name->second + ")";
}

} // namespace

std::string PortDisplayName(std::string_view stored) {
    constexpr std::string_view kDevicePrefix = "$device\\";
    if (stored.starts_with(kDevicePrefix)) {
        stored.remove_prefix(kDevicePrefix.size());
    }
    return std::string(stored);
}

std::map<std::string, std::string> DescribePortEntries(const PlatformPaths& paths) {
    std::map<std::string, std::string> descriptions;
    const std::map<fs::path, std::string> persistent = PersistentNames(paths.systemDeviceRoot);
    DeviceFolder folder(paths);
    folder.AddArrivedDevices();
    for (const DeviceFolder::Entry& entry : folder.List()) {
        if (entry.isLink) {
            descriptions.emplace(entry.name, Describe(paths, entry, persistent));
        }
    }
    return descriptions;
}
