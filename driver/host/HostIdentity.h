#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>

// Who serves a port, as written in the host's record file: one "key=value" line each.
struct HostIdentity {
    pid_t pid = 0;
    std::string token;  // random, names the control socket
    std::string device; // "COMn:"
    std::string link;   // the link in the device folder
    std::string slave;  // the terminal the link points at
    // The terminal that the application's playback writes into, so that the port's own
    // terminal is its readers' alone; empty in the record of a host that had none.
    std::string input;
};

std::string FormatHostIdentity(const HostIdentity& identity);

// Nothing when a field is missing or malformed (only the input terminal may be missing).
std::optional<HostIdentity> ParseHostIdentity(std::string_view text);

// Reads and parses a record file.
std::optional<HostIdentity> ReadHostIdentity(const std::filesystem::path& record);

// A fresh random token of 32 hexadecimal digits.
std::string NewHostToken();
