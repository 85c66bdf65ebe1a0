#include "platform/PlatformPaths.h"

#include <charconv>
#include <cstdlib>
#include <fstream>
#include <pwd.h>
#include <string_view>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::string Lookup(const PlatformPaths::EnvironmentLookup& lookup, const char* name) {
    const char* value = lookup(name);
    return value != nullptr ? std::string(value) : std::string();
}

fs::path HomeDir(const PlatformPaths::EnvironmentLookup& lookup) {
    const std::string home = Lookup(lookup, "HOME");
    if (!home.empty()) {
        return home;
    }
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* result = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &result) == 0 &&
        result != nullptr && result->pw_dir != nullptr) {
        return result->pw_dir;
    }
    return {};
}

// XDG base directories must be absolute; relative values are ignored as the standard says.
fs::path AbsoluteOrEmpty(const std::string& value) {
    fs::path path(value);
    return path.is_absolute() ? path : fs::path();
}

// Reads XDG_DOCUMENTS_DIR from user-dirs.dirs: a line XDG_DOCUMENTS_DIR="$HOME/Documents" or
// with an absolute path.
fs::path DocumentsFromUserDirs(const fs::path& file, const fs::path& home) {
    std::ifstream in(file);
    std::string line;
    constexpr std::string_view key = "XDG_DOCUMENTS_DIR=";
    while (std::getline(in, line)) {
        std::string_view text(line);
        if (!text.starts_with(key)) {
            continue;
        }
        text.remove_prefix(key.size());
        if (text.size() < 2 || text.front() != '"' || text.back() != '"') {
            continue;
        }
        text = text.substr(1, text.size() - 2);
        if (text.starts_with("$HOME")) {
            text.remove_prefix(5);
            const fs::path rest = fs::path(std::string(text)).relative_path();
            return home.empty() ? fs::path() : (rest.empty() ? home : home / rest);
        }
        return AbsoluteOrEmpty(std::string(text));
    }
    return {};
}

fs::path MachineRegistryFile(const std::string& configDirs) {
    std::vector<fs::path> dirs;
    std::string_view rest(configDirs);
    while (!rest.empty()) {
        const std::size_t colon = rest.find(':');
        const fs::path dir = AbsoluteOrEmpty(std::string(rest.substr(0, colon)));
        if (!dir.empty()) {
            dirs.push_back(dir);
        }
        rest = colon == std::string_view::npos ? std::string_view() : rest.substr(colon + 1);
    }
    if (dirs.empty()) {
        dirs.emplace_back("/etc/xdg");
    }
    for (const fs::path& dir : dirs) {
        const fs::path file = dir / kConfigFolderName / "system.reg";
        std::error_code ec;
        if (fs::exists(file, ec)) {
            return file;
        }
    }
    return dirs.front() / kConfigFolderName / "system.reg";
}

// "host:port", "host" or ":port"; anything unreadable keeps the default.
GpsdAddress ParseGpsdAddress(const std::string& text) {
    GpsdAddress address;
    if (text.empty()) {
        return address;
    }
    const std::size_t colon = text.rfind(':');
    const std::string host = text.substr(0, colon);
    if (!host.empty()) {
        address.host = host;
    }
    if (colon != std::string::npos) {
        const std::string port = text.substr(colon + 1);
        unsigned value = 0;
        const auto [end, ec] = std::from_chars(port.data(), port.data() + port.size(), value);
        if (ec == std::errc() && end == port.data() + port.size() && value > 0 && value <= 65535) {
            address.port = static_cast<std::uint16_t>(value);
        }
    }
    return address;
}

fs::path SystemTempDir() {
    std::error_code ec;
    fs::path dir = fs::temp_directory_path(ec);
    return ec ? fs::path() : dir;
}

} // namespace

PlatformPaths PlatformPaths::FromEnvironment(const EnvironmentLookup& lookup) {
    PlatformPaths paths;
    const fs::path home = HomeDir(lookup);
    fs::path configHome = AbsoluteOrEmpty(Lookup(lookup, "XDG_CONFIG_HOME"));
    if (configHome.empty() && !home.empty()) {
        configHome = home / ".config";
    }
    if (!configHome.empty()) {
        paths.configDir = configHome / kConfigFolderName;
        paths.userRegistryFile = paths.configDir / "user.reg";
        paths.deviceDir = paths.configDir / "devices";
    }
    paths.machineRegistryFile = MachineRegistryFile(Lookup(lookup, "XDG_CONFIG_DIRS"));

    paths.documentsDir = AbsoluteOrEmpty(Lookup(lookup, "XDG_DOCUMENTS_DIR"));
    if (paths.documentsDir.empty() && !configHome.empty()) {
        paths.documentsDir = DocumentsFromUserDirs(configHome / "user-dirs.dirs", home);
    }
    if (paths.documentsDir.empty() && !home.empty()) {
        paths.documentsDir = home / "Documents";
    }
    paths.tempDir = SystemTempDir();
    paths.gpsd = ParseGpsdAddress(Lookup(lookup, "ZRV_GPSD"));
    if (fs::path root = AbsoluteOrEmpty(Lookup(lookup, "ZRV_DEVICE_ROOT")); !root.empty()) {
        paths.systemDeviceRoot = std::move(root);
    }
    return paths;
}

PlatformPaths PlatformPaths::FromEnvironment() {
    return FromEnvironment([](const char* name) { return std::getenv(name); });
}

PlatformPaths PlatformPaths::Below(const fs::path& root) {
    PlatformPaths paths;
    paths.configDir = root / "config" / kConfigFolderName;
    paths.userRegistryFile = paths.configDir / "user.reg";
    paths.machineRegistryFile = root / "system.reg";
    paths.documentsDir = root / "Documents";
    paths.deviceDir = paths.configDir / "devices";
    paths.systemDeviceRoot = root / "dev";
    paths.tempDir = root / "tmp";
    return paths;
}
