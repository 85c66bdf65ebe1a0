#include "comm/NetworkAddress.h"

#include <charconv>

namespace {

struct Scheme {
    std::string_view prefix;
    NetworkProtocol protocol;
};

constexpr Scheme kSchemes[] = {{"tcp-server://", NetworkProtocol::TcpServer},
                               {"tcp://", NetworkProtocol::Tcp},
                               {"udp://", NetworkProtocol::Udp}};

bool ServesDirection(NetworkProtocol protocol, Direction direction) {
    switch (protocol) {
    case NetworkProtocol::Tcp:
        return direction == Direction::Record;
    case NetworkProtocol::TcpServer:
        return direction == Direction::Playback;
    case NetworkProtocol::Udp:
        return true;
    }
    return false;
}

const char* SchemesOf(Direction direction) {
    return direction == Direction::Record ? "tcp://HOST:PORT or udp://HOST:PORT"
                                          : "tcp-server://HOST:PORT or udp://HOST:PORT";
}

// A host part that a resolver can take: no spaces, slashes, or other URL parts.
bool IsHostText(std::string_view host) {
    for (const char c : host) {
        const bool allowed = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                             (c >= '0' && c <= '9') || c == '.' || c == '-' || c == '_' ||
                             c == ':' || c == '%';
        if (!allowed) {
            return false;
        }
    }
    return true;
}

} // namespace

bool LooksLikeNetworkUrl(std::string_view text) {
    for (const Scheme& scheme : kSchemes) {
        if (text.starts_with(scheme.prefix)) {
            return true;
        }
    }
    return false;
}

std::optional<NetworkAddress> ParseNetworkAddress(std::string_view text, Direction direction,
                                                  std::string& problem) {
    const std::string url(text);
    const Scheme* scheme = nullptr;
    for (const Scheme& candidate : kSchemes) {
        if (text.starts_with(candidate.prefix)) {
            scheme = &candidate;
            break;
        }
    }
    if (scheme == nullptr || !ServesDirection(scheme->protocol, direction)) {
        problem = url + " is not a network " +
                  (direction == Direction::Record ? "source" : "destination") + " (" +
                  SchemesOf(direction) + ")";
        return std::nullopt;
    }
    NetworkAddress address;
    address.protocol = scheme->protocol;
    std::string_view rest = text.substr(scheme->prefix.size());
    std::string_view host;
    if (rest.starts_with('[')) {
        const std::size_t close = rest.find(']');
        if (close == std::string_view::npos) {
            problem = url + ": the IPv6 address has no closing ]";
            return std::nullopt;
        }
        host = rest.substr(1, close - 1);
        rest.remove_prefix(close + 1);
    } else {
        const std::size_t colon = rest.rfind(':');
        host = rest.substr(0, colon == std::string_view::npos ? rest.size() : colon);
        rest.remove_prefix(host.size());
        if (host.find(':') != std::string_view::npos) {
            problem = url + ": an IPv6 address is written in brackets, [::1]:PORT";
            return std::nullopt;
        }
    }
    if (!rest.starts_with(':') || rest.size() == 1) {
        problem = url + " names no :PORT";
        return std::nullopt;
    }
    rest.remove_prefix(1);
    unsigned port = 0;
    const auto [end, error] = std::from_chars(rest.data(), rest.data() + rest.size(), port);
    if (error != std::errc() || end != rest.data() + rest.size() || port == 0 || port > 65535) {
        problem = url + ": the port is a number from 1 to 65535";
        return std::nullopt;
    }
    if (!IsHostText(host)) {
        problem = url + ": " + std::string(host) + " is not a host name or address";
        return std::nullopt;
    }
    address.port = static_cast<std::uint16_t>(port);
    if (!host.empty()) {
        address.host = std::string(host);
    }
    return address;
}

std::string_view NetworkScheme(NetworkProtocol protocol) {
    for (const Scheme& scheme : kSchemes) {
        if (scheme.protocol == protocol) {
            return scheme.prefix;
        }
    }
    return {};
}

std::string NetworkAddressText(const NetworkAddress& address) {
    const std::string_view prefix = NetworkScheme(address.protocol);
    const bool v6 = address.host.find(':') != std::string::npos;
    return std::string(prefix) + (v6 ? "[" + address.host + "]" : address.host) + ":" +
           std::to_string(address.port);
}
