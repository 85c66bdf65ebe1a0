#include "tests/driver/HostTestSupport.h"

#include "driver/host/HostClient.h"

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace hosttest {

Child Spawn(const std::vector<std::string>& argv, Stderr stderrUse) {
    int in[2];
    int out[2];
    int err[2] = {-1, -1};
    Child child;
    if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0 ||
        (stderrUse == Stderr::Captured && pipe2(err, O_CLOEXEC) != 0)) {
        return child;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    if (stderrUse == Stderr::Captured) {
        posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);
    }
    std::vector<char*> args;
    for (const std::string& arg : argv) {
        args.push_back(const_cast<char*>(arg.c_str()));
    }
    args.push_back(nullptr);
    if (posix_spawn(&child.pid, args[0], &actions, nullptr, args.data(), environ) != 0) {
        child.pid = -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    close(in[0]);
    close(out[1]);
    child.stdinPipe.Reset(in[1]);
    child.stdoutPipe.Reset(out[0]);
    if (stderrUse == Stderr::Captured) {
        close(err[1]);
        child.stderrPipe.Reset(err[0]);
    }
    return child;
}

std::string ReadUntil(int fd, const std::string& text) {
    std::string read;
    char buffer[4096];
    while (read.find(text) == std::string::npos) {
        pollfd entry{fd, POLLIN, 0};
        if (poll(&entry, 1, 20000) <= 0) {
            break;
        }
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            break;
        }
        read.append(buffer, static_cast<std::size_t>(got));
    }
    return read;
}

int WaitForExitCode(pid_t pid) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) {
            return -1;
        }
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string ReadExactly(int fd, std::size_t count) {
    std::string text(count, '\0');
    std::size_t done = 0;
    while (done < count) {
        const ssize_t got = read(fd, text.data() + done, count - done);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            break;
        }
        done += static_cast<std::size_t>(got);
    }
    text.resize(done);
    return text;
}

std::string ReadToEnd(int fd) {
    std::string text;
    char buffer[4096];
    for (;;) {
        const ssize_t got = read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            return text;
        }
        text.append(buffer, static_cast<std::size_t>(got));
    }
}

void WaitUntilGone(pid_t pid) {
    const UniqueFd process(static_cast<int>(syscall(SYS_pidfd_open, pid, 0)));
    if (process) {
        pollfd entry{process.Get(), POLLIN, 0};
        while (poll(&entry, 1, -1) < 0 && errno == EINTR) {
        }
    }
}

std::vector<std::string> HostCommand(int index, const std::filesystem::path& link,
                                     const std::filesystem::path& record) {
    return {ZRV_DEVICE_HOST_PATH,  "--driver", ZRV_SERIAL_DRIVER_PATH, "--index",
            std::to_string(index), "--link",   link.string(),          "--record",
            record.string()};
}

int StartHost(int index, const std::filesystem::path& link, const std::filesystem::path& record) {
    const Child starter = Spawn(HostCommand(index, link, record));
    return starter.pid < 0 ? -1 : WaitForExitCode(starter.pid);
}

ServedPort::ServedPort(int index) {
    const auto devices = m_dir / "devices";
    std::filesystem::create_directories(devices);
    m_link = devices / ("COM" + std::to_string(index) + ":");
    m_record = m_dir / ("COM" + std::to_string(index) + ".host");
    if (StartHost(index, m_link, m_record) == 0) {
        m_identity = ReadHostIdentity(m_record);
    }
}

ServedPort::~ServedPort() {
    if (m_identity) {
        std::string error;
        StopHost(*m_identity, error);
    }
}

std::optional<std::uint64_t> ServedPort::Counter(const std::string& name) const {
    std::string error;
    const auto status = m_identity ? QueryHostStatus(*m_identity, error) : std::nullopt;
    if (!status) {
        return std::nullopt;
    }
    const std::string key = " " + name + "=";
    const std::size_t at = status->find(key);
    if (at == std::string::npos) {
        return std::nullopt;
    }
    return std::stoull(status->substr(at + key.size()));
}

bool ServedPort::WaitForCounter(const std::string& name, std::uint64_t value) const {
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < limit) {
        const auto counter = Counter(name);
        if (!counter) {
            return false;
        }
        if (*counter >= value) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
}

} // namespace hosttest
