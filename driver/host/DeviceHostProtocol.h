#pragma once

#include <string>
#include <string_view>

// What a program that starts and stops device hosts needs to know about them.
//
// Start: ppcZRV3DeviceHost --driver LIBRARY --index N --link PATH --record PATH
// The starting process returns once the port is served (exit 0) or could not be (below); the
// host itself goes on in its own session and outlives whoever started it.
//
// The record file names the serving host (see HostIdentity) and is locked for the host's
// whole life. It also names the host's input terminal: a program that only writes into the
// port (the application's playback) writes there, so that it does not count as a reader of
// the port. The host answers on an abstract local socket whose name holds the record's
// random token. The name is no secret: every local user sees it in /proc/net/unix and can
// connect. What protects the host is the check of the peer's user id on every connection:
// only the host's own user (or root) is answered. The token only ties the socket to one
// start of the host, so that a process that later has the host's process id can never
// answer in its place (clients also check the peer's process id). Requests are one line:
//   "STATUS\n" -> "OK pid=... device=COMn: slave=... opens=... closes=... written=...
//                  delivered=... dropped=...\n"
//   "STOP\n"   -> "OK stopping\n"; the connection then stays open until the host has removed
//                 its link and record and ended, so end of stream means it is gone.
// Anything else gets "ERR unknown request\n".

enum HostExit : int {
    kHostServing = 0,   // the port is served
    kHostFailure = 1,   // it could not be served; stderr says why
    kHostUsage = 2,     // bad command line; the usage was printed
    kHostPortTaken = 3, // a live host serves it already, or the name belongs to another device
};

inline constexpr std::string_view kStatusRequest = "STATUS\n";
inline constexpr std::string_view kStopRequest = "STOP\n";

// The abstract socket name (without its leading NUL) of the host holding this token.
inline std::string ControlSocketName(std::string_view token) {
    return "ppcZRV3DeviceHost-" + std::string(token);
}
