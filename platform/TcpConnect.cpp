#include "platform/TcpConnect.h"

#include <cerrno>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

int RemainingMs(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

// 0 when the socket connected to the address before the deadline, else an errno value.
int ConnectOne(int fd, const addrinfo& address, Clock::time_point deadline) {
    if (connect(fd, address.ai_addr, address.ai_addrlen) == 0) {
        return 0;
    }
    if (errno != EINPROGRESS) {
        return errno;
    }
    if (!WaitForSocket(fd, POLLOUT, deadline)) {
        return errno;
    }
    int error = 0;
    socklen_t length = sizeof error;
    if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0) {
        return errno;
    }
    return error;
}

} // namespace

bool WaitForSocket(int fd, short events, Clock::time_point deadline) {
    pollfd p{fd, events, 0};
    for (;;) {
        const int n = poll(&p, 1, RemainingMs(deadline));
        if (n > 0) {
            // An error or hang-up also ends the wait; the caller's next call says which.
            return true;
        }
        if (n == 0) {
            errno = ETIMEDOUT;
            return false;
        }
        if (errno != EINTR) {
            return false;
        }
    }
}

int ConnectTcpBefore(const std::string& host, std::uint16_t port, Clock::time_point deadline) {
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
        fd = socket(address->ai_family, address->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC,
                    address->ai_protocol);
        if (fd < 0) {
            error = errno;
            continue;
        }
        error = ConnectOne(fd, *address, deadline);
        if (error == 0) {
            break;
        }
        close(fd);
        fd = -1;
        if (error == ETIMEDOUT) {
            break; // the time is used up: no other address gets a chance
        }
    }
    freeaddrinfo(found);
    if (fd < 0) {
        errno = error;
    }
    return fd;
}
