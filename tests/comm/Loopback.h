#pragma once

#include <cstdint>

// TCP on the loopback interface, for peers such as gpsd that a test starts on a port of its own.

// A port that was free a moment ago.
std::uint16_t FreeLoopbackPort();
// A connected socket to the port, or -1 when nothing listens there.
int ConnectLoopback(std::uint16_t port);
