#include "driver/host/HostClient.h"

#include "driver/host/DeviceHostProtocol.h"
#include "driver/host/UniqueFd.h"

#include <cerrno>
#include <chrono>
#include <cstddef>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>

namespace {

constexpr std::chrono::milliseconds kPatience{5000};

using Clock = std::chrono::steady_clock;

// A connection to the host that the identity names, or an empty descriptor with the reason.
UniqueFd ConnectToHost(const HostIdentity& identity, std::string& error) {
    UniqueFd fd(socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!fd) {
        error = std::string("socket: ") + std::strerror(errno);
        return fd;
    }
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string name = ControlSocketName(identity.token);
    std::memcpy(address.sun_path + 1, name.data(), name.size());
    const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + name.size());
    if (connect(fd.Get(), reinterpret_cast<const sockaddr*>(&address), length) != 0) {
        error = "the host of " + identity.device + " does not answer";
        return UniqueFd();
    }
    ucred peer{};
    socklen_t peerLength = sizeof peer;
    if (getsockopt(fd.Get(), SOL_SOCKET, SO_PEERCRED, &peer, &peerLength) != 0 ||
        peer.pid != identity.pid) {
        error = "the process answering for " + identity.device + " is not its host";
        return UniqueFd();
    }
    return fd;
}

bool SendRequest(int fd, std::string_view request, std::string& error) {
    if (send(fd, request.data(), request.size(), MSG_NOSIGNAL) !=
        static_cast<ssize_t>(request.size())) {
        error = std::string("sending to the host: ") + std::strerror(errno);
        return false;
    }
    return true;
}

// Reads until a line end (stopAtLineEnd) or the end of the stream. False on time-out or error.
bool Receive(int fd, std::string& received, bool stopAtLineEnd, Clock::time_point deadline) {
    for (;;) {
        if (stopAtLineEnd && received.find('\n') != std::string::npos) {
            return true;
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) {
            return false;
        }
        pollfd entry{fd, POLLIN, 0};
        const int ready = poll(&entry, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready <= 0) {
            return false;
        }
        char buffer[256];
        const ssize_t got = recv(fd, buffer, sizeof buffer, 0);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            return false;
        }
        if (got == 0) {
            return !stopAtLineEnd;
        }
        received.append(buffer, static_cast<std::size_t>(got));
    }
}

} // namespace

std::optional<std::string> QueryHostStatus(const HostIdentity& identity, std::string& error) {
    const UniqueFd fd = ConnectToHost(identity, error);
    if (!fd || !SendRequest(fd.Get(), kStatusRequest, error)) {
        return std::nullopt;
    }
    std::string reply;
    if (!Receive(fd.Get(), reply, true, Clock::now() + kPatience) || reply.rfind("OK ", 0) != 0) {
        error = "the host of " + identity.device + " gave no status";
        return std::nullopt;
    }
    return reply.substr(0, reply.find('\n'));
}

bool StopHost(const HostIdentity& identity, std::string& error) {
    const UniqueFd fd = ConnectToHost(identity, error);
    if (!fd || !SendRequest(fd.Get(), kStopRequest, error)) {
        return false;
    }
    // The host answers at once and holds the connection until it has ended.
    std::string reply;
    if (!Receive(fd.Get(), reply, false, Clock::now() + kPatience)) {
        error = "the host of " + identity.device + " did not end";
        return false;
    }
    if (reply != "OK stopping\n") {
        error = "the host of " + identity.device + " refused to stop";
        return false;
    }
    return true;
}
