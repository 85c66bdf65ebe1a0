#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

class IDeviceManager;
class IPrompts;
class RegistryStore;
struct PlatformPaths;

// The application's side of the virtual serial port "COMn:" (n from 0 to 9): which port is
// chosen ("VSerialPort", -1 for none), its registration with the device manager, and the
// handle that a later run needs to withdraw it ("ServiceHandle", 0 for none). The
// registration is not undone at exit; the port lives on until the choice changes.

inline constexpr const char* kSerialDriverFileName = "ppcZRV3SerialDrv.dll";
inline constexpr const char* kVirtualPortPrefix = "COM";
inline constexpr int kNoVirtualPort = -1;

// What the registration works with.
struct VirtualPortServices {
    RegistryStore& registry;
    IDeviceManager& devices;
    IPrompts& prompts;
};

// "COM" + index + ":".
std::string VirtualPortName(int index);

// The stored choice: "VSerialPort", -1 when missing.
int ReadVirtualPortIndex(RegistryStore& registry);

// The stored handle: "ServiceHandle", 0 when missing.
std::uint32_t ReadServiceHandle(RegistryStore& registry);

// What the registration at start-up did.
struct StartupRegistration {
    enum class Outcome {
        NoPort,         // no port chosen and no handle stored
        Deregistered,   // no port chosen; the stored handle was withdrawn (error: why not)
        AlreadyPresent, // the chosen port exists already; nothing was done
        Registered,     // the chosen port was registered; its handle is stored
        Failed,         // the registration failed; error says why (nothing is shown)
    };
    Outcome outcome = Outcome::NoPort;
    std::uint32_t handle = 0;
    int error = 0; // the device manager's reason for a failure, which is not shown
};

// Registration at start-up, part of loading the settings, for the loaded choice `index`: a
// chosen port that already opens is left alone; a missing one is registered and its handle
// stored. With no port chosen, a stored handle is withdrawn and 0 stored. Shows nothing.
StartupRegistration RegisterVirtualPortAtStartup(const VirtualPortServices& services, int index);

// What a change of the choice did.
struct VirtualPortChange {
    bool deregistrationFailed = false;
    bool registrationFailed = false;
    std::uint32_t handle = 0; // the handle stored in the end
};

// A change of the choice to `newIndex` (the caller only calls it when the choice differs
// from the current one): the stored handle is withdrawn and 0 stored, the new port registered
// and its handle stored, and the new index stored as "VSerialPort"; failures are shown as
// system-error boxes, an unreadable handle as a notice. The caller makes `newIndex` current.
VirtualPortChange ChangeVirtualSerialPort(const VirtualPortServices& services, int newIndex);

// What a device-folder entry is, as far as virtual ports go.
enum class VirtualPortEntry {
    NotVirtual, // no host of the port names this target: some other device
    Served,     // the terminal of the live host serving the port
    Leftover,   // the terminal a host that is gone served; it may belong to anyone by now
};

// Tells from the port's host record alone, never by opening the port: on the virtual port
// every open empties the queue of the readers that have it open.
VirtualPortEntry InspectVirtualPortEntry(const PlatformPaths& paths, const std::string& name,
                                         const std::filesystem::path& target);

// Where a playback into the virtual port `index` writes: the input terminal of the live host
// serving it. The port's own terminal is then its readers' alone: their settings stay as they
// set them, and the host leaves nothing in it while no reader has it open. Nothing when no
// live host of ours serves the port (the chosen name is an ordinary device then) or its host
// has no input terminal.
std::optional<std::filesystem::path> VirtualPortInput(const PlatformPaths& paths, int index);
