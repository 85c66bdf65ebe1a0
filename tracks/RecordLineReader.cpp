#include "tracks/RecordLineReader.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

RecordLineReader::~RecordLineReader() {
    Close();
}

void RecordLineReader::Close() {
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

bool RecordLineReader::Open(const std::string& path) {
    Close();
    m_fileSize = 0;
    m_bytesRead = 0;
    m_progress = 0;
    m_error.clear();
    m_fill = 0;
    m_position = 0;
    m_fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (m_fd < 0) {
        m_error = std::strerror(errno);
        return false;
    }
    struct stat info {};
    if (::fstat(m_fd, &info) == 0 && info.st_size > 0) {
        m_fileSize = static_cast<std::uint64_t>(info.st_size);
    }
    return true;
}

bool RecordLineReader::Refill() {
    m_position = 0;
    m_fill = 0;
    if (m_fd < 0) {
        return false;
    }
    ssize_t n = 0;
    do {
        n = ::read(m_fd, m_buffer, kBufferBytes);
    } while (n < 0 && errno == EINTR);
    if (n < 0) {
        m_error = std::strerror(errno);
        Close();
        return false;
    }
    if (n == 0) {
        Close();
        return false;
    }
    m_fill = static_cast<std::size_t>(n);
    m_bytesRead += m_fill;
    // A file that was empty when opened, or grew since, counts as fully read.
    m_progress =
        m_fileSize == 0
            ? 100
            : static_cast<int>(std::min<std::uint64_t>(100, m_bytesRead * 100 / m_fileSize));
    return true;
}

bool RecordLineReader::TakeByte(char& byte) {
    if (!PeekByte(byte)) {
        return false;
    }
    ++m_position;
    return true;
}

bool RecordLineReader::PeekByte(char& byte) {
    if (m_position == m_fill && !Refill()) {
        return false;
    }
    byte = m_buffer[m_position];
    return true;
}

bool RecordLineReader::LineIsBuffered() const {
    if (m_fd < 0) {
        return true;
    }
    const char* start = m_buffer + m_position;
    const std::size_t available = m_fill - m_position;
    // A CR ends the line only with the byte after it seen (it may be the LF of a CR LF).
    return std::memchr(start, '\n', available) != nullptr ||
           (available > 1 && std::memchr(start, '\r', available - 1) != nullptr);
}

bool RecordLineReader::NextLine(std::string_view& line) {
    // The common case needs no copy: the whole line lies in the buffer, ends in CR LF and holds
    // no other CR and no NUL.
    if (m_position < m_fill) {
        const char* start = m_buffer + m_position;
        const std::size_t available = std::min(m_fill - m_position, kMaxLineBytes);
        if (const void* lf = std::memchr(start, '\n', available)) {
            const auto length = static_cast<std::size_t>(static_cast<const char*>(lf) - start) + 1;
            if (length >= 2 && std::memchr(start, '\r', length - 1) == start + length - 2 &&
                std::memchr(start, '\0', length) == nullptr) {
                m_position += length;
                line = std::string_view(start, length);
                return true;
            }
        }
    }
    // The text of the line goes to m_line, as much as fits; its line end is taken separately.
    constexpr std::size_t kLongestText = kMaxLineBytes - 2;
    std::size_t stored = 0;
    std::size_t length = 0;
    bool ended = false;
    bool any = false;
    char byte = 0;
    while (TakeByte(byte)) {
        any = true;
        if (byte == '\n') {
            ended = true;
            break;
        }
        if (byte == '\r') {
            if (char next = 0; PeekByte(next) && next == '\n') {
                ++m_position;
            }
            ended = true;
            break;
        }
        ++length;
        if (stored < sizeof m_line) {
            m_line[stored++] = byte;
        }
    }
    if (Failed() || !any) {
        return false;
    }
    if (const void* nul = std::memchr(m_line, '\0', stored)) {
        stored = static_cast<std::size_t>(static_cast<const char*>(nul) - m_line);
    } else if (ended && length <= kLongestText) {
        m_line[stored++] = '\r';
        m_line[stored++] = '\n';
    }
    line = std::string_view(m_line, stored);
    return true;
}
