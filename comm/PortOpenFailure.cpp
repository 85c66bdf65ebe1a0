#include "comm/PortOpenFailure.h"

#include "platform/SystemError.h"

#include <cerrno>
#include <grp.h>
#include <sys/stat.h>

namespace {

// The group that may open the device; serial devices belong to "dialout" on Debian and most
// other systems, which is also the answer when the device cannot be asked.
std::string DeviceGroup(const std::filesystem::path& path) {
    struct stat status {};
    if (stat(path.c_str(), &status) == 0) {
        group entry{};
        group* found = nullptr;
        char buffer[1024];
        if (getgrgid_r(status.st_gid, &entry, buffer, sizeof buffer, &found) == 0 &&
            found != nullptr && status.st_gid != 0) {
            return found->gr_name;
        }
    }
    return "dialout";
}

std::string MissingHint(const std::string& portName, const ResolvedDevice& device,
                        const std::filesystem::path& deviceDir) {
    if (device.kind == ResolvedDevice::Kind::File) {
        const std::string what = device.path.string() == portName
                                     ? portName
                                     : portName + " leads to " + device.path.string() + ", which";
        return what + " is not there: is the receiver plugged in? \"ppcObrin3-cli devices\" "
                      "lists the ports that are.";
    }
    return "There is no port " + portName + " in " + deviceDir.string() +
           ": \"ppcObrin3-cli devices\" lists the ports, \"ppcObrin3-cli devices link " + portName +
           " /dev/ttyUSB0\" makes one.";
}

std::string PermissionHint(const ResolvedDevice& device) {
    const std::string group = DeviceGroup(device.path);
    return "Serial ports may be opened by the members of the group \"" + group +
           "\": add yourself with\n    sudo usermod -aG " + group +
           " $USER\nand log out and in again.";
}

} // namespace

std::optional<std::string> PortOpenFailureText(const std::string& portName,
                                               const ResolvedDevice& device,
                                               const PortFailure& failure,
                                               const std::filesystem::path& deviceDir) {
    std::optional<std::string> text = FormatSystemError(failure.call, failure.error, portName);
    if (!text || failure.call != "CreateFile" || device.kind == ResolvedDevice::Kind::Gpsd) {
        return text;
    }
    if (failure.error == ENOENT) {
        *text += "\n" + MissingHint(portName, device, deviceDir);
    } else if (failure.error == EACCES || failure.error == EPERM) {
        *text += "\n" + PermissionHint(device);
    }
    return text;
}
