#include "comm/DeviceManager.h"

#include "comm/HostStarter.h"
#include "comm/ServiceFiles.h"
#include "comm/ServiceHandle.h"
#include "comm/ServiceRecord.h"
#include "driver/host/DeviceHostProtocol.h"
#include "driver/host/HostClient.h"
#include "driver/host/HostOptions.h"
#include "platform/DeviceFolder.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr const char* kServicePrefix = "COM";
constexpr int kHighestIndex = 9;

int ErrorOfHostExit(int code) {
    switch (code) {
    case kHostPortTaken:
        return EEXIST;
    case kHostUsage:
        return EINVAL;
    default:
        return EIO;
    }
}

// The record of the registration that `handle` names, when it names the host recorded there.
std::optional<HostIdentity> MatchingIdentity(const ServiceRecord& record, std::uint32_t handle,
                                             int index) {
    const std::optional<HostIdentity>& identity = record.Identity();
    if (!identity || identity->device != DeviceName(index) ||
        ServiceHandleOf(index, identity->token) != handle) {
        return std::nullopt;
    }
    return identity;
}

} // namespace

DeviceManager::DeviceManager(const PlatformPaths& paths,
                             std::vector<std::filesystem::path> searchFolders)
    : m_paths(paths), m_searchFolders(std::move(searchFolders)) {}

std::filesystem::path DeviceManager::DeviceLinkPath(int index) const {
    return m_paths.deviceDir / DeviceName(index);
}

std::uint32_t DeviceManager::RegisterService(const std::string& prefix, int index,
                                             const std::string& library, std::uint32_t,
                                             int& error) {
    const std::optional<std::string> libraryName = DriverLibraryName(library);
    if (prefix != kServicePrefix || index < 0 || index > kHighestIndex || !libraryName ||
        m_paths.configDir.empty()) {
        error = EINVAL;
        return 0;
    }
    const auto driver = FindServiceFile(m_searchFolders, *libraryName, false);
    const auto host = FindServiceFile(m_searchFolders, kDeviceHostProgram, true);
    if (!driver || !host) {
        error = ENOENT;
        return 0;
    }
    DeviceFolder folder(m_paths);
    if (const int created = folder.EnsureCreated(); created != 0) {
        error = created;
        return 0;
    }
    std::error_code ec;
    std::filesystem::create_directories(ServiceRecordFolder(m_paths), ec);
    if (ec) {
        error = ec.value();
        return 0;
    }
    const std::filesystem::path record = ServiceRecordPath(m_paths, index);
    const int code =
        RunHostStarter(*host,
                       {"--driver", driver->string(), "--index", std::to_string(index), "--link",
                        DeviceLinkPath(index).string(), "--record", record.string()},
                       error);
    if (code < 0) {
        return 0;
    }
    if (code != kHostServing) {
        error = ErrorOfHostExit(code);
        return 0;
    }
    const std::optional<HostIdentity> identity = ReadHostIdentity(record);
    if (!identity || identity->device != DeviceName(index)) {
        error = EIO;
        return 0;
    }
    return ServiceHandleOf(index, identity->token);
}

bool DeviceManager::DeregisterService(std::uint32_t handle, int& error) {
    const int index = PortIndexOfHandle(handle);
    if (index < 0) {
        error = EINVAL;
        return false;
    }
    ServiceRecord record(ServiceRecordPath(m_paths, index));
    const std::optional<HostIdentity> identity = MatchingIdentity(record, handle, index);
    if (!identity) {
        error = ESRCH;
        return false;
    }
    // A host that ends between the look at its lock and the stop request is found gone by
    // the second look.
    std::string reason;
    if (record.LockIfHostGone() || StopHost(*identity, reason) || record.LockIfHostGone()) {
        record.RemoveLeftovers(DeviceLinkPath(index));
        return true;
    }
    error = ETIMEDOUT;
    return false;
}

bool DeviceManager::DeviceExists(const std::string& prefix, int index) {
    const std::string name = prefix + std::to_string(index) + ":";
    DeviceFolder folder(m_paths);
    const std::optional<DeviceFolder::Entry> entry = folder.Find(name);
    if (!entry) {
        return false;
    }
    if (prefix == kServicePrefix && index >= 0 && index <= kHighestIndex) {
        ServiceRecord record(ServiceRecordPath(m_paths, index));
        const std::optional<HostIdentity>& identity = record.Identity();
        if (identity && entry->target == std::filesystem::path(identity->slave)) {
            // A served port is told by its host's record alone: an open of its terminal would
            // empty the queue of the programs reading it.
            return !record.LockIfHostGone();
        }
    }
    // Not blocking: a real serial line would otherwise wait for its carrier here.
    const int fd = open(entry->target.c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    close(fd);
    return true;
}

std::optional<std::string> DeviceManager::ServiceStatus(std::uint32_t handle,
                                                        std::string& reason) const {
    const int index = PortIndexOfHandle(handle);
    if (index < 0) {
        reason = "the handle names no port";
        return std::nullopt;
    }
    const ServiceRecord record(ServiceRecordPath(m_paths, index));
    const std::optional<HostIdentity> identity = MatchingIdentity(record, handle, index);
    if (!identity) {
        reason = "no registration of " + DeviceName(index) + " has this handle";
        return std::nullopt;
    }
    return QueryHostStatus(*identity, reason);
}
