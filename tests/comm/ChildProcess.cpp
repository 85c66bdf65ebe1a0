#include "tests/comm/ChildProcess.h"

#include "tests/comm/AppFixture.h"
#include "tests/support/TestPaths.h"

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

ChildProcess::ChildProcess(const std::filesystem::path& program, const Options& options,
                           const std::filesystem::path& outputDir)
    : m_stdout(outputDir / "stdout.txt"), m_stderr(outputDir / "stderr.txt") {
    std::vector<std::string> argv = {program.string()};
    argv.insert(argv.end(), options.arguments.begin(), options.arguments.end());
    std::vector<char*> args;
    for (std::string& arg : argv) {
        args.push_back(arg.data());
    }
    args.push_back(nullptr);
    // The test's environment with the options' variables put over it, built before the fork.
    std::vector<std::string> environment = options.environment;
    for (char** variable = environ; *variable != nullptr; ++variable) {
        const std::string entry = *variable;
        const std::string name = entry.substr(0, entry.find('=') + 1);
        bool replaced = false;
        for (const std::string& own : options.environment) {
            replaced = replaced || own.starts_with(name);
        }
        if (!replaced) {
            environment.push_back(entry);
        }
    }
    std::vector<char*> envp;
    for (std::string& variable : environment) {
        envp.push_back(variable.data());
    }
    envp.push_back(nullptr);
    const int out = options.stdoutDescriptor
                        ? fcntl(*options.stdoutDescriptor, F_DUPFD_CLOEXEC, 0)
                        : open(m_stdout.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    const int err = open(m_stderr.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    m_pid = fork();
    if (m_pid == 0) {
        dup2(out, STDOUT_FILENO);
        dup2(err, STDERR_FILENO);
        if (options.fileSizeLimit) {
            const rlimit limit{static_cast<rlim_t>(*options.fileSizeLimit),
                               static_cast<rlim_t>(*options.fileSizeLimit)};
            setrlimit(RLIMIT_FSIZE, &limit);
        }
        execve(args[0], args.data(), envp.data());
        _exit(127);
    }
    close(out);
    close(err);
}

ChildProcess::~ChildProcess() {
    if (m_pid > 0 && !m_reaped) {
        kill(m_pid, SIGKILL);
        waitpid(m_pid, nullptr, 0);
    }
}

void ChildProcess::Signal(int signal) {
    if (m_pid > 0 && !m_reaped) {
        kill(m_pid, signal);
    }
}

std::optional<int> ChildProcess::Wait(std::chrono::milliseconds limit) {
    std::optional<int> result;
    WaitUntil(
        [&] {
            int status = 0;
            if (waitpid(m_pid, &status, WNOHANG) != m_pid) {
                return false;
            }
            m_reaped = true;
            result = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            return true;
        },
        limit);
    return result;
}

std::string ChildProcess::Stdout() const {
    return testpaths::ReadFileBytes(m_stdout);
}

std::string ChildProcess::Stderr() const {
    return testpaths::ReadFileBytes(m_stderr);
}

bool ChildProcess::WaitForOutput(const std::string& text, std::chrono::milliseconds limit) const {
    return WaitUntil([&] { return Stdout().find(text) != std::string::npos; }, limit);
}
