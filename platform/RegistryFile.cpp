#include "platform/RegistryFile.h"

#include "platform/Prompts.h"
#include "platform/RegistryText.h"
#include "platform/SystemError.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace fs = std::filesystem;

namespace {

// Holds an exclusive advisory lock on a file for the lifetime of the object.
class FileLock {
public:
    explicit FileLock(const fs::path& path) {
        m_fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (m_fd < 0) {
            m_error = errno;
            return;
        }
        while (flock(m_fd, LOCK_EX) != 0) {
            if (errno != EINTR) {
                m_error = errno;
                return;
            }
        }
    }
    ~FileLock() {
        if (m_fd >= 0) {
            close(m_fd); // also releases the lock
        }
    }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    int Error() const { return m_error; }

private:
    int m_fd = -1;
    int m_error = 0;
};

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    ~FileDescriptor() {
        if (m_fd >= 0) {
            close(m_fd);
        }
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int Get() const { return m_fd; }
    int Release() { return std::exchange(m_fd, -1); }

private:
    int m_fd;
};

int WriteAll(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return errno;
        }
        done += static_cast<std::size_t>(n);
    }
    return 0;
}

int ReadAll(int fd, std::string& bytes) {
    char buffer[8192];
    for (;;) {
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return errno;
        }
        if (n == 0) {
            return 0;
        }
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
}

void SyncDirectory(const fs::path& dir) {
    FileDescriptor fd(open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.Get() >= 0) {
        fsync(fd.Get());
    }
}

// Writes the bytes to a new file beside `target` and renames it over `target`.
int ReplaceFile(const fs::path& target, const std::string& bytes) {
    std::string temp = target.string() + ".XXXXXX";
    FileDescriptor fd(mkostemp(temp.data(), O_CLOEXEC));
    if (fd.Get() < 0) {
        return errno;
    }
    struct stat old {};
    const mode_t mode = stat(target.c_str(), &old) == 0 ? (old.st_mode & 07777) : 0644;
    int error = WriteAll(fd.Get(), bytes);
    if (error == 0 && fchmod(fd.Get(), mode) != 0) {
        error = errno;
    }
    if (error == 0 && fsync(fd.Get()) != 0) {
        error = errno;
    }
    if (error == 0 && close(fd.Release()) != 0) {
        error = errno;
    }
    if (error == 0 && rename(temp.c_str(), target.c_str()) != 0) {
        error = errno;
    }
    if (error != 0) {
        unlink(temp.c_str());
        return error;
    }
    SyncDirectory(target.parent_path());
    return 0;
}

RegistryFile::Stamp StampOf(const struct stat& info) {
    return {info.st_dev, info.st_ino, info.st_size,
            info.st_mtim.tv_sec * 1000000000LL + info.st_mtim.tv_nsec};
}

std::optional<RegistryFile::Stamp> StampOfPath(const fs::path& path) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) {
        return std::nullopt;
    }
    return StampOf(info);
}

// A settings file that is a link (kept with a person's dotfiles) stays one: its target is
// replaced.
fs::path TargetOf(const fs::path& path) {
    struct stat info {};
    if (lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) {
        std::error_code ec;
        fs::path target = fs::weakly_canonical(path, ec);
        if (!ec) {
            return target;
        }
    }
    return path;
}

std::string Quoted(const std::string& text) {
    return "\"" + text + "\"";
}

} // namespace

RegistryFile::RegistryFile(fs::path path, bool writable, IPrompts* reporter)
    : m_path(std::move(path)), m_writable(writable), m_reporter(reporter) {}

RegistryFile::Loaded RegistryFile::Load() const {
    Loaded loaded;
    FileDescriptor fd(open(m_path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.Get() < 0) {
        if (errno != ENOENT) {
            loaded.error = errno;
        }
        return loaded;
    }
    struct stat info {};
    std::string text;
    int error = fstat(fd.Get(), &info) == 0 ? 0 : errno;
    if (error == 0) {
        error = ReadAll(fd.Get(), text);
    }
    if (error != 0) {
        loaded.error = error;
        return loaded;
    }
    loaded.stamp = StampOf(info);
    RegistryParseResult parsed = ParseRegistryText(text);
    if (parsed.error) {
        loaded.damage = "line " + std::to_string(parsed.error->line) + ": " + parsed.error->reason;
    } else {
        loaded.tree = std::move(parsed.tree);
    }
    return loaded;
}

std::string RegistryFile::KeepDamagedFile(const std::string& damage) {
    const std::string file = m_path.string();
    for (int i = 1; i < 1000; ++i) {
        const std::string kept = file + ".damaged" + (i == 1 ? "" : "-" + std::to_string(i));
        if (link(file.c_str(), kept.c_str()) == 0) {
            unlink(file.c_str());
            return "The settings file " + Quoted(file) + " could not be read (" + damage +
                   "). It was kept as " + Quoted(kept) +
                   ", and the program goes on with the default settings.";
        }
        if (errno != EEXIST) {
            break;
        }
    }
    return NotKeptMessage(damage, errno);
}

std::string RegistryFile::NotKeptMessage(const std::string& damage, int error) const {
    return "The settings file " + Quoted(m_path.string()) + " could not be read (" + damage +
           "), and it could not be kept under another name (" + SystemErrorText(error) +
           "). Settings are not saved until the file is repaired or removed.";
}

void RegistryFile::Report(const std::string& message) {
    if (!message.empty() && m_reporter != nullptr) {
        m_reporter->Show(
            {message, kApplicationName, PromptIcon::Exclamation, PromptButtons::Ok, false});
    }
}

void RegistryFile::Read(const std::function<void(const RegistryTree&)>& read) {
    std::string message;
    {
        std::lock_guard guard(m_mutex);
        const std::optional<Stamp> now = StampOfPath(m_path);
        if (!m_loaded || now != m_stamp) {
            Loaded loaded = Load();
            if (loaded.damage && !m_writable) {
                message = "The system settings file " + Quoted(m_path.string()) +
                          " could not be read (" + *loaded.damage + "). Its values are ignored.";
            } else if (loaded.damage) {
                // Move it aside under the writers' lock, and only if it is still damaged.
                FileLock lock(m_path.string() + ".lock");
                if (lock.Error() != 0) {
                    message = NotKeptMessage(*loaded.damage, lock.Error());
                } else {
                    loaded = Load();
                    if (loaded.damage) {
                        message = KeepDamagedFile(*loaded.damage);
                        loaded = Load();
                    }
                }
            }
            m_tree = loaded.damage ? RegistryTree{} : std::move(loaded.tree);
            // A file that cannot be opened keeps the stamp seen, so it is not re-read each time.
            m_stamp = loaded.stamp ? loaded.stamp : now;
            m_loaded = true;
        }
        read(m_tree);
    }
    Report(message);
}

int RegistryFile::Update(const std::function<int(RegistryTree&)>& change) {
    if (!m_writable) {
        return EROFS;
    }
    std::string message;
    int result = 0;
    {
        std::lock_guard guard(m_mutex);
        std::error_code ec;
        fs::create_directories(m_path.parent_path(), ec);
        FileLock lock(m_path.string() + ".lock");
        result = lock.Error();
        Loaded loaded;
        if (result == 0) {
            loaded = Load();
            if (loaded.damage) {
                message = KeepDamagedFile(*loaded.damage);
                loaded = Load();
            }
            result = loaded.damage ? EIO : loaded.error;
        }
        if (result == 0) {
            RegistryTree tree = loaded.tree;
            result = change(tree);
            if (result == 0 && tree != loaded.tree) {
                result = ReplaceFile(TargetOf(m_path), FormatRegistryText(tree));
                if (result == 0) {
                    loaded.tree = std::move(tree);
                    loaded.stamp = StampOfPath(m_path);
                }
            }
            m_tree = std::move(loaded.tree);
            m_stamp = loaded.stamp;
            m_loaded = true;
        }
    }
    Report(message);
    return result;
}
