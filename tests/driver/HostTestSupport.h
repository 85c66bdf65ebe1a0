#pragma once

#include "driver/host/HostIdentity.h"
#include "driver/host/UniqueFd.h"
#include "tests/support/TestPaths.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

// Real processes around the device host: the host itself, started the way a registration
// starts it, and peer programs that use the port.
namespace hosttest {

// A started program with pipes to its stdin and from its stdout (and its stderr when asked).
struct Child {
    pid_t pid = -1;
    UniqueFd stdinPipe;
    UniqueFd stdoutPipe;
    UniqueFd stderrPipe;
};

enum class Stderr { Shared, Captured };

Child Spawn(const std::vector<std::string>& argv, Stderr stderrUse = Stderr::Shared);
// Reads until `text` has come or the stream ends (or stays silent for twenty seconds);
// everything read.
std::string ReadUntil(int fd, const std::string& text);
// Waits for the child and returns its exit code (-1 when it did not exit normally).
int WaitForExitCode(pid_t pid);
// Reads exactly count bytes (fewer when the stream ends first).
std::string ReadExactly(int fd, std::size_t count);
std::string ReadToEnd(int fd);

// Waits until a process that is not our child has ended.
void WaitUntilGone(pid_t pid);

// The command line that starts ppcZRV3DeviceHost for port `index`.
std::vector<std::string> HostCommand(int index, const std::filesystem::path& link,
                                     const std::filesystem::path& record);
// Starts ppcZRV3DeviceHost and returns the starter's exit code.
int StartHost(int index, const std::filesystem::path& link, const std::filesystem::path& record);

// A port served for one test: the device folder in a fresh temporary folder, the host started
// and its record read; the host is stopped when the object goes.
class ServedPort {
public:
    explicit ServedPort(int index = 5);
    ~ServedPort();
    ServedPort(const ServedPort&) = delete;
    ServedPort& operator=(const ServedPort&) = delete;

    bool Started() const { return m_identity.has_value(); }
    const HostIdentity& Identity() const { return *m_identity; }
    const std::filesystem::path& Link() const { return m_link; }
    const std::filesystem::path& Record() const { return m_record; }

    // A number from the host's status line ("opens", "written", ...); nothing when the host
    // does not answer.
    std::optional<std::uint64_t> Counter(const std::string& name) const;
    // Waits until the counter reaches at least value; false when the host stopped answering
    // or it never came (a generous limit that only a broken host reaches).
    bool WaitForCounter(const std::string& name, std::uint64_t value) const;

    // Forgets the host, for a test that ended it itself.
    void Forget() { m_identity.reset(); }

private:
    testpaths::TempDir m_dir;
    std::filesystem::path m_link;
    std::filesystem::path m_record;
    std::optional<HostIdentity> m_identity;
};

} // namespace hosttest
