#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

struct PlatformPaths;

// How a service handle names the host that serves a virtual port, within one run and across
// runs (the handle is kept in the settings and used by a later run to deregister):
//
// - Each port COMn: has one record file, "<config>/services/COMn.host", written and locked by
//   the host serving it (its process id, random token, device, link and terminal). The file
//   stays after a host that was killed, so the next host of that port recognises the old link.
// - The handle is the port index in its low four bits and 28 bits of that host's random token
//   above them. A handle therefore finds its record by its index, and a handle of an earlier
//   registration of the same port does not match the host that serves it now.

// The folder of the record files.
std::filesystem::path ServiceRecordFolder(const PlatformPaths& paths);

// The record file of port `index`.
std::filesystem::path ServiceRecordPath(const PlatformPaths& paths, int index);

// The handle of the registration of port `index` (0 to 9) served by the host with `token`
// (hexadecimal digits). Never 0.
std::uint32_t ServiceHandleOf(int index, std::string_view token);

// The port index a handle names, or -1 when it names none (0, or an index above 9).
int PortIndexOfHandle(std::uint32_t handle);
