#include "driver/host/HostRecord.h"

#include "driver/host/PortTakenError.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>

namespace {

[[noreturn]] void ThrowErrno(const std::string& what) {
    throw std::system_error(errno, std::generic_category(), what);
}

// True when the lock was taken, false when another open file holds it.
bool TryLock(int fd) {
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    while (fcntl(fd, F_OFD_SETLK, &lock) != 0) {
        if (errno == EAGAIN || errno == EACCES) {
            return false;
        }
        if (errno != EINTR) {
            ThrowErrno("locking the host record");
        }
    }
    return true;
}

// True when fd still is the file at path: a host that was ending may have removed it after
// this one opened it.
bool StillAtPath(int fd, const std::filesystem::path& path) {
    struct stat opened {};
    struct stat named {};
    return fstat(fd, &opened) == 0 && stat(path.c_str(), &named) == 0 &&
           opened.st_dev == named.st_dev && opened.st_ino == named.st_ino;
}

std::string ReadAll(int fd) {
    std::string text;
    char buffer[4096];
    for (off_t offset = 0;;) {
        const ssize_t got = pread(fd, buffer, sizeof buffer, offset);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            return text;
        }
        text.append(buffer, static_cast<std::size_t>(got));
        offset += got;
    }
}

} // namespace

HostRecord::HostRecord(std::filesystem::path path) : m_path(std::move(path)) {
    for (;;) {
        UniqueFd fd(open(m_path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600));
        if (!fd) {
            ThrowErrno("opening the host record " + m_path.string());
        }
        if (!TryLock(fd.Get())) {
            throw PortTakenError("a running host holds " + m_path.string());
        }
        if (StillAtPath(fd.Get(), m_path)) {
            m_fd = std::move(fd);
            break;
        }
    }
    m_previous = ReadAll(m_fd.Get());
}

HostRecord::~HostRecord() {
    if (m_written || m_previous.empty()) {
        unlink(m_path.c_str());
    }
}

void HostRecord::Write(const std::string& contents) {
    if (ftruncate(m_fd.Get(), 0) != 0) {
        ThrowErrno("writing the host record");
    }
    m_written = true;
    std::size_t done = 0;
    while (done < contents.size()) {
        const ssize_t put = pwrite(m_fd.Get(), contents.data() + done, contents.size() - done,
                                   static_cast<off_t>(done));
        if (put < 0 && errno == EINTR) {
            continue;
        }
        if (put <= 0) {
            ThrowErrno("writing the host record");
        }
        done += static_cast<std::size_t>(put);
    }
}
