#include "comm/SystemCalls.h"

#include <cerrno>
#include <fcntl.h>
#include <netdb.h>
#include <sys/socket.h>
#include <unistd.h>

int PosixSystemCalls::Open(const char* path, int flags, mode_t mode) {
    return open(path, flags, mode);
}

int PosixSystemCalls::Close(int fd) {
    return close(fd);
}

ssize_t PosixSystemCalls::Read(int fd, void* buffer, std::size_t size) {
    return read(fd, buffer, size);
}

ssize_t PosixSystemCalls::Write(int fd, const void* data, std::size_t size) {
    return write(fd, data, size);
}

int PosixSystemCalls::Poll(pollfd* fds, nfds_t count, int timeoutMs) {
    return poll(fds, count, timeoutMs);
}

int PosixSystemCalls::GetAttributes(int fd, termios& attributes) {
    return tcgetattr(fd, &attributes);
}

int PosixSystemCalls::SetAttributes(int fd, const termios& attributes) {
    return tcsetattr(fd, TCSANOW, &attributes);
}

int PosixSystemCalls::Truncate(int fd, off_t length) {
    return ftruncate(fd, length);
}

int PosixSystemCalls::Unlink(const char* path) {
    return unlink(path);
}

int PosixSystemCalls::ConnectTcp(const std::string& host, std::uint16_t port) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const std::string service = std::to_string(port);
    const int status = getaddrinfo(host.c_str(), service.c_str(), &hints, &found);
    if (status != 0) {
        errno = status == EAI_SYSTEM ? errno : EHOSTUNREACH;
        return -1;
    }
    int error = ECONNREFUSED;
    int fd = -1;
    for (const addrinfo* address = found; address != nullptr; address = address->ai_next) {
        fd = socket(address->ai_family, address->ai_socktype | SOCK_CLOEXEC, address->ai_protocol);
        if (fd < 0) {
            error = errno;
            continue;
        }
        if (connect(fd, address->ai_addr, address->ai_addrlen) == 0) {
            break;
        }
        error = errno;
        close(fd);
        fd = -1;
    }
    freeaddrinfo(found);
    if (fd < 0) {
        errno = error;
    }
    return fd;
}

ISystemCalls& RealSystemCalls() {
    static PosixSystemCalls calls;
    return calls;
}
