#include "cli/SettingsCommands.h"

#include "comm/BluetoothDevice.h"
#include "comm/SettingValueRules.h"
#include "comm/VirtualPortRegistration.h"
#include "platform/DeviceFolder.h"
#include "platform/PlatformPaths.h"
#include "platform/RegistryStore.h"
#include "platform/SettingsKeys.h"
#include "platform/SystemError.h"
#include "platform/TerminalPrompts.h"

#include <cctype>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <fcntl.h>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <unistd.h>

namespace {

constexpr std::string_view kCurrentUserPrefix = "HKEY_CURRENT_USER\\";

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) {
        return false;
    }
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(text[i])) !=
            std::tolower(static_cast<unsigned char>(prefix[i]))) {
            return false;
        }
    }
    return true;
}

// A key as given on the command line: absolute from the current-user root when it starts with
// "Software\" (or "HKEY_CURRENT_USER\"), otherwise below the settings root.
std::string AbsoluteKey(std::string_view key) {
    if (StartsWithIgnoringCase(key, kCurrentUserPrefix)) {
        key.remove_prefix(kCurrentUserPrefix.size());
        return std::string(key);
    }
    if (StartsWithIgnoringCase(key, "Software\\")) {
        return std::string(key);
    }
    return std::string(settings_keys::kSettings) + '\\' + std::string(key);
}

// The key as listed: below the settings root when it is there.
std::string ListedKey(const std::string& key) {
    const std::string root = std::string(settings_keys::kSettings) + '\\';
    return StartsWithIgnoringCase(key, root) ? key.substr(root.size()) : key;
}

std::string TypeName(const RegistryValue& value) {
    if (value.AsDword()) {
        return "dword";
    }
    if (value.AsQword()) {
        return "qword";
    }
    if (value.AsString()) {
        return "string";
    }
    return "hex(" + std::to_string(value.type) + ")";
}

std::string DataText(const RegistryValue& value) {
    if (const auto dword = value.AsDword()) {
        return std::to_string(*dword);
    }
    if (const auto qword = value.AsQword()) {
        return std::to_string(*qword);
    }
    if (const auto text = value.AsString()) {
        return *text;
    }
    std::string hex;
    char item[4];
    for (char c : value.bytes) {
        std::snprintf(item, sizeof item, "%02x", static_cast<unsigned char>(c));
        hex += hex.empty() ? item : std::string(",") + item;
    }
    return hex;
}

// Decimal or 0x-prefixed hexadecimal, within [min, max].
template <typename T>
std::optional<T> ParseNumber(std::string_view text, long long min) {
    bool negative = false;
    if (text.starts_with('-')) {
        negative = true;
        text.remove_prefix(1);
    }
    int base = 10;
    if (text.starts_with("0x") || text.starts_with("0X")) {
        base = 16;
        text.remove_prefix(2);
    }
    unsigned long long magnitude = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), magnitude, base);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    if (negative) {
        if (magnitude == 0 || magnitude > static_cast<unsigned long long>(-min)) {
            return std::nullopt;
        }
        return static_cast<T>(-static_cast<long long>(magnitude));
    }
    if (magnitude > std::numeric_limits<T>::max()) {
        return std::nullopt;
    }
    return static_cast<T>(magnitude);
}

std::optional<RegistryValue> ParseData(const std::string& type, const std::string& data) {
    if (type == "dword") {
        // A negative number is stored in two's complement, as VSerialPort's -1.
        if (const auto value =
                ParseNumber<std::uint32_t>(data, std::numeric_limits<std::int32_t>::min())) {
            return RegistryValue::Dword(*value);
        }
        return std::nullopt;
    }
    if (type == "qword") {
        // A Bluetooth address may be given as the Linux tools write it.
        if (data.find(':') != std::string::npos) {
            if (const auto address = ParseBluetoothAddress(data)) {
                return RegistryValue::Qword(*address);
            }
            return std::nullopt;
        }
        if (const auto value = ParseNumber<std::uint64_t>(data, 0)) {
            return RegistryValue::Qword(*value);
        }
        return std::nullopt;
    }
    if (type == "string") {
        return RegistryValue::String(data);
    }
    return std::nullopt;
}

bool ValidKey(const std::string& key) {
    return !key.empty() && NormalizeKeyPath(key).has_value();
}

int Fail(const std::string& message) {
    std::fprintf(stderr, "ppcObrin3-cli: %s\n", message.c_str());
    return kExitFailure;
}

int List(RegistryStore& store) {
    for (const auto& [key, values] : store.Snapshot(RegistryRoot::CurrentUser)) {
        for (const auto& [name, value] : values) {
            std::printf("%s\t%s\t%s\t%s\n", ListedKey(key).c_str(), name.c_str(),
                        TypeName(value).c_str(), DataText(value).c_str());
        }
    }
    return kExitOk;
}

int Get(RegistryStore& store, const std::string& key, const std::string& name) {
    RegistryValue value;
    const int result = store.Read(RegistryRoot::CurrentUser, AbsoluteKey(key), name, value);
    if (result != 0) {
        return Fail("no value \"" + name + "\" under \"" + key + "\"");
    }
    std::printf("%s\n", DataText(value).c_str());
    return kExitOk;
}

int Set(RegistryStore& store, const std::string& key, const std::string& name,
        const RegistryValue& value) {
    const int result = store.Write(RegistryRoot::CurrentUser, AbsoluteKey(key), name, value);
    if (result != 0) {
        return Fail("the setting could not be written: " + SystemErrorText(result));
    }
    return kExitOk;
}

int Delete(RegistryStore& store, const std::string& key) {
    const int result = store.DeleteKey(RegistryRoot::CurrentUser, AbsoluteKey(key));
    if (result == ENOENT) {
        return Fail("no key \"" + key + "\"");
    }
    if (result != 0) {
        return Fail("the key could not be deleted: " + SystemErrorText(result));
    }
    return kExitOk;
}

extern const CliCommand kSettingsCommand;

// What is wrong with the arguments of `settings`; empty when nothing is.
std::string SettingsProblem(std::span<const std::string> args) {
    const std::string action = args.empty() ? "list" : args[0];
    const std::size_t expected = action == "list"     ? 1
                                 : action == "get"    ? 3
                                 : action == "set"    ? 5
                                 : action == "delete" ? 2
                                                      : 0;
    if (expected == 0) {
        return UnexpectedArgument(action) + " (list, get, set or delete)";
    }
    if (args.size() > expected) {
        return UnexpectedArgument(args[expected]);
    }
    constexpr const char* kArguments[] = {"", "KEY", "VALUE", "TYPE", "DATA"};
    if (!args.empty() && args.size() < expected) {
        return std::string("missing ") + kArguments[args.size()];
    }
    if (args.size() > 1 && !ValidKey(args[1])) {
        return "malformed key \"" + args[1] + "\"";
    }
    if (args.size() > 2 && args[2].empty()) {
        return "the value name is empty";
    }
    return {};
}

int RunSettings(std::span<const std::string> args) {
    if (const std::string problem = SettingsProblem(args); !problem.empty()) {
        return UsageError(kSettingsCommand, problem);
    }
    const std::string action = args.empty() ? "list" : args[0];
    std::optional<RegistryValue> value;
    if (action == "set") {
        const std::string& type = args[3];
        if (type != "dword" && type != "string" && type != "qword") {
            return UsageError(kSettingsCommand,
                              "unknown type \"" + type + "\" (dword, string or qword)");
        }
        value = ParseData(type, args[4]);
        if (!value) {
            return UsageError(kSettingsCommand, "\"" + args[4] + "\" is not a " + type);
        }
        // A value the program would read as nothing it shows is refused, not stored.
        if (const auto problem = SettingValueProblem(AbsoluteKey(args[1]), args[2], *value)) {
            return UsageError(kSettingsCommand, *problem);
        }
    }
    TerminalPrompts prompts;
    RegistryStore store(PlatformPaths::FromEnvironment(), &prompts);
    if (action == "list") {
        return List(store);
    }
    if (action == "get") {
        return Get(store, args[1], args[2]);
    }
    if (action == "set") {
        return Set(store, args[1], args[2], *value);
    }
    return Delete(store, args[1]);
}

// Opens the way the serial endpoint does, without waiting for a modem line; a virtual port
// is never opened, since that would empty its readers' queue.
std::string OpenState(const PlatformPaths& paths, const DeviceFolder::Entry& entry) {
    switch (InspectVirtualPortEntry(paths, entry.name, entry.target)) {
    case VirtualPortEntry::Served:
        return "virtual port, served";
    case VirtualPortEntry::Leftover:
        return "virtual port, its host is gone";
    case VirtualPortEntry::NotVirtual:
        break;
    }
    const std::filesystem::path& target = entry.target;
    const int fd = open(target.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return "does not open: " + SystemErrorText(errno);
    }
    close(fd);
    return "opens";
}

extern const CliCommand kDevicesCommand;

// `devices link NAME PATH`: NAME (as "COM3:") leads to PATH from now on.
int LinkDevice(const PlatformPaths& paths, DeviceFolder& folder, const std::string& name,
               const std::filesystem::path& target) {
    if (!target.is_absolute()) {
        return UsageError(kDevicesCommand,
                          "the device must be given by its full path, as /dev/ttyUSB0");
    }
    std::error_code ec;
    if (!std::filesystem::exists(target, ec)) {
        return Fail(target.string() + " is not there: is the receiver plugged in?");
    }
    if (const auto entry = folder.Find(name);
        entry &&
        InspectVirtualPortEntry(paths, entry->name, entry->target) == VirtualPortEntry::Served) {
        return Fail(name + " is the virtual port; it is given up with `vport` first");
    }
    if (const int error = folder.CreateLink(name, target); error != 0) {
        return error == EINVAL
                   ? UsageError(kDevicesCommand, "\"" + name + "\" cannot be a port name")
                   : Fail(name + " could not be linked: " + SystemErrorText(error));
    }
    std::printf("%s\t%s\n", name.c_str(), target.c_str());
    return kExitOk;
}

// `devices unlink NAME`: the port name is given up; the device keeps no other entry.
int UnlinkDevice(const PlatformPaths& paths, DeviceFolder& folder, const std::string& name) {
    if (const auto entry = folder.Find(name);
        entry &&
        InspectVirtualPortEntry(paths, entry->name, entry->target) == VirtualPortEntry::Served) {
        return Fail(name + " is the virtual port; it is given up with `vport` first");
    }
    switch (const int error = folder.RemoveLink(name)) {
    case 0:
        return kExitOk;
    case ENOENT:
        return Fail("there is no port " + name + " in \"" + folder.Path().string() + "\"");
    case EPERM:
        return Fail(name + " is no link and is left alone");
    case EINVAL:
        return UsageError(kDevicesCommand, "\"" + name + "\" cannot be a port name");
    default:
        return Fail(name + " could not be removed: " + SystemErrorText(error));
    }
}

int RunDevices(std::span<const std::string> args) {
    const bool link = args.size() == 3 && args[0] == "link";
    const bool unlink = args.size() == 2 && args[0] == "unlink";
    if (!args.empty() && !link && !unlink) {
        const bool known = args[0] == "link" || args[0] == "unlink";
        return UsageError(kDevicesCommand, !known ? UnexpectedArgument(args[0])
                                           : args[0] == "unlink"
                                               ? std::string("unlink takes NAME")
                                               : std::string("link takes NAME PATH"));
    }
    const PlatformPaths paths = PlatformPaths::FromEnvironment();
    DeviceFolder folder(paths);
    // Listing first gives a receiver plugged in meanwhile its name, so that a link made now
    // does not leave it to take another one later.
    const int created = folder.AddArrivedDevices();
    if (created != 0) {
        return Fail("the device folder \"" + folder.Path().string() +
                    "\" could not be created: " + SystemErrorText(created));
    }
    if (link) {
        return LinkDevice(paths, folder, args[1], args[2]);
    }
    if (unlink) {
        return UnlinkDevice(paths, folder, args[1]);
    }
    const auto entries = folder.List();
    if (entries.empty()) {
        std::fprintf(stderr, "ppcObrin3-cli: no devices in \"%s\"\n", folder.Path().c_str());
    }
    for (const DeviceFolder::Entry& entry : entries) {
        std::printf("%s\t%s\t%s\n", entry.name.c_str(), entry.target.c_str(),
                    OpenState(paths, entry).c_str());
    }
    return kExitOk;
}

const CliCommand kSettingsCommand{
    "settings", "[list | get KEY VALUE | set KEY VALUE TYPE DATA | delete KEY]",
    "show or change the current user's settings", RunSettings,
    "  list      every value: key, name, type and data (the default)\n"
    "  get       the data of one value\n"
    "  set       writes one value; the settings the program reads as a choice (DistanceUnits,\n"
    "            KindOfView, SpeedZoom, DeviceKind, ...) take only the values it knows\n"
    "  delete    removes a key with its values and the keys below it\n"
    "  KEY       below the \"...\\Settings\" key (General, Communication\\Source, ...) or a "
    "full path\n"
    "            from \"Software\\\"\n"
    "  TYPE      dword (decimal, 0x hexadecimal, negative in two's complement), string or "
    "qword\n"
    "            (a qword also as a Bluetooth address 00:11:22:33:44:55)\n"};

const CliCommand kDevicesCommand{
    "devices", "[link NAME PATH | unlink NAME]",
    "list the device folder's port names, their targets and whether each opens (a virtual "
    "port is never opened: whether its host serves it); a serial device plugged in since the "
    "last listing gets the next free COMn: first; `link COM3: /dev/ttyUSB0` makes or re-points "
    "a port name, `unlink COM3:` removes one",
    RunDevices};

} // namespace

std::vector<CliCommand> SettingsCommands() {
    return {kSettingsCommand, kDevicesCommand};
}
