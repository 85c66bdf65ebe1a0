#include "tests/comm/ServiceTestSupport.h"

#include "comm/ServiceHandle.h"
#include "comm/ServiceRecord.h"
#include "driver/host/HostClient.h"
#include "tests/comm/AppFixture.h"

#include <charconv>
#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

namespace servicetest {

namespace {

constexpr int kPortCount = 10;

bool HostGone(const PlatformPaths& paths, int index) {
    ServiceRecord record(ServiceRecordPath(paths, index));
    return !record.Identity() || record.LockIfHostGone();
}

} // namespace

std::vector<std::filesystem::path> BuiltServiceFolders() {
    return {ZRV_DRIVER_BUILD_DIR};
}

void StopServingHosts(const PlatformPaths& paths) {
    for (int index = 0; index < kPortCount; ++index) {
        if (HostGone(paths, index)) {
            continue;
        }
        const ServiceRecord record(ServiceRecordPath(paths, index));
        std::string reason;
        StopHost(*record.Identity(), reason);
    }
}

bool WaitUntilHostGone(const PlatformPaths& paths, int index) {
    return WaitUntil([&] { return HostGone(paths, index); });
}

std::optional<std::uint64_t> StatusNumber(const std::string& status, const std::string& name) {
    const std::string key = " " + name + "=";
    const std::size_t at = status.find(key);
    if (at == std::string::npos) {
        return std::nullopt;
    }
    const char* begin = status.data() + at + key.size();
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(begin, status.data() + status.size(), value);
    if (error != std::errc() || end == begin) {
        return std::nullopt;
    }
    return value;
}

IdleChild::IdleChild() {
    m_pid = fork();
    if (m_pid == 0) {
        for (;;) {
            pause();
        }
    }
}

IdleChild::~IdleChild() {
    if (m_pid > 0) {
        kill(m_pid, SIGKILL);
        waitpid(m_pid, nullptr, 0);
    }
}

bool IdleChild::Alive() {
    int status = 0;
    if (m_pid > 0 && waitpid(m_pid, &status, WNOHANG) == m_pid) {
        m_pid = -1;
    }
    return m_pid > 0;
}

} // namespace servicetest
