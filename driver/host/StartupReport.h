#pragma once

#include "driver/host/UniqueFd.h"

// Lets the host outlive whoever started it while that program still learns how the start
// went. DetachFromStarter forks: the starting process waits for the report and exits with its
// code (kHostFailure when the host died first); the host goes on in a new session, free of
// the starter's terminal and working folder.
class StartupReport {
public:
    explicit StartupReport(UniqueFd channel) : m_channel(std::move(channel)) {}

    // Sends the exit code for the starter. After kHostServing the host's standard streams go
    // to /dev/null, so nothing holds the starter's terminal or pipes; only when the driver's
    // trace was asked for on stderr does stderr stay, for that trace.
    void Send(int exitCode);

private:
    UniqueFd m_channel;
};

// Returns in the host only; throws std::system_error when it cannot fork.
StartupReport DetachFromStarter();
