#include "navigation/StoreFile.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <pthread.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <thread>
#include <vector>

namespace {

// The names the program has always reported its file operations with.
constexpr const char* kCreateFile = "CreateFile";
constexpr const char* kReadFile = "ReadFile";
constexpr const char* kWriteFile = "WriteFile";
constexpr const char* kMoveFile = "MoveFile";
constexpr const char* kLockFile = "LockFile";

// While the store's files are written, a file-size limit fails the write with EFBIG (reported,
// the temporary file removed) instead of ending the program: SIGXFSZ is held back on this
// thread, and one that a write raised is taken away before it would be delivered.
class FileSizeSignalHeld {
public:
    FileSizeSignalHeld() {
        sigemptyset(&m_signal);
        sigaddset(&m_signal, SIGXFSZ);
        pthread_sigmask(SIG_BLOCK, &m_signal, &m_previous);
        m_wasPending = IsPending();
    }
    ~FileSizeSignalHeld() {
        if (!m_wasPending && IsPending()) {
            const struct timespec noWait {};
            sigtimedwait(&m_signal, nullptr, &noWait);
        }
        pthread_sigmask(SIG_SETMASK, &m_previous, nullptr);
    }
    FileSizeSignalHeld(const FileSizeSignalHeld&) = delete;
    FileSizeSignalHeld& operator=(const FileSizeSignalHeld&) = delete;

private:
    static bool IsPending() {
        sigset_t pending;
        return sigpending(&pending) == 0 && sigismember(&pending, SIGXFSZ) == 1;
    }

    sigset_t m_signal;
    sigset_t m_previous;
    bool m_wasPending = false;
};

StoreFileError ErrorOf(const char* call, const std::filesystem::path& path, int error = errno) {
    return StoreFileError{call, error, path.string()};
}

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

bool ReadWhole(int fd, std::string& content) {
    content.clear();
    std::vector<char> block(1 << 16);
    off_t offset = 0;
    for (;;) {
        const ssize_t got = ::pread(fd, block.data(), block.size(), offset);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        if (got == 0) {
            return true;
        }
        content.append(block.data(), static_cast<std::size_t>(got));
        offset += got;
    }
}

std::optional<std::string> ReadFile(const std::filesystem::path& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return std::nullopt;
    }
    std::string content;
    const bool ok = ReadWhole(fd, content);
    ::close(fd);
    return ok ? std::optional<std::string>(std::move(content)) : std::nullopt;
}

// Makes the renames and links of a folder durable.
void SyncFolder(const std::filesystem::path& folder) {
    const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

struct Candidate {
    std::filesystem::path path;
    std::string content;
    struct timespec modified {};
    bool endLine = false;
};

// A file beside the store that holds a whole store: not empty, and every line of it loads.
std::optional<Candidate> CompleteCandidate(const std::filesystem::path& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode) || status.st_size == 0) {
        return std::nullopt;
    }
    std::optional<std::string> content = ReadFile(path);
    if (!content) {
        return std::nullopt;
    }
    const StoreTextCheck check = CheckStoreText(*content);
    if (!check.IsSound()) {
        return std::nullopt;
    }
    return Candidate{path, std::move(*content), status.st_mtim, check.endLine};
}

bool Newer(const struct timespec& a, const struct timespec& b) {
    return a.tv_sec != b.tv_sec ? a.tv_sec > b.tv_sec : a.tv_nsec > b.tv_nsec;
}

// Whether the open file is the one the path names now.
bool IsFileAtPath(int fd, const std::filesystem::path& path) {
    struct stat opened {};
    struct stat named {};
    return ::fstat(fd, &opened) == 0 && ::stat(path.c_str(), &named) == 0 &&
           opened.st_dev == named.st_dev && opened.st_ino == named.st_ino;
}

// How often opening for writing tries again when the file it locked was replaced meanwhile.
constexpr int kLockAttempts = 8;
// The pause between two attempts to take a lock that another program holds.
constexpr std::chrono::milliseconds kLockRetryPause{50};

} // namespace

StoreFile::StoreFile(std::filesystem::path storePath) : m_path(std::move(storePath)) {}

StoreFile::~StoreFile() {
    Close();
}

std::filesystem::path StoreFile::BackupPath() const {
    std::string backup = m_path.string();
    if (!backup.empty()) {
        backup.back() = '~';
    }
    return backup;
}

std::filesystem::path StoreFile::NewFilePath() const {
    return m_path.string() + "~";
}

std::filesystem::path StoreFile::TemporaryPath() const {
    return m_path.string() + "~.tmp";
}

void StoreFile::SetStepObserver(std::function<void(StoreFileStep)> observer) {
    m_observer = std::move(observer);
}

void StoreFile::Step(StoreFileStep step) const {
    if (m_observer) {
        m_observer(step);
    }
}

void StoreFile::Close() {
    if (m_fd >= 0) {
        ::close(m_fd); // releases the lock
        m_fd = -1;
    }
    m_heldByOther = false;
}

std::optional<StoreFileError> StoreFile::Open(Access access) {
    const FileSizeSignalHeld held; // recovering writes a file
    Close();
    m_access = access;
    m_recoveredFrom.reset();
    m_holdsCompleteStore = false;
    m_lastReadCheck = StoreTextCheck();
    if (access == Access::ReadOnly) {
        m_fd = ::open(m_path.c_str(), O_RDONLY | O_CLOEXEC);
        if (m_fd < 0) {
            return ErrorOf(kCreateFile, m_path);
        }
        return std::nullopt;
    }
    if (auto error = OpenLocked()) {
        return error;
    }
    return m_heldByOther ? std::nullopt : RecoverIfEmpty();
}

std::optional<StoreFileError> StoreFile::TakeLockAgain() {
    const auto deadline = std::chrono::steady_clock::now() + m_lockWait;
    for (;;) {
        if (auto error = Open(Access::ReadWrite)) {
            return error;
        }
        if (CanWrite() || std::chrono::steady_clock::now() >= deadline) {
            return std::nullopt;
        }
        Step(StoreFileStep::WaitingForLock);
        std::this_thread::sleep_for(kLockRetryPause);
    }
}

std::optional<StoreFileError> StoreFile::OpenLocked() {
    for (int attempt = 0; attempt < kLockAttempts; ++attempt) {
        m_fd = ::open(m_path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        if (m_fd < 0) {
            return ErrorOf(kCreateFile, m_path);
        }
        Step(StoreFileStep::Opened);
        if (::flock(m_fd, LOCK_EX | LOCK_NB) != 0) {
            if (errno == EWOULDBLOCK) {
                m_heldByOther = true;
                return std::nullopt;
            }
            const StoreFileError error = ErrorOf(kLockFile, m_path);
            Close();
            return error;
        }
        // Another program's save may have put a new file in place since the open: the lock on
        // the old one guards nothing, and writing from it would lose that program's changes.
        if (IsFileAtPath(m_fd, m_path)) {
            return std::nullopt;
        }
        Close();
    }
    // Replaced at every attempt: another program is saving over and over; it holds the store.
    m_fd = ::open(m_path.c_str(), O_RDONLY | O_CLOEXEC);
    if (m_fd < 0) {
        return ErrorOf(kCreateFile, m_path);
    }
    m_heldByOther = true;
    return std::nullopt;
}

std::optional<StoreCopy> StoreFile::NewestCompleteCopy() const {
    std::optional<Candidate> fresh = CompleteCandidate(NewFilePath());
    std::optional<Candidate> backup = CompleteCandidate(BackupPath());
    if (!fresh && !backup) {
        return std::nullopt;
    }
    // The unrenamed new file wins a tie, it was written last.
    Candidate& chosen =
        fresh && (!backup || !Newer(backup->modified, fresh->modified)) ? *fresh : *backup;
    return StoreCopy{std::move(chosen.path), std::move(chosen.content)};
}

bool StoreFile::BackupShowsCut(std::string_view content) const {
    // Only the backup is older than the store for sure: the new file of a save that stopped
    // is newer and may well begin with the store's text.
    const std::optional<Candidate> backup = CompleteCandidate(BackupPath());
    // A backup with the end line was written by this program, which ends every store so.
    return backup && (backup->endLine || (backup->content.size() > content.size() &&
                                          backup->content.starts_with(content)));
}

std::optional<StoreFileError> StoreFile::RecoverIfEmpty() {
    struct stat status {};
    if (::fstat(m_fd, &status) != 0) {
        return ErrorOf(kReadFile, m_path);
    }
    if (status.st_size != 0) {
        return std::nullopt;
    }
    const std::optional<StoreCopy> copy = NewestCompleteCopy();
    if (!copy) {
        return std::nullopt;
    }
    if (copy->path == NewFilePath()) {
        const int fd = ::open(copy->path.c_str(), O_RDWR | O_CLOEXEC);
        if (fd < 0 || ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            const StoreFileError error = ErrorOf(kLockFile, copy->path);
            if (fd >= 0) {
                ::close(fd);
            }
            return error;
        }
        if (auto error = MoveIntoPlace(copy->path, fd)) {
            return error;
        }
    } else {
        // The backup keeps its name: it is copied through a new file.
        int fd = -1;
        if (auto error = WriteNewFile(copy->content, fd)) {
            return error;
        }
        if (auto error = MoveIntoPlace(NewFilePath(), fd)) {
            return error;
        }
    }
    m_recoveredFrom = copy->path;
    return std::nullopt;
}

std::optional<StoreFileError> StoreFile::ReadAll(std::string& content) {
    if (m_fd < 0 || !ReadWhole(m_fd, content)) {
        return ErrorOf(kReadFile, m_path, m_fd < 0 ? EBADF : errno);
    }
    m_lastReadCheck = CheckStoreText(content);
    m_lastReadCheck.endMissing = !content.empty() && m_lastReadCheck.cutLine == 0 &&
                                 !m_lastReadCheck.endLine && BackupShowsCut(content);
    m_knownContent = content;
    m_holdsCompleteStore = !content.empty() && m_lastReadCheck.IsSound();
    return std::nullopt;
}

std::optional<StoreFileError> StoreFile::KeepAside(std::string_view content,
                                                   std::filesystem::path& keptAs) const {
    const FileSizeSignalHeld held;
    const std::string stem = m_path.stem().string() + "-damaged-";
    const std::string extension = m_path.extension().string();
    for (int number = 1;; ++number) {
        const std::filesystem::path path =
            m_path.parent_path() / (stem + std::to_string(number) + extension);
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd < 0) {
            if (errno == EEXIST) {
                continue; // kept from an earlier damage
            }
            return ErrorOf(kCreateFile, path);
        }
        const bool written = WriteAll(fd, content) && ::fsync(fd) == 0;
        const int error = errno;
        ::close(fd);
        if (!written) {
            ::unlink(path.c_str());
            return ErrorOf(kWriteFile, path, error);
        }
        SyncFolder(m_path.parent_path());
        keptAs = path;
        return std::nullopt;
    }
}

std::optional<StoreFileError> StoreFile::Replace(std::string_view content) {
    const FileSizeSignalHeld held;
    if (!CanWrite()) {
        return ErrorOf(kLockFile, m_path, m_fd < 0 ? EBADF : EWOULDBLOCK);
    }
    int fd = -1;
    if (auto error = WriteNewFile(content, fd)) {
        return error;
    }
    Step(StoreFileStep::NewFileWritten);
    // A store that was not read whole stays out of the backup: the backup may be the newest
    // complete copy.
    if (m_holdsCompleteStore) {
        if (auto error = KeepBackup()) {
            ::close(fd);
            return error;
        }
    }
    if (auto error = MoveIntoPlace(NewFilePath(), fd)) {
        return error;
    }
    m_holdsCompleteStore = CheckStoreText(content).IsSound();
    m_knownContent = content;
    return std::nullopt;
}

std::optional<StoreFileError> StoreFile::WriteNewFile(std::string_view content, int& fd) const {
    // Written under a name of its own first: "NaviStor.zrv~" may be the newest complete copy
    // (left by a save that stopped, and loaded in place of a damaged store), and only a
    // complete file replaces it.
    const std::filesystem::path path = TemporaryPath();
    fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        return ErrorOf(kCreateFile, path);
    }
    const auto fail = [&](const char* call) {
        const StoreFileError error = ErrorOf(call, path);
        ::close(fd);
        fd = -1;
        ::unlink(path.c_str());
        return error;
    };
    // Locked before it becomes the store, so that the store is never unlocked.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0 || !WriteAll(fd, content) || ::fsync(fd) != 0) {
        return fail(kWriteFile);
    }
    Step(StoreFileStep::TemporaryFileWritten);
    if (::rename(path.c_str(), NewFilePath().c_str()) != 0) {
        return fail(kMoveFile);
    }
    return std::nullopt;
}

// The old store gets a second name first, which then replaces the backup in one step: the
// backup is never missing.
std::optional<StoreFileError> StoreFile::KeepBackup() const {
    const std::filesystem::path backup = BackupPath();
    const std::filesystem::path linked = backup.string() + "~";
    if (::unlink(linked.c_str()) != 0 && errno != ENOENT) {
        return ErrorOf(kMoveFile, linked);
    }
    if (::link(m_path.c_str(), linked.c_str()) != 0) {
        // A file system without hard links: the backup is a copy.
        std::string old;
        if (!ReadWhole(m_fd, old)) {
            return ErrorOf(kReadFile, m_path);
        }
        const int fd = ::open(linked.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (fd < 0) {
            return ErrorOf(kCreateFile, linked);
        }
        const bool written = WriteAll(fd, old) && ::fsync(fd) == 0;
        const int error = errno;
        ::close(fd);
        if (!written) {
            ::unlink(linked.c_str());
            return ErrorOf(kWriteFile, linked, error);
        }
    }
    Step(StoreFileStep::BackupLinked);
    if (::rename(linked.c_str(), backup.c_str()) != 0) {
        const StoreFileError error = ErrorOf(kMoveFile, linked);
        ::unlink(linked.c_str());
        return error;
    }
    // A rename between two names of one file does nothing (the backup already was the old
    // store, as a save stopped after this step leaves it): the second name goes.
    ::unlink(linked.c_str());
    Step(StoreFileStep::BackupReplaced);
    return std::nullopt;
}

std::optional<StoreFileError> StoreFile::MoveIntoPlace(const std::filesystem::path& from,
                                                       int newFd) {
    if (::rename(from.c_str(), m_path.c_str()) != 0) {
        const StoreFileError error = ErrorOf(kMoveFile, from);
        ::close(newFd);
        return error;
    }
    Step(StoreFileStep::StoreReplaced);
    SyncFolder(m_path.parent_path());
    ::close(m_fd); // the old file and its lock
    m_fd = newFd;
    return std::nullopt;
}
