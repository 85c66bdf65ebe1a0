#include "comm/ServiceRecord.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>

namespace {

std::string ReadAll(int fd) {
    std::string text;
    char buffer[1024];
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

bool StillAtPath(int fd, const std::filesystem::path& path) {
    struct stat opened {};
    struct stat named {};
    return fstat(fd, &opened) == 0 && lstat(path.c_str(), &named) == 0 &&
           opened.st_dev == named.st_dev && opened.st_ino == named.st_ino;
}

} // namespace

ServiceRecord::ServiceRecord(std::filesystem::path path) : m_path(std::move(path)) {
    m_fd.Reset(open(m_path.c_str(), O_RDWR | O_NOFOLLOW | O_CLOEXEC));
    if (m_fd) {
        m_identity = ParseHostIdentity(ReadAll(m_fd.Get()));
    }
}

bool ServiceRecord::LockIfHostGone() {
    if (m_locked) {
        return true;
    }
    if (!m_fd) {
        return false;
    }
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    while (fcntl(m_fd.Get(), F_OFD_SETLK, &lock) != 0) {
        if (errno != EINTR) {
            return false;
        }
    }
    m_locked = true;
    return true;
}

void ServiceRecord::RemoveLeftovers(const std::filesystem::path& link) {
    if (!m_locked || !m_identity) {
        return;
    }
    std::error_code ec;
    const std::filesystem::path target = std::filesystem::read_symlink(link, ec);
    if (!ec && target == std::filesystem::path(m_identity->slave)) {
        unlink(link.c_str());
    }
    if (StillAtPath(m_fd.Get(), m_path)) {
        unlink(m_path.c_str());
    }
}
