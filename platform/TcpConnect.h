#pragma once

#include <chrono>
#include <cstdint>
#include <string>

// A connected, non-blocking TCP stream socket to host:port (numeric or name), trying each
// address of the name until one connects or `deadline` passes; -1 with errno when none did
// (ETIMEDOUT when the time ran out, as against a peer whose listen queue is full).
int ConnectTcpBefore(const std::string& host, std::uint16_t port,
                     std::chrono::steady_clock::time_point deadline);

// Waits until the socket reports one of `events` or `deadline` passes; false on time-out or
// error (errno says which: ETIMEDOUT for the time-out).
bool WaitForSocket(int fd, short events, std::chrono::steady_clock::time_point deadline);
