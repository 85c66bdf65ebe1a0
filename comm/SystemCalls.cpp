#include "comm/SystemCalls.h"

#include "platform/TcpConnect.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
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

int PosixSystemCalls::DataSync(int fd) {
    return fdatasync(fd);
}

int PosixSystemCalls::Unlink(const char* path) {
    return unlink(path);
}

int PosixSystemCalls::Flock(int fd, int operation) {
    return flock(fd, operation);
}

int PosixSystemCalls::Ioctl(int fd, unsigned long request) {
    return ioctl(fd, request);
}

int PosixSystemCalls::ConnectTcp(const std::string& host, std::uint16_t port, int timeoutMs) {
    return ConnectTcpBefore(
        host, port, std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs));
}

ISystemCalls& RealSystemCalls() {
    static PosixSystemCalls calls;
    return calls;
}
