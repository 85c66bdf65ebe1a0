#pragma once

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

// A program run by a test as a separate process, with its own environment, its output caught
// in files, and optionally a limit on the size of the files it writes.
class ChildProcess {
public:
    struct Options {
        std::vector<std::string> arguments;   // without the program
        std::vector<std::string> environment; // "NAME=value" added to the test's own
        std::optional<long long> fileSizeLimit;
        // When set, the standard output goes to this descriptor (a pipe's writing end, closed
        // in the test after the start) instead of the file.
        std::optional<int> stdoutDescriptor = std::nullopt;
    };

    ChildProcess(const std::filesystem::path& program, const Options& options,
                 const std::filesystem::path& outputDir);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    void Signal(int signal);
    // The exit code, or 128 + the signal that ended it; nothing when it did not end in time.
    std::optional<int> Wait(std::chrono::milliseconds limit);

    std::string Stdout() const;
    std::string Stderr() const;
    // Waits until the standard output holds `text`; true when it came.
    bool WaitForOutput(const std::string& text, std::chrono::milliseconds limit) const;

private:
    int m_pid = -1;
    bool m_reaped = false;
    std::filesystem::path m_stdout;
    std::filesystem::path m_stderr;
};
