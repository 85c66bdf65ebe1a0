#pragma once

#include <filesystem>
#include <optional>
#include <span>
#include <string>

// The device host's command line. The host links nothing of the application, so everything it
// needs comes from here.
struct HostOptions {
    std::filesystem::path driver; // the driver library to load
    int index = 0;                // n of "COMn:", 0 to 9
    std::filesystem::path link;   // where to link the terminal, e.g. ".../devices/COM5:"
    std::filesystem::path record; // the locked file naming the serving host
};

struct ParsedHostOptions {
    std::optional<HostOptions> options; // set when the command line is complete and valid
    bool help = false;                  // --help was asked for
    std::string error;                  // why the command line was refused
};

// Parses the arguments after the program name. Link and record paths become absolute (the
// host leaves its working directory); a driver path with a folder part does too, a bare
// library name is left for the loader's search.
ParsedHostOptions ParseHostOptions(std::span<const std::string> args);

std::string HostUsage();

// "COM" + n + ":".
std::string DeviceName(int index);
