#include "platform/GpsdProbe.h"

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

int RemainingMs(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

// Waits for `events` on the socket until the deadline; false on time-out or error.
bool WaitFor(int fd, short events, Clock::time_point deadline) {
    pollfd p{fd, events, 0};
    for (;;) {
        const int n = poll(&p, 1, RemainingMs(deadline));
        if (n > 0) {
            return (p.revents & events) != 0;
        }
        if (n == 0 || errno != EINTR) {
            return false;
        }
    }
}

bool Greets(const addrinfo& address, Clock::time_point deadline) {
    const int fd = socket(address.ai_family, address.ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC,
                          address.ai_protocol);
    if (fd < 0) {
        return false;
    }
    bool greeted = false;
    if (connect(fd, address.ai_addr, address.ai_addrlen) == 0 || errno == EINPROGRESS) {
        int error = 0;
        socklen_t length = sizeof error;
        if (WaitFor(fd, POLLOUT, deadline) &&
            getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0) {
            std::string received;
            while (received.find('\n') == std::string::npos && received.size() < 4096 &&
                   WaitFor(fd, POLLIN, deadline)) {
                char buffer[512];
                const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
                if (n <= 0) {
                    break;
                }
                received.append(buffer, static_cast<std::size_t>(n));
            }
            greeted = received.find("\"class\":\"VERSION\"") != std::string::npos;
        }
    }
    close(fd);
    return greeted;
}

} // namespace

bool GpsdAnswers(const GpsdAddress& address, int timeoutMs) {
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* list = nullptr;
    const std::string port = std::to_string(address.port);
    if (getaddrinfo(address.host.c_str(), port.c_str(), &hints, &list) != 0) {
        return false;
    }
    bool answers = false;
    for (const addrinfo* a = list; a != nullptr && !answers; a = a->ai_next) {
        answers = Greets(*a, deadline);
    }
    freeaddrinfo(list);
    return answers;
}
