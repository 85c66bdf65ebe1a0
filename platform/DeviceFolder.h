#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

struct PlatformPaths;

// The folder whose entries are named like the handheld's devices ("COM1:", "GPD0:") and are
// symbolic links to what is opened for them, as a compatibility layer keeps DOS device names.
// It is created on first use with one link for each serial device present, numbered from
// "COM1:" in a stable order; a device plugged in later gets the next free "COMn:" when the
// ports are next listed. A person re-points a link to remap a port. The virtual serial port
// host adds and removes its "COMn:" links here.
class DeviceFolder {
public:
    struct Entry {
        std::string name;
        std::filesystem::path target; // absolute; the entry itself when it is not a link
        bool isLink = false;
    };

    explicit DeviceFolder(const PlatformPaths& paths);

    const std::filesystem::path& Path() const { return m_dir; }

    // Creates the folder with its first links when it does not exist; 0 or an errno value.
    // Safe when several processes do it at the same time: one of them wins.
    int EnsureCreated();

    // Creates the folder when needed, then gives every serial device that has appeared since
    // the last look (plugged in, or present for the first time) the lowest free "COMn:",
    // unless an entry already leads to it under whatever name. Entries are never renumbered or
    // removed, and a device the user unlinked gets no entry again until it is plugged in anew.
    // 0 or an errno value.
    int AddArrivedDevices();

    // Makes `name` a link to `target`, replacing an entry of that name; 0 or an errno value
    // (EINVAL for a name that cannot be an entry).
    int CreateLink(const std::string& name, const std::filesystem::path& target);
    // Removes the link `name`; ENOENT when there is none, EPERM when the entry is not a link.
    int RemoveLink(const std::string& name);

    // The entries in name order (COM2: before COM10:).
    std::vector<Entry> List();
    // The entry of that name, if any.
    std::optional<Entry> Find(const std::string& name);

private:
    std::filesystem::path m_dir;
    std::filesystem::path m_systemDeviceRoot;
};

// The serial devices present below a device root ("/dev"), in the order they are numbered:
// the persistent names in serial/by-id first, then ttyUSB*, ttyACM* and rfcomm* not already
// reached through one of them, each group in natural order.
std::vector<std::filesystem::path> FindSerialDevices(const std::filesystem::path& deviceRoot);

// Compares names so that embedded numbers count by value ("COM2:" < "COM10:").
bool NaturalLess(const std::string& a, const std::string& b);
