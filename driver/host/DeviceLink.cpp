#include "driver/host/DeviceLink.h"

#include "driver/host/PortTakenError.h"

#include <cerrno>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace {

std::filesystem::path TemporaryName(const std::filesystem::path& link) {
    return link.parent_path() /
           ("." + link.filename().string() + ".new-" + std::to_string(getpid()));
}

} // namespace

LinkState InspectDeviceLink(const std::filesystem::path& link, const std::string& previousSlave) {
    std::error_code ec;
    const auto status = std::filesystem::symlink_status(link, ec);
    if (status.type() == std::filesystem::file_type::not_found) {
        return LinkState::Absent;
    }
    if (ec || status.type() != std::filesystem::file_type::symlink) {
        return LinkState::Taken;
    }
    const std::filesystem::path target = std::filesystem::read_symlink(link, ec);
    if (ec) {
        return LinkState::Taken;
    }
    const auto targetStatus = std::filesystem::status(link, ec);
    if (targetStatus.type() == std::filesystem::file_type::not_found) {
        return LinkState::Stale;
    }
    if (ec) {
        return LinkState::Taken;
    }
    if (!previousSlave.empty() && target == std::filesystem::path(previousSlave)) {
        return LinkState::Stale;
    }
    return LinkState::Taken;
}

DeviceLink::DeviceLink(std::filesystem::path link, std::string target,
                       const std::string& previousSlave)
    : m_link(std::move(link)), m_target(std::move(target)) {
    if (InspectDeviceLink(m_link, previousSlave) == LinkState::Taken) {
        throw PortTakenError(m_link.string() + " already names another device");
    }
    const std::filesystem::path temporary = TemporaryName(m_link);
    unlink(temporary.c_str());
    if (symlink(m_target.c_str(), temporary.c_str()) != 0) {
        throw std::system_error(errno, std::generic_category(), "creating " + temporary.string());
    }
    if (rename(temporary.c_str(), m_link.c_str()) != 0) {
        const int error = errno;
        unlink(temporary.c_str());
        throw std::system_error(error, std::generic_category(), "creating " + m_link.string());
    }
}

DeviceLink::~DeviceLink() {
    std::error_code ec;
    const std::filesystem::path target = std::filesystem::read_symlink(m_link, ec);
    if (!ec && target == std::filesystem::path(m_target)) {
        unlink(m_link.c_str());
    }
}
