#pragma once

#include "comm/DeviceSelection.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// A network source or destination, written as a URL:
//   tcp://HOST:PORT         a source: connects to a TCP server and reads what it sends;
//   udp://HOST:PORT         a source: listens at HOST:PORT for datagrams;
//                           a destination: sends each burst to HOST:PORT as datagrams;
//   tcp-server://HOST:PORT  a destination: listens at HOST:PORT and sends every burst to each
//                           reader that connected.
// HOST is a name, an IPv4 address or an IPv6 address in brackets ("[::1]"). Without a HOST
// ("tcp-server://:10110") it is the loopback address 127.0.0.1, so that nothing listens on
// another interface unless the user names it.
enum class NetworkProtocol { Tcp, Udp, TcpServer };

struct NetworkAddress {
    NetworkProtocol protocol = NetworkProtocol::Tcp;
    std::string host = "127.0.0.1"; // without brackets
    std::uint16_t port = 0;

    bool operator==(const NetworkAddress&) const = default;
};

inline constexpr const char* kLoopbackHost = "127.0.0.1";

// A text that begins like a network URL ("tcp://", "udp://", "tcp-server://"), as against a
// port name.
bool LooksLikeNetworkUrl(std::string_view text);

// The address of a URL for the direction (tcp and udp record, tcp-server and udp play back);
// nothing, with what is wrong in `problem`, when it is no such URL.
std::optional<NetworkAddress> ParseNetworkAddress(std::string_view text, Direction direction,
                                                  std::string& problem);

// The beginning of the URLs of a protocol: "tcp://", "udp://", "tcp-server://".
std::string_view NetworkScheme(NetworkProtocol protocol);

// The URL of an address, as stored and shown: "tcp://127.0.0.1:10110", "udp://[::1]:10110".
std::string NetworkAddressText(const NetworkAddress& address);
