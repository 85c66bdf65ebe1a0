#pragma once

#include <cstddef>
#include <cstdint>
#include <poll.h>
#include <string>
#include <sys/types.h>
#include <termios.h>

// The system calls of the ports and the record file, behind one seam so that tests can make a
// port fail, return short reads or vanish, or a disk fill up. Every call behaves like its POSIX
// counterpart: -1 and errno on failure.
class ISystemCalls {
public:
    virtual ~ISystemCalls() = default;

    virtual int Open(const char* path, int flags, mode_t mode) = 0;
    virtual int Close(int fd) = 0;
    virtual ssize_t Read(int fd, void* buffer, std::size_t size) = 0;
    virtual ssize_t Write(int fd, const void* data, std::size_t size) = 0;
    virtual int Poll(pollfd* fds, nfds_t count, int timeoutMs) = 0;
    virtual int GetAttributes(int fd, termios& attributes) = 0;
    virtual int SetAttributes(int fd, const termios& attributes) = 0;
    virtual int Truncate(int fd, off_t length) = 0;
    // fdatasync(2).
    virtual int DataSync(int fd) = 0;
    virtual int Unlink(const char* path) = 0;
    virtual int Flock(int fd, int operation) = 0;
    // An ioctl(2) request without an argument (TIOCEXCL, TIOCNXCL).
    virtual int Ioctl(int fd, unsigned long request) = 0;
    // A connected, non-blocking TCP stream socket to host:port (numeric or name); ETIMEDOUT
    // when no connection was made within `timeoutMs`.
    virtual int ConnectTcp(const std::string& host, std::uint16_t port, int timeoutMs) = 0;
};

// The real calls.
class PosixSystemCalls : public ISystemCalls {
public:
    int Open(const char* path, int flags, mode_t mode) override;
    int Close(int fd) override;
    ssize_t Read(int fd, void* buffer, std::size_t size) override;
    ssize_t Write(int fd, const void* data, std::size_t size) override;
    int Poll(pollfd* fds, nfds_t count, int timeoutMs) override;
    int GetAttributes(int fd, termios& attributes) override;
    int SetAttributes(int fd, const termios& attributes) override;
    int Truncate(int fd, off_t length) override;
    int DataSync(int fd) override;
    int Unlink(const char* path) override;
    int Flock(int fd, int operation) override;
    int Ioctl(int fd, unsigned long request) override;
    int ConnectTcp(const std::string& host, std::uint16_t port, int timeoutMs) override;
};

// The process's real system calls.
ISystemCalls& RealSystemCalls();
