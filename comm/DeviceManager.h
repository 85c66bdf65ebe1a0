#pragma once

#include "platform/PlatformPaths.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

// The device manager's two calls that publish a stream driver as a device and withdraw it.
// Tests of the registration rules put a scripted manager in its place.
class IDeviceManager {
public:
    virtual ~IDeviceManager() = default;

    // Publishes the driver `library` (its handheld file name) as prefix + index + ":". The
    // context is handed to no one; callers pass 0. Returns a nonzero handle, or 0 with the
    // reason (an errno value) in `error`.
    virtual std::uint32_t RegisterService(const std::string& prefix, int index,
                                          const std::string& library, std::uint32_t context,
                                          int& error) = 0;

    // Withdraws the device of `handle`. True on success, false with the reason in `error`.
    virtual bool DeregisterService(std::uint32_t handle, int& error) = 0;

    // Whether the device prefix + index + ":" exists: its name opens for reading as a
    // program opening it would find it. Opening it counts as that program's open.
    virtual bool DeviceExists(const std::string& prefix, int index) = 0;
};

// The device manager of this platform: a registration starts a device host that loads the
// driver and serves "COMn:" as a pseudo-terminal linked in the device folder; it outlives the
// program that registered it, as the handheld's registration did. Handles and record files
// are described in comm/ServiceHandle.h.
//
// Deregistration asks exactly the host that the handle names to stop, over its control
// socket, after checking that the process answering is that host. It never sends a signal,
// so a process that merely has a gone host's process id is never touched. A host that is
// gone (killed, or the machine restarted) counts as deregistered once its leftover link and
// record are removed. Its leftover link is no device either, even when the terminal it names
// has been given to another program since.
//
// Errors: EINVAL a prefix other than "COM", an index outside 0 to 9, a malformed driver name
// or handle; ENOENT the driver library or the host program not found; EEXIST the name is
// served already or belongs to another device; EIO the host failed to start (it says why on
// standard error); ESRCH no registration of that handle exists; ETIMEDOUT its host is alive
// but did not stop.
class DeviceManager final : public IDeviceManager {
public:
    // searchFolders: where the driver library and the host program are looked for
    // (comm/ServiceFiles.h).
    DeviceManager(const PlatformPaths& paths, std::vector<std::filesystem::path> searchFolders);

    std::uint32_t RegisterService(const std::string& prefix, int index, const std::string& library,
                                  std::uint32_t context, int& error) override;
    bool DeregisterService(std::uint32_t handle, int& error) override;
    bool DeviceExists(const std::string& prefix, int index) override;

    // The status line of the host serving `handle` ("OK pid=... opens=... written=..."), or
    // nothing with the reason.
    std::optional<std::string> ServiceStatus(std::uint32_t handle, std::string& reason) const;

    // Where port `index` is linked: the device folder's "COMn:".
    std::filesystem::path DeviceLinkPath(int index) const;

private:
    PlatformPaths m_paths;
    std::vector<std::filesystem::path> m_searchFolders;
};
