#pragma once

#include "driver/host/HostIdentity.h"

#include <optional>
#include <string>

// The asking side of a host's control socket (see DeviceHostProtocol.h). Before it asks
// anything it checks that the process on the other end is the one the record names, so it
// never talks to, let alone stops, a process that merely has the same process id. A host
// that does not answer within a few seconds counts as failed.

// The host's status line ("OK pid=... opens=..."), or nothing with the reason in error.
std::optional<std::string> QueryHostStatus(const HostIdentity& identity, std::string& error);

// Asks the host to stop and returns once it has ended, its link and record removed. False,
// with the reason, when no such host answers or it did not end.
bool StopHost(const HostIdentity& identity, std::string& error);
