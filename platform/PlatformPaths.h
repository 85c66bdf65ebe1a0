#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

// Where gpsd, the stand-in for the built-in GPS, listens.
struct GpsdAddress {
    std::string host = "127.0.0.1";
    std::uint16_t port = 2947;
};

// Every place on disk the program reads or writes outside the folders the user picks. The
// window and the command-line companion fill it from the environment; tests point every field
// into a temporary folder so that they never touch the real user's files.
struct PlatformPaths {
    // "$XDG_CONFIG_HOME/Velmora Records2009": the current user's settings and device folder.
    std::filesystem::path configDir;
    // The current user's settings file (REGEDIT4 text).
    std::filesystem::path userRegistryFile;
    // The read-only machine-wide settings file; it need not exist.
    std::filesystem::path machineRegistryFile;
    // The user's documents folder, where recordings and the navigation store live.
    std::filesystem::path documentsDir;
    // Links named like the handheld's devices ("COM1:" -> /dev/ttyACM0).
    std::filesystem::path deviceDir;
    // Where the serial devices are looked for to give them port names.
    std::filesystem::path systemDeviceRoot = "/dev";
    // The system temporary folder; empty when it cannot be determined.
    std::filesystem::path tempDir;
    GpsdAddress gpsd;

    // Looks a variable up; returns null when it is not set.
    using EnvironmentLookup = std::function<const char*(const char*)>;

    // Fills every field from XDG_CONFIG_HOME, XDG_CONFIG_DIRS, XDG_DOCUMENTS_DIR (or the
    // user-dirs.dirs file), HOME, TMPDIR, ZRV_GPSD ("host:port") and ZRV_DEVICE_ROOT (where
    // the serial devices are, "/dev" when unset).
    static PlatformPaths FromEnvironment(const EnvironmentLookup& lookup);
    static PlatformPaths FromEnvironment();

    // The same layout below one folder, for tests: config, documents, devices, dev, tmp and
    // a machine settings file "system.reg" directly in it. Nothing is created.
    static PlatformPaths Below(const std::filesystem::path& root);
};

// The folder name below the configuration folders; the company and product names of the
// settings root.
inline constexpr const char* kConfigFolderName = "Velmora Records2009";
