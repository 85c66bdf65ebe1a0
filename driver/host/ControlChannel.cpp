#include "driver/host/ControlChannel.h"

#include "driver/host/DeviceHostProtocol.h"

#include <cerrno>
#include <cstddef>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <system_error>
#include <unistd.h>

namespace {

constexpr std::size_t kMaxConnections = 8;
constexpr std::size_t kMaxRequestLength = 64;

bool IsOwnUser(int fd) {
    ucred peer{};
    socklen_t length = sizeof peer;
    if (getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &length) != 0) {
        return false;
    }
    return peer.uid == geteuid() || peer.uid == 0;
}

void SendLine(int fd, const std::string& line) {
    // The reply is a few dozen bytes into an empty socket buffer, so one send takes it.
    static_cast<void>(send(fd, line.data(), line.size(), MSG_NOSIGNAL | MSG_DONTWAIT));
}

} // namespace

ControlChannel::ControlChannel(const std::string& token) {
    m_listener.Reset(socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (!m_listener) {
        throw std::system_error(errno, std::generic_category(), "control socket");
    }
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string name = ControlSocketName(token);
    std::memcpy(address.sun_path + 1, name.data(), name.size());
    const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + name.size());
    if (bind(m_listener.Get(), reinterpret_cast<const sockaddr*>(&address), length) != 0 ||
        listen(m_listener.Get(), 8) != 0) {
        throw std::system_error(errno, std::generic_category(), "control socket");
    }
}

void ControlChannel::AddPollEntries(std::vector<pollfd>& entries) const {
    entries.push_back({m_listener.Get(), POLLIN, 0});
    for (const Connection& connection : m_connections) {
        entries.push_back({connection.fd.Get(), POLLIN, 0});
    }
}

void ControlChannel::Service(std::span<const pollfd> entries, const Handler& handler) {
    // Entries are in the order AddPollEntries gave them: the listener, then each connection.
    std::vector<Connection> kept;
    for (std::size_t i = 0; i < m_connections.size(); ++i) {
        const short events = i + 1 < entries.size() ? entries[i + 1].revents : 0;
        if (events == 0 || Receive(m_connections[i], handler)) {
            kept.push_back(std::move(m_connections[i]));
        }
    }
    m_connections = std::move(kept);
    if (!entries.empty() && (entries[0].revents & POLLIN) != 0) {
        Accept();
    }
}

void ControlChannel::Accept() {
    for (;;) {
        UniqueFd fd(accept4(m_listener.Get(), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC));
        if (!fd) {
            return;
        }
        if (IsOwnUser(fd.Get()) && m_connections.size() < kMaxConnections) {
            m_connections.push_back({std::move(fd), {}});
        }
    }
}

bool ControlChannel::Receive(Connection& connection, const Handler& handler) {
    char buffer[kMaxRequestLength];
    const ssize_t got = recv(connection.fd.Get(), buffer, sizeof buffer, 0);
    if (got < 0 && (errno == EAGAIN || errno == EINTR)) {
        return true;
    }
    if (got <= 0) {
        return false;
    }
    connection.received.append(buffer, static_cast<std::size_t>(got));
    const std::size_t end = connection.received.find('\n');
    if (end == std::string::npos) {
        return connection.received.size() < kMaxRequestLength;
    }
    const ControlReply reply = handler(std::string_view(connection.received).substr(0, end + 1));
    SendLine(connection.fd.Get(), reply.line);
    if (reply.holdUntilExit) {
        m_held.push_back(std::move(connection.fd));
    }
    return false;
}
