#include "platform/DeviceFolder.h"

#include "platform/PlatformPaths.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <random>
#include <set>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

bool IsEntryName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
           name.find('\0') == std::string::npos;
}

std::string RandomSuffix() {
    static thread_local std::mt19937_64 random(std::random_device{}());
    return std::to_string(getpid()) + "-" + std::to_string(random() % 1000000000);
}

// Points `name` in `dir` at `target` by renaming a fresh link over it, so a reader sees either
// the old or the new target.
int ReplaceLink(const fs::path& dir, const std::string& name, const fs::path& target) {
    const fs::path temp = dir / (".link-" + RandomSuffix());
    if (symlink(target.c_str(), temp.c_str()) != 0) {
        return errno;
    }
    if (rename(temp.c_str(), (dir / name).c_str()) != 0) {
        const int error = errno;
        unlink(temp.c_str());
        return error;
    }
    return 0;
}

std::vector<fs::path> SortedEntries(const fs::path& dir, const std::string& prefix) {
    std::vector<fs::path> found;
    std::error_code ec;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.starts_with(prefix) && name.size() > prefix.size()) {
            found.push_back(it->path());
        }
    }
    std::sort(found.begin(), found.end(), [](const fs::path& a, const fs::path& b) {
        return NaturalLess(a.filename().string(), b.filename().string());
    });
    return found;
}

DeviceFolder::Entry MakeEntry(const fs::path& dir, const std::string& name) {
    DeviceFolder::Entry entry{name, dir / name, false};
    std::error_code ec;
    if (fs::is_symlink(entry.target, ec)) {
        const fs::path target = fs::read_symlink(dir / name, ec);
        if (!ec) {
            entry.isLink = true;
            entry.target = target.is_absolute() ? target : (dir / target).lexically_normal();
        }
    }
    return entry;
}

} // namespace

bool NaturalLess(const std::string& a, const std::string& b) {
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() && j < b.size()) {
        const auto ca = static_cast<unsigned char>(a[i]);
        const auto cb = static_cast<unsigned char>(b[j]);
        if (std::isdigit(ca) && std::isdigit(cb)) {
            std::size_t ei = i;
            std::size_t ej = j;
            while (ei < a.size() && std::isdigit(static_cast<unsigned char>(a[ei]))) {
                ++ei;
            }
            while (ej < b.size() && std::isdigit(static_cast<unsigned char>(b[ej]))) {
                ++ej;
            }
            std::string_view na(a.data() + i, ei - i);
            std::string_view nb(b.data() + j, ej - j);
            while (na.size() > 1 && na.front() == '0') {
                na.remove_prefix(1);
            }
            while (nb.size() > 1 && nb.front() == '0') {
                nb.remove_prefix(1);
            }
            if (na.size() != nb.size()) {
                return na.size() < nb.size();
            }
            if (na != nb) {
                return na < nb;
            }
            i = ei;
            j = ej;
            continue;
        }
        if (ca != cb) {
            return ca < cb;
        }
        ++i;
        ++j;
    }
    return a.size() - i < b.size() - j;
}

std::vector<fs::path> FindSerialDevices(const fs::path& deviceRoot) {
    std::vector<fs::path> devices = SortedEntries(deviceRoot / "serial" / "by-id", "");
    std::set<fs::path> reached;
    for (const fs::path& device : devices) {
        std::error_code ec;
        const fs::path real = fs::canonical(device, ec);
        if (!ec) {
            reached.insert(real);
        }
    }
    for (const char* prefix : {"ttyUSB", "ttyACM", "rfcomm"}) {
        for (const fs::path& device : SortedEntries(deviceRoot, prefix)) {
            std::error_code ec;
            const fs::path real = fs::canonical(device, ec);
            if (!reached.contains(ec ? device : real)) {
                devices.push_back(device);
            }
        }
    }
    return devices;
}

DeviceFolder::DeviceFolder(const PlatformPaths& paths)
    : m_dir(paths.deviceDir), m_systemDeviceRoot(paths.systemDeviceRoot) {}

int DeviceFolder::EnsureCreated() {
    if (m_dir.empty()) {
        return ENOENT;
    }
    std::error_code ec;
    if (fs::is_directory(m_dir, ec)) {
        return 0;
    }
    fs::create_directories(m_dir.parent_path(), ec);
    // Fill a private folder first and rename it into place, so that no process ever sees a
    // half-filled device folder and two first uses do not both number the ports.
    const fs::path temp = m_dir.parent_path() / (".devices-" + RandomSuffix());
    if (mkdir(temp.c_str(), 0755) != 0) {
        return errno;
    }
    int number = 1;
    for (const fs::path& device : FindSerialDevices(m_systemDeviceRoot)) {
        const std::string name = "COM" + std::to_string(number++) + ":";
        if (symlink(device.c_str(), (temp / name).c_str()) != 0) {
            const int error = errno;
            fs::remove_all(temp, ec);
            return error;
        }
    }
    if (rename(temp.c_str(), m_dir.c_str()) != 0) {
        const int error = errno;
        fs::remove_all(temp, ec);
        return fs::is_directory(m_dir, ec) ? 0 : error;
    }
    return 0;
}

int DeviceFolder::CreateLink(const std::string& name, const fs::path& target) {
    if (!IsEntryName(name) || target.empty()) {
        return EINVAL;
    }
    const int created = EnsureCreated();
    return created != 0 ? created : ReplaceLink(m_dir, name, target);
}

int DeviceFolder::RemoveLink(const std::string& name) {
    if (!IsEntryName(name)) {
        return EINVAL;
    }
    const fs::path entry = m_dir / name;
    std::error_code ec;
    const fs::file_status status = fs::symlink_status(entry, ec);
    if (!fs::exists(status)) {
        return ENOENT;
    }
    if (!fs::is_symlink(status)) {
        return EPERM;
    }
    return unlink(entry.c_str()) == 0 ? 0 : errno;
}

std::vector<DeviceFolder::Entry> DeviceFolder::List() {
    EnsureCreated();
    std::vector<Entry> entries;
    std::error_code ec;
    for (fs::directory_iterator it(m_dir, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (!name.starts_with(".")) {
            entries.push_back(MakeEntry(m_dir, name));
        }
    }
    std::sort(entries.begin(), entries.end(),
              [](const Entry& a, const Entry& b) { return NaturalLess(a.name, b.name); });
    return entries;
}

std::optional<DeviceFolder::Entry> DeviceFolder::Find(const std::string& name) {
    if (!IsEntryName(name)) {
        return std::nullopt;
    }
    EnsureCreated();
    std::error_code ec;
    if (!fs::exists(fs::symlink_status(m_dir / name, ec))) {
        return std::nullopt;
    }
    return MakeEntry(m_dir, name);
}
