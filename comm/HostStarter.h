#pragma once

#include <filesystem>
#include <string>
#include <vector>

// Runs the device host program and waits for its starting process, which ends once the port
// is served or could not be (its exit codes are in driver/host/DeviceHostProtocol.h); the host
// itself goes on in a session of its own.
//
// The program gets no descriptor of this process but its standard error (where it says why a
// port could not be served), standard input and output on /dev/null, default signal handling
// and an empty signal mask, since it outlives this program by design and must hold nothing of
// it: no port, no record file, no settings-file lock.
//
// Returns the exit code, or -1 with an errno value in `error` when it could not be run or did
// not end normally.
int RunHostStarter(const std::filesystem::path& program, const std::vector<std::string>& args,
                   int& error);
