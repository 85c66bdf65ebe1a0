#pragma once

#include <filesystem>
#include <string>

// The entry of the device folder that names the port ("COM5:" -> /dev/pts/3).
enum class LinkState {
    Absent, // nothing there
    Stale,  // a leftover of a host of this port that is gone: a link that dangles, or one
            // that points at the terminal that host served (its number may be reused since)
    Taken,  // anything else: a real device's link, a file, a folder
};

// previousSlave is the terminal named by the record of the port's previous host, or empty.
LinkState InspectDeviceLink(const std::filesystem::path& link, const std::string& previousSlave);

// The port's name in the device folder, held for the host's life: the constructor points it
// at the terminal (replacing a stale link in one step, so that a program opening the name
// never finds it missing); the destructor removes it, but only while it still points at the
// terminal, since a name re-pointed meanwhile belongs to someone else.
class DeviceLink {
public:
    // Throws PortTakenError when the name is taken, std::system_error when it cannot be made.
    DeviceLink(std::filesystem::path link, std::string target, const std::string& previousSlave);
    ~DeviceLink();
    DeviceLink(const DeviceLink&) = delete;
    DeviceLink& operator=(const DeviceLink&) = delete;

private:
    std::filesystem::path m_link;
    std::string m_target;
};
