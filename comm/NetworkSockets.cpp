#include "comm/NetworkSockets.h"

#include "platform/SystemError.h"

#include <algorithm>
#include <cerrno>
#include <memory>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

struct AddressList {
    void operator()(addrinfo* list) const { freeaddrinfo(list); }
};
using Addresses = std::unique_ptr<addrinfo, AddressList>;

// The addresses of host:port for the socket type; null with the resolver's text in `failure`.
Addresses Resolve(const std::string& host, std::uint16_t port, int type, bool passive,
                  const std::string& context, std::string& failure) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = type;
    hints.ai_flags = passive ? AI_PASSIVE : 0;
    addrinfo* found = nullptr;
    const int status = getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found);
    if (status != 0) {
        failure = status == EAI_SYSTEM
                      ? FormatSystemError("getaddrinfo", errno, context).value()
                      : "The host " + host + " was not found: " + gai_strerror(status) +
                            "\nContext: " + context;
        return nullptr;
    }
    return Addresses(found);
}

int NewSocket(const addrinfo& address) {
    return socket(address.ai_family, address.ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC,
                  address.ai_protocol);
}

int Fail(const char* call, int error, const std::string& context, std::string& failure) {
    failure = FormatSystemError(call, error, context).value_or(call);
    return -1;
}

// 0 when the connection was made, ECANCELED when the stop came first, else the error.
int FinishConnect(int fd, Clock::time_point deadline, int stopFd) {
    pollfd fds[2] = {{fd, POLLOUT, 0}, {stopFd, POLLIN, 0}};
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        const int ready =
            poll(fds, stopFd >= 0 ? 2 : 1, left.count() > 0 ? static_cast<int>(left.count()) : 0);
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready < 0) {
            return errno;
        }
        if (ready == 0) {
            return ETIMEDOUT;
        }
        if (stopFd >= 0 && fds[1].revents != 0) {
            return ECANCELED;
        }
        int error = 0;
        socklen_t length = sizeof error;
        if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0) {
            return errno;
        }
        return error;
    }
}

// A socket bound to the first address of host:port that takes it.
int BoundSocket(const std::string& host, std::uint16_t port, int type, const char* lastCall,
                const std::string& context, std::string& failure) {
    const Addresses addresses = Resolve(host, port, type, true, context, failure);
    if (!addresses) {
        return -1;
    }
    int error = EADDRNOTAVAIL;
    const char* call = "bind";
    for (const addrinfo* address = addresses.get(); address != nullptr;
         address = address->ai_next) {
        const int fd = NewSocket(*address);
        if (fd < 0) {
            error = errno;
            call = "socket";
            continue;
        }
        const int on = 1;
        // A restarted playback takes its port again at once, not after the old connections'
        // time-wait.
        setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        if (bind(fd, address->ai_addr, address->ai_addrlen) != 0) {
            error = errno;
            call = "bind";
            close(fd);
            continue;
        }
        if (type == SOCK_STREAM && listen(fd, SOMAXCONN) != 0) {
            error = errno;
            call = lastCall;
            close(fd);
            continue;
        }
        return fd;
    }
    return Fail(call, error, context, failure);
}

} // namespace

int ConnectTcpSocket(const std::string& host, std::uint16_t port, std::chrono::milliseconds limit,
                     int stopFd, const std::string& context, std::string& failure) {
    failure.clear();
    const Clock::time_point deadline = Clock::now() + limit;
    const Addresses addresses = Resolve(host, port, SOCK_STREAM, false, context, failure);
    if (!addresses) {
        return -1;
    }
    int error = ECONNREFUSED;
    for (const addrinfo* address = addresses.get(); address != nullptr;
         address = address->ai_next) {
        const int fd = NewSocket(*address);
        if (fd < 0) {
            error = errno;
            continue;
        }
        error = connect(fd, address->ai_addr, address->ai_addrlen) == 0 ? 0 : errno;
        if (error == EINPROGRESS) {
            error = FinishConnect(fd, deadline, stopFd);
        }
        if (error == 0) {
            return fd;
        }
        close(fd);
        if (error == ECANCELED) {
            return -1;
        }
        if (error == ETIMEDOUT) {
            break; // the time is used up: no other address gets a chance
        }
    }
    return Fail("connect", error, context, failure);
}

int ListenTcpSocket(const std::string& host, std::uint16_t port, const std::string& context,
                    std::string& failure) {
    return BoundSocket(host, port, SOCK_STREAM, "listen", context, failure);
}

int BindUdpSocket(const std::string& host, std::uint16_t port, const std::string& context,
                  std::string& failure) {
    return BoundSocket(host, port, SOCK_DGRAM, "bind", context, failure);
}

int UdpSenderSocket(const std::string& host, std::uint16_t port, SocketTarget& target,
                    const std::string& context, std::string& failure) {
    const Addresses addresses = Resolve(host, port, SOCK_DGRAM, false, context, failure);
    if (!addresses) {
        return -1;
    }
    const addrinfo& address = *addresses;
    const int fd = NewSocket(address);
    if (fd < 0) {
        return Fail("socket", errno, context, failure);
    }
    // udp://192.168.1.255:10110 reaches every program of the local network that listens.
    const int on = 1;
    setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
    target.length = address.ai_addrlen;
    std::copy_n(reinterpret_cast<const char*>(address.ai_addr), address.ai_addrlen,
                reinterpret_cast<char*>(&target.address));
    return fd;
}

std::uint16_t BoundPort(int fd) {
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    if (getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        return 0;
    }
    if (address.ss_family == AF_INET) {
        return ntohs(reinterpret_cast<const sockaddr_in&>(address).sin_port);
    }
    if (address.ss_family == AF_INET6) {
        return ntohs(reinterpret_cast<const sockaddr_in6&>(address).sin6_port);
    }
    return 0;
}

bool IsTransientSocketError(int error) {
    return error == EAGAIN || error == EWOULDBLOCK || error == EINTR || error == ENOBUFS;
}
