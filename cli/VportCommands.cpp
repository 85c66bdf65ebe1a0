#include "cli/VportCommands.h"

#include "comm/DeviceManager.h"
#include "comm/ServiceFiles.h"
#include "comm/VirtualPortRegistration.h"
#include "platform/DeviceFolder.h"
#include "platform/PlatformPaths.h"
#include "platform/RegistryStore.h"
#include "platform/SystemError.h"
#include "platform/TerminalPrompts.h"

#include <charconv>
#include <cinttypes>
#include <cstdio>
#include <optional>
#include <string>

namespace {

extern const CliCommand kVportCommand;

// The settings, the device folder and the device manager of the current user.
struct VportSession {
    VportSession()
        : paths(PlatformPaths::FromEnvironment()), registry(paths, &prompts), folder(paths),
          devices(paths, DefaultServiceSearchFolders()), services{registry, devices, prompts} {}

    TerminalPrompts prompts;
    PlatformPaths paths;
    RegistryStore registry;
    DeviceFolder folder;
    DeviceManager devices;
    VirtualPortServices services;
};

std::string ChoiceText(int index) {
    return index == kNoVirtualPort ? std::string("-1 (None)")
                                   : std::to_string(index) + " (" + VirtualPortName(index) + ")";
}

std::string HandleText(std::uint32_t handle) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08" PRIx32, handle);
    return text;
}

void PrintRegistered(int index, std::uint32_t handle) {
    std::printf("%s registered, ServiceHandle %s\n", VirtualPortName(index).c_str(),
                HandleText(handle).c_str());
}

int Fail(const std::string& what, int error) {
    std::fprintf(stderr, "ppcObrin3-cli: %s: %s\n", what.c_str(), SystemErrorText(error).c_str());
    return kExitFailure;
}

// The port of the choice, without opening it: an open would empty the port's queue.
int RunStatus() {
    VportSession session;
    const int index = ReadVirtualPortIndex(session.registry);
    const std::uint32_t handle = ReadServiceHandle(session.registry);
    std::printf("VSerialPort: %s\nServiceHandle: %s\n", ChoiceText(index).c_str(),
                HandleText(handle).c_str());
    if (handle != 0) {
        std::string reason;
        const std::optional<std::string> status = session.devices.ServiceStatus(handle, reason);
        std::printf("registration: %s\n",
                    status ? ("serving, " + *status).c_str() : ("gone: " + reason).c_str());
    }
    if (index != kNoVirtualPort) {
        const std::string name = VirtualPortName(index);
        const auto entry = session.folder.Find(name);
        std::printf("%s %s\n", name.c_str(),
                    entry ? ("present -> " + entry->target.string()).c_str() : "absent");
    }
    return kExitOk;
}

// A choice different from the stored one is applied as the options apply it; the stored
// choice again does what the next start-up would do (a port that is missing is registered).
int RunRegister(int index) {
    VportSession session;
    if (index != ReadVirtualPortIndex(session.registry)) {
        const VirtualPortChange change = ChangeVirtualSerialPort(session.services, index);
        if (change.registrationFailed) {
            return kExitFailure;
        }
        PrintRegistered(index, change.handle);
        return kExitOk;
    }
    using Outcome = StartupRegistration::Outcome;
    const StartupRegistration startup = RegisterVirtualPortAtStartup(session.services, index);
    if (startup.outcome == Outcome::Failed) {
        return Fail(VirtualPortName(index) + " could not be registered", startup.error);
    }
    if (startup.outcome == Outcome::AlreadyPresent) {
        std::printf("%s present already, left as it is\n", VirtualPortName(index).c_str());
    } else {
        PrintRegistered(index, startup.handle);
    }
    return kExitOk;
}

int RunDeregister() {
    VportSession session;
    if (ReadVirtualPortIndex(session.registry) != kNoVirtualPort) {
        const VirtualPortChange change = ChangeVirtualSerialPort(session.services, kNoVirtualPort);
        if (change.deregistrationFailed) {
            return kExitFailure;
        }
    } else {
        const StartupRegistration startup =
            RegisterVirtualPortAtStartup(session.services, kNoVirtualPort);
        if (startup.error != 0) {
            return Fail("the stored service handle could not be deregistered", startup.error);
        }
    }
    std::printf("VSerialPort: %s\n", ChoiceText(kNoVirtualPort).c_str());
    return kExitOk;
}

std::optional<int> PortIndex(const std::string& text) {
    int index = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), index);
    if (error != std::errc() || end != text.data() + text.size() || index < 0 || index > 9) {
        return std::nullopt;
    }
    return index;
}

int RunVport(std::span<const std::string> args) {
    if (args.empty() || (args.size() == 1 && args[0] == "status")) {
        return RunStatus();
    }
    if (args.size() == 1 && args[0] == "deregister") {
        return RunDeregister();
    }
    if (args[0] == "register" && args.size() == 2) {
        if (const std::optional<int> index = PortIndex(args[1])) {
            return RunRegister(*index);
        }
        return UsageError(kVportCommand, "register takes N from 0 to 9");
    }
    if (args[0] == "register" && args.size() == 1) {
        return UsageError(kVportCommand, "missing N");
    }
    const bool known = args[0] == "status" || args[0] == "register" || args[0] == "deregister";
    return UsageError(kVportCommand,
                      known ? UnexpectedArgument(args[args[0] == "register" ? 2 : 1])
                            : UnexpectedArgument(args[0]) + " (status, register or deregister)");
}

const CliCommand kVportCommand = {
    "vport", "[status | register N | deregister]",
    "the virtual serial port COMN: (N from 0 to 9) that other programs read the played-back "
    "stream from, as the options choose it",
    RunVport,
    "  status       the choice, its registration and its host (the default)\n"
    "  register N   chooses and registers COMN:\n"
    "  deregister   chooses none and withdraws the registered port\n"
    "  the driver and its host program are looked for beside this program (or in "
    "$ZRV_DRIVER_DIR)\n"};

} // namespace

std::vector<CliCommand> VportCommands() {
    return {kVportCommand};
}
