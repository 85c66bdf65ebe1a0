#pragma once

#include <map>
#include <string>
#include <string_view>

struct PlatformPaths;

// Where the device-folder entries lead, so that the port list can tell the user which "COMn:"
// is the receiver just plugged in: the device a link ends at (/dev/ttyUSB0), with its
// persistent serial/by-id name when there is one, or the virtual port the program serves.
// Nothing is opened to find out: opening the virtual port would empty its readers' queue.
// Serial devices plugged in since the last listing get their entries first. Keyed by entry
// name; entries that are no link are left out.
std::map<std::string, std::string> DescribePortEntries(const PlatformPaths& paths);

// The name a port is shown under. Ports from 10 up are stored as "$device\COM12:", which the
// user never typed: they show as "COM12:". Every other name shows as it is stored.
std::string PortDisplayName(std::string_view stored);
