#pragma once

#include "platform/PlatformPaths.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

// Device hosts in tests: where the built driver and host are, and the clean-up that makes
// sure no host a test started outlives it.
namespace servicetest {

// The build folder of the driver library (its host program is in its "host" subfolder).
std::vector<std::filesystem::path> BuiltServiceFolders();

// Stops every host that serves a port under `paths`, whoever registered it.
void StopServingHosts(const PlatformPaths& paths);

// True once the host of port `index` under `paths` has ended (its record lock is free).
bool WaitUntilHostGone(const PlatformPaths& paths, int index);

// A number of a host's status line ("pid", "opens", "written", ...).
std::optional<std::uint64_t> StatusNumber(const std::string& status, const std::string& name);

// A child process that does nothing until it is ended: it dies of any signal sent to it, so
// being alive afterwards shows that no signal reached it.
class IdleChild {
public:
    IdleChild();
    ~IdleChild();
    IdleChild(const IdleChild&) = delete;
    IdleChild& operator=(const IdleChild&) = delete;

    pid_t Pid() const { return m_pid; }
    bool Alive();

private:
    pid_t m_pid = -1;
};

} // namespace servicetest
