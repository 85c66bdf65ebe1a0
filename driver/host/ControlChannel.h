#pragma once

#include "driver/host/UniqueFd.h"

#include <functional>
#include <poll.h>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The answer to one control request.
struct ControlReply {
    std::string line;
    // Keep the connection open until the host ends, so that the asker sees the end of the
    // stream only once the host is gone.
    bool holdUntilExit = false;
};

// The host's side of its control socket: an abstract local socket named after the host's
// token (see DeviceHostProtocol.h). It accepts only its own user (or root), takes one request
// line per connection and answers it. It never blocks the host: every socket is non-blocking
// and serviced from the host's poll loop.
class ControlChannel {
public:
    using Handler = std::function<ControlReply(std::string_view request)>;

    // Throws std::system_error when the socket cannot be bound.
    explicit ControlChannel(const std::string& token);

    // Adds the descriptors to poll; Service takes the same entries back with their results.
    void AddPollEntries(std::vector<pollfd>& entries) const;
    void Service(std::span<const pollfd> entries, const Handler& handler);

private:
    struct Connection {
        UniqueFd fd;
        std::string received;
    };

    void Accept();
    // False when the connection is finished with.
    bool Receive(Connection& connection, const Handler& handler);

    UniqueFd m_listener;
    std::vector<Connection> m_connections;
    std::vector<UniqueFd> m_held;
};
