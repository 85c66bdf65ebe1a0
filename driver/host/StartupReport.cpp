#include "driver/host/StartupReport.h"

#include "driver/DriverTrace.h"
#include "driver/host/DeviceHostProtocol.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <system_error>
#include <unistd.h>

namespace {

[[noreturn]] void WaitForReport(UniqueFd channel) {
    unsigned char code = kHostFailure;
    for (;;) {
        const ssize_t got = read(channel.Get(), &code, 1);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        _exit(got == 1 ? static_cast<int>(code) : static_cast<int>(kHostFailure));
    }
}

// The driver's trace to stderr is asked for by whoever started the host and wants to see
// it, so stderr then stays where it was.
bool DriverTracesToStderr() {
    const char* sink = std::getenv(kTraceVariable);
    return sink != nullptr && sink == kTraceToStderr;
}

void SilenceStandardStreams() {
    const UniqueFd null(open("/dev/null", O_RDWR | O_CLOEXEC));
    if (null) {
        dup2(null.Get(), STDIN_FILENO);
        dup2(null.Get(), STDOUT_FILENO);
        if (!DriverTracesToStderr()) {
            dup2(null.Get(), STDERR_FILENO);
        }
    }
}

} // namespace

void StartupReport::Send(int exitCode) {
    if (!m_channel) {
        return;
    }
    const auto code = static_cast<unsigned char>(exitCode);
    while (write(m_channel.Get(), &code, 1) < 0 && errno == EINTR) {
    }
    m_channel.Reset();
    if (exitCode == kHostServing) {
        SilenceStandardStreams();
    }
}

StartupReport DetachFromStarter() {
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0) {
        throw std::system_error(errno, std::generic_category(), "pipe2");
    }
    UniqueFd readEnd(ends[0]);
    UniqueFd writeEnd(ends[1]);
    const pid_t child = fork();
    if (child < 0) {
        throw std::system_error(errno, std::generic_category(), "fork");
    }
    if (child > 0) {
        writeEnd.Reset();
        WaitForReport(std::move(readEnd));
    }
    readEnd.Reset();
    setsid();
    if (chdir("/") != 0) {
        throw std::system_error(errno, std::generic_category(), "chdir");
    }
    return StartupReport(std::move(writeEnd));
}
