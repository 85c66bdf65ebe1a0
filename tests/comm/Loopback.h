#pragma once

#include <cstdint>
#include <string>

// TCP on the loopback interface, for peers such as gpsd that a test starts on a port of its own.

// A port that was free a moment ago.
std::uint16_t FreeLoopbackPort();
// A connected socket to the port, or -1 when nothing listens there.
int ConnectLoopback(std::uint16_t port);

// A datagram socket bound to the port on the loopback interface (0: any free port), or -1.
int BindLoopbackDatagrams(std::uint16_t port);
// The next datagram that arrives within 20 s; empty when none did.
std::string ReceiveDatagram(int fd);
