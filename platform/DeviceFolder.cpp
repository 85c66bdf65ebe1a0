#include "platform/DeviceFolder.h"

#include "platform/PlatformPaths.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <fcntl.h>
#include <fstream>
#include <random>
#include <set>
#include <sys/file.h>
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

// The serial devices present at the last look, one path a line: a device not among them has
// appeared since.
constexpr const char* kPresentFile = ".present";
// Held while the folder is compared with the devices, so two listings do not both add one.
constexpr const char* kLockFile = ".lock";

std::set<fs::path> ReadPresent(const fs::path& dir) {
    std::set<fs::path> present;
    std::ifstream in(dir / kPresentFile);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty()) {
            present.insert(line);
        }
    }
    return present;
}

int WritePresent(const fs::path& dir, const std::vector<fs::path>& devices) {
    const fs::path temp = dir / (".present-" + RandomSuffix());
    {
        std::ofstream out(temp);
        for (const fs::path& device : devices) {
            out << device.string() << '\n';
        }
        if (!out.flush()) {
            const int error = errno != 0 ? errno : EIO;
            unlink(temp.c_str());
            return error;
        }
    }
    if (rename(temp.c_str(), (dir / kPresentFile).c_str()) != 0) {
        const int error = errno;
        unlink(temp.c_str());
        return error;
    }
    return 0;
}

// Both the path as written and the device it ends at, so that a link to a persistent name and
// one to the device node count as the same device.
void InsertBothForms(std::set<fs::path>& paths, const fs::path& path) {
    paths.insert(path.lexically_normal());
    std::error_code ec;
    const fs::path real = fs::canonical(path, ec);
    if (!ec) {
        paths.insert(real);
    }
}

bool Reaches(const std::set<fs::path>& pointedAt, const fs::path& device) {
    std::set<fs::path> forms;
    InsertBothForms(forms, device);
    return std::any_of(forms.begin(), forms.end(),
                       [&](const fs::path& form) { return pointedAt.contains(form); });
}

// Links `device` at the lowest "COMn:" that no entry has; a name taken meanwhile by another
// process is skipped.
int LinkAtFreeName(const fs::path& dir, const fs::path& device) {
    for (int number = 1;; ++number) {
        const fs::path entry = dir / ("COM" + std::to_string(number) + ":");
        if (symlink(device.c_str(), entry.c_str()) == 0) {
            return 0;
        }
        if (errno != EEXIST) {
            return errno;
        }
    }
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
    const std::vector<fs::path> devices = FindSerialDevices(m_systemDeviceRoot);
    for (const fs::path& device : devices) {
        const std::string name = "COM" + std::to_string(number++) + ":";
        if (symlink(device.c_str(), (temp / name).c_str()) != 0) {
            const int error = errno;
            fs::remove_all(temp, ec);
            return error;
        }
    }
    if (const int error = WritePresent(temp, devices); error != 0) {
        fs::remove_all(temp, ec);
        return error;
    }
    if (rename(temp.c_str(), m_dir.c_str()) != 0) {
        const int error = errno;
        fs::remove_all(temp, ec);
        return fs::is_directory(m_dir, ec) ? 0 : error;
    }
    return 0;
}

int DeviceFolder::AddArrivedDevices() {
    if (const int created = EnsureCreated(); created != 0) {
        return created;
    }
    const int lock = open((m_dir / kLockFile).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (lock < 0) {
        return errno;
    }
    flock(lock, LOCK_EX);
    const std::vector<fs::path> devices = FindSerialDevices(m_systemDeviceRoot);
    const std::set<fs::path> seen = ReadPresent(m_dir);
    std::set<fs::path> pointedAt;
    for (const Entry& entry : List()) {
        if (entry.isLink) {
            InsertBothForms(pointedAt, entry.target);
        }
    }
    int result = 0;
    for (const fs::path& device : devices) {
        if (seen.contains(device) || Reaches(pointedAt, device)) {
            continue;
        }
        result = LinkAtFreeName(m_dir, device);
        if (result != 0) {
            break;
        }
        InsertBothForms(pointedAt, device);
    }
    // A device that could not be linked is left out, so the next listing tries it again.
    if (result == 0) {
        result = WritePresent(m_dir, devices);
    }
    close(lock);
    return result;
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
