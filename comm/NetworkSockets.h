#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <sys/socket.h>

// The sockets of the network sources and destinations, all non-blocking and closed on exec.
// Each call returns a descriptor, or -1 with the user's message in `failure`: the system-error
// report of the call that failed ("connect failed, error 111: Connection refused") with
// `context` (the URL) after it, or the resolver's own text for a host it does not know.

struct SocketTarget {
    sockaddr_storage address{};
    socklen_t length = 0;
};

// A TCP connection to host:port, made within `limit`. A stop descriptor that polls readable
// gives up at once (-1, `failure` empty); -1 for no stop descriptor.
int ConnectTcpSocket(const std::string& host, std::uint16_t port, std::chrono::milliseconds limit,
                     int stopFd, const std::string& context, std::string& failure);

// A TCP socket listening at host:port.
int ListenTcpSocket(const std::string& host, std::uint16_t port, const std::string& context,
                    std::string& failure);

// A UDP socket bound to host:port, for the datagrams sent there.
int BindUdpSocket(const std::string& host, std::uint16_t port, const std::string& context,
                  std::string& failure);

// A UDP socket that sends to host:port (allowed to send to a broadcast address), with the
// address it sends to in `target`.
int UdpSenderSocket(const std::string& host, std::uint16_t port, SocketTarget& target,
                    const std::string& context, std::string& failure);

// The port a socket is bound to (the one the system chose for port 0); 0 when unknown.
std::uint16_t BoundPort(int fd);

// Errors after which a socket is still usable: try again later.
bool IsTransientSocketError(int error);
