#pragma once

#include "driver/host/HostIdentity.h"
#include "driver/host/UniqueFd.h"

#include <filesystem>
#include <optional>
#include <string>

// A host's record file as a deregistration meets it. The serving host holds a lock on it for
// its whole life and the kernel drops that lock the moment the host ends, however it ends; so
// taking the lock is the one sure sign that the host is gone, whatever process may have its
// process id by now.
class ServiceRecord {
public:
    // Opens the record, when there is one.
    explicit ServiceRecord(std::filesystem::path path);

    // Who the record names; nothing when it is missing or unreadable.
    const std::optional<HostIdentity>& Identity() const { return m_identity; }

    // Takes the lock when no host holds it any more; true then (and this object keeps the
    // lock, so no new host of the port starts meanwhile). False while a host holds it.
    bool LockIfHostGone();

    // After LockIfHostGone: removes what the gone host left, the link `link` (only while it
    // still points at that host's terminal, since a name re-pointed belongs to someone else)
    // and the record itself (only while it still is this file).
    void RemoveLeftovers(const std::filesystem::path& link);

private:
    std::filesystem::path m_path;
    UniqueFd m_fd;
    std::optional<HostIdentity> m_identity;
    bool m_locked = false;
};
