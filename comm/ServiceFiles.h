#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

// Where the virtual serial port's two run-time files are found: the driver library and the
// device host program that serves it. Both are looked for beside the running program, as the
// handheld found the driver beside the application, with one override for other layouts.

// The environment variable naming the one folder to search instead of the usual ones.
inline constexpr const char* kDriverDirVariable = "ZRV_DRIVER_DIR";
inline constexpr const char* kDeviceHostProgram = "ppcZRV3DeviceHost";

// Where an installation keeps both, below the programs' parent folder: files of the program's
// own, named after its package.
inline constexpr const char* kInstalledServiceFolder = "libexec/ppcobrin3";

// The folders searched, in order. With an override, that folder alone (a folder named on
// purpose must not be silently passed over); otherwise the program's own folder, then its
// ../driver (the build tree) and ../libexec/ppcobrin3 (an installation).
std::vector<std::filesystem::path> ServiceSearchFolders(const char* overrideDir,
                                                        const std::filesystem::path& programDir);

// The same for this process: ZRV_DRIVER_DIR and the folder of /proc/self/exe.
std::vector<std::filesystem::path> DefaultServiceSearchFolders();

// The Linux file of a driver named by its handheld file name: "ppcZRV3SerialDrv.dll" ->
// "libppcZRV3SerialDrv.so". Nothing for a name that holds a folder part or has no stem.
std::optional<std::string> DriverLibraryName(const std::string& handheldName);

// The first regular file `name` in one of the folders or in its "host" subfolder (where the
// build tree puts the device host); with `executable`, only a file this process may run.
std::optional<std::filesystem::path>
FindServiceFile(const std::vector<std::filesystem::path>& folders, const std::string& name,
                bool executable);
