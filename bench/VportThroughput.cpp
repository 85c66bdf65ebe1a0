// Throughput of the virtual serial port: a writer program's bytes go into the port's terminal,
// through the device host and the driver's queue, to a reader program on the same terminal.
// Measured beside a plain pseudo-terminal pair (writer on the master, reader on the slave),
// for writes of one sentence, one playback burst and one page.
#include "driver/host/DeviceHostProtocol.h"
#include "driver/host/HostClient.h"
#include "driver/host/HostIdentity.h"
#include "driver/host/UniqueFd.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

constexpr std::size_t kBytesPerIteration = 2 * 1024 * 1024;

void MakeRaw(int fd) {
    termios modes{};
    if (tcgetattr(fd, &modes) == 0) {
        cfmakeraw(&modes);
        tcsetattr(fd, TCSANOW, &modes);
    }
}

// One transfer: a child process writes kBytesPerIteration bytes in writes of writeSize into
// writeFd while this process reads them all from readFd.
bool Transfer(int writeFd, int readFd, std::size_t writeSize) {
    const pid_t writer = fork();
    if (writer == 0) {
        const std::vector<char> chunk(writeSize, '$');
        for (std::size_t done = 0; done < kBytesPerIteration;) {
            const std::size_t size = std::min(writeSize, kBytesPerIteration - done);
            const ssize_t put = write(writeFd, chunk.data(), size);
            if (put <= 0) {
                _exit(1);
            }
            done += static_cast<std::size_t>(put);
        }
        _exit(0);
    }
    std::vector<char> buffer(64 * 1024);
    std::size_t received = 0;
    while (received < kBytesPerIteration) {
        const ssize_t got = read(readFd, buffer.data(), buffer.size());
        if (got <= 0) {
            break;
        }
        received += static_cast<std::size_t>(got);
    }
    int status = 0;
    waitpid(writer, &status, 0);
    return received == kBytesPerIteration && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// A port served by the device host for the whole run, with a writer and a reader open on it.
// A failed start leaves Error() set; whatever was started is stopped with the object.
class ServedPort {
public:
    ServedPort() {
        char pattern[] = "/tmp/zrv-vport-bench-XXXXXX";
        if (mkdtemp(pattern) == nullptr) {
            m_error = "mkdtemp failed";
            return;
        }
        m_dir = pattern;
        const std::string link = (m_dir / "COM7:").string();
        const std::string record = (m_dir / "COM7.host").string();
        const char* argv[] = {
            ZRV_DEVICE_HOST_PATH, "--driver", ZRV_SERIAL_DRIVER_PATH, "--index", "7", "--link",
            link.c_str(),         "--record", record.c_str(),         nullptr};
        pid_t starter = -1;
        int status = 0;
        if (posix_spawn(&starter, argv[0], nullptr, nullptr, const_cast<char**>(argv), environ) !=
                0 ||
            waitpid(starter, &status, 0) < 0 || !WIFEXITED(status) ||
            WEXITSTATUS(status) != kHostServing) {
            m_error = "the device host did not start";
            return;
        }
        m_identity = ReadHostIdentity(record);
        if (!m_identity) {
            m_error = "the device host wrote no record";
            return;
        }
        // Opens discard what is queued, so each is let through before the traffic starts.
        m_writer = OpenAndWait(link, 1);
        m_reader = OpenAndWait(link, 2);
        if (m_reader) {
            MakeRaw(m_reader.Get());
        }
    }
    ~ServedPort() {
        std::string error;
        if (m_identity) {
            StopHost(*m_identity, error);
        }
        m_writer.Reset();
        m_reader.Reset();
        std::error_code ec;
        std::filesystem::remove_all(m_dir, ec);
    }
    ServedPort(const ServedPort&) = delete;
    ServedPort& operator=(const ServedPort&) = delete;

    const std::string& Error() const { return m_error; }
    pid_t HostPid() const { return m_identity ? m_identity->pid : -1; }
    int Writer() const { return m_writer.Get(); }
    int Reader() const { return m_reader.Get(); }

private:
    UniqueFd OpenAndWait(const std::string& link, int opens) {
        UniqueFd fd(open(link.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC));
        if (!fd) {
            m_error = "the served port cannot be opened";
            return fd;
        }
        const std::string seen = " opens=" + std::to_string(opens) + " ";
        for (int attempt = 0; attempt < 2000; ++attempt) {
            std::string error;
            const auto status = QueryHostStatus(*m_identity, error);
            if (status && status->find(seen) != std::string::npos) {
                return fd;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        m_error = "the device host did not see the open";
        return UniqueFd();
    }

    std::string m_error;
    std::filesystem::path m_dir;
    std::optional<HostIdentity> m_identity;
    UniqueFd m_writer;
    UniqueFd m_reader;
};

// CPU seconds a process has used so far (user and system), from /proc.
double CpuSeconds(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::size_t afterName = text.rfind(')');
    if (afterName == std::string::npos) {
        return 0;
    }
    std::istringstream fields(text.substr(afterName + 2));
    std::string field;
    unsigned long long user = 0;
    unsigned long long system = 0;
    // After the name: state is field 3; utime and stime are fields 14 and 15.
    for (int number = 3; number <= 15 && fields >> field; ++number) {
        if (number == 14) {
            user = std::stoull(field);
        } else if (number == 15) {
            system = std::stoull(field);
        }
    }
    return static_cast<double>(user + system) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

void BM_PlainPseudoTerminal(benchmark::State& state) {
    const UniqueFd master(posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC));
    if (!master || grantpt(master.Get()) != 0 || unlockpt(master.Get()) != 0) {
        state.SkipWithError("no pseudo-terminal");
        return;
    }
    const UniqueFd slave(open(ptsname(master.Get()), O_RDWR | O_NOCTTY | O_CLOEXEC));
    MakeRaw(slave.Get());
    for (auto _ : state) {
        if (!Transfer(master.Get(), slave.Get(), static_cast<std::size_t>(state.range(0)))) {
            state.SkipWithError("transfer failed");
            return;
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kBytesPerIteration));
}

void BM_VirtualPort(benchmark::State& state) {
    static ServedPort port;
    if (!port.Error().empty()) {
        state.SkipWithError(port.Error().c_str());
        return;
    }
    const double hostCpuBefore = CpuSeconds(port.HostPid());
    for (auto _ : state) {
        if (!Transfer(port.Writer(), port.Reader(), static_cast<std::size_t>(state.range(0)))) {
            state.SkipWithError("transfer failed");
            return;
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kBytesPerIteration));
    // The host's own share of the work: CPU milliseconds per MiB carried.
    const double mebibytes =
        static_cast<double>(state.iterations() * kBytesPerIteration) / 1048576.0;
    state.counters["host_cpu_ms_per_MiB"] =
        (CpuSeconds(port.HostPid()) - hostCpuBefore) * 1000.0 / mebibytes;
}

// Writes of one sentence, one playback burst, one page.
BENCHMARK(BM_PlainPseudoTerminal)->Arg(80)->Arg(512)->Arg(4096)->UseRealTime()->MinTime(1.0);
BENCHMARK(BM_VirtualPort)->Arg(80)->Arg(512)->Arg(4096)->UseRealTime()->MinTime(1.0);

} // namespace

BENCHMARK_MAIN();
