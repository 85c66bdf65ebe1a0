#pragma once

// What the fuzz targets share: a check that stops the run where it fails, so that libFuzzer
// keeps the input, and the input as a file for the readers that only take a path.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

inline void Require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

// The bytes as an anonymous in-memory file, reachable by path while the object lives.
class MemoryFile {
public:
    MemoryFile(const std::uint8_t* data, std::size_t size)
        : m_fd(memfd_create("fuzz-input", MFD_CLOEXEC)) {
        Require(m_fd >= 0);
        Require(size == 0 || write(m_fd, data, size) == static_cast<ssize_t>(size));
    }
    ~MemoryFile() { close(m_fd); }
    MemoryFile(const MemoryFile&) = delete;
    MemoryFile& operator=(const MemoryFile&) = delete;

    std::string Path() const { return "/proc/self/fd/" + std::to_string(m_fd); }

private:
    int m_fd;
};
