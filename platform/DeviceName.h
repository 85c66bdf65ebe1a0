#pragma once

#include "platform/PlatformPaths.h"

#include <filesystem>
#include <string>

class DeviceFolder;

// What a port name stands for: a file to open (a tty, a pseudo-terminal, the target of a
// device-folder link), or the raw NMEA stream of gpsd for a built-in GPS port.
struct ResolvedDevice {
    enum class Kind {
        File,    // open `path`
        Gpsd,    // connect to `gpsd` and ask for its NMEA stream
        Unknown, // nothing to open; `error` says why (ENOENT, EINVAL)
    };
    Kind kind = Kind::Unknown;
    std::filesystem::path path;
    GpsdAddress gpsd;
    int error = 0;
};

// Resolves the port names the program stores and shows:
//   "COMn:" and "$device\COMn:"  -> the device-folder entry of that name;
//   "GPDn:"                     -> the device-folder entry of that name when there is one,
//                                  else gpsd;
//   an absolute path            -> that path;
//   any other device-folder entry name -> its target.
ResolvedDevice ResolveDeviceName(const std::string& name, DeviceFolder& folder,
                                 const GpsdAddress& gpsd);

// Whether a name can stand for a port: "COMn:" or "$device\COMn:", "GPDn:", an absolute path,
// or the name of a device-folder entry. Whether that port is there is found when it opens.
bool IsPortName(const std::string& name, DeviceFolder& folder);
