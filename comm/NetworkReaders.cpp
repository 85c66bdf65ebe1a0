#include "comm/NetworkReaders.h"

#include "comm/NetworkSockets.h"
#include "comm/WorkerThreadSlot.h"

#include <algorithm>
#include <cerrno>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

// What the system itself buffers for a reader: small, so that a reader that stalls is found
// out by its queue while its positions are still recent.
constexpr int kReaderSendBuffer = 32 * 1024;
constexpr auto kAcceptPause = std::chrono::seconds(1);
// The serving thread's wait when the stop event has no descriptor to poll.
constexpr int kStopLookMs = 250;

constexpr int kSendFlags = MSG_DONTWAIT | MSG_NOSIGNAL;

bool IsOutOfDescriptors(int error) {
    return error == EMFILE || error == ENFILE || error == ENOBUFS || error == ENOMEM;
}

// Closed with a reset: a reader that was disconnected learns it at once, and what it never
// took is thrown away instead of lingering.
void Reset(int fd) {
    const linger now{1, 0};
    setsockopt(fd, SOL_SOCKET, SO_LINGER, &now, sizeof now);
    close(fd);
}

} // namespace

NetworkReaders::NetworkReaders(std::size_t queueLimit)
    : m_queueLimit(queueLimit), m_wakeFd(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}

NetworkReaders::~NetworkReaders() {
    for (const Reader& reader : m_readers) {
        Reset(reader.fd);
    }
    if (m_listenFd >= 0) {
        close(m_listenFd);
    }
    if (m_wakeFd >= 0) {
        close(m_wakeFd);
    }
}

std::optional<std::string> NetworkReaders::Listen(const std::string& host, std::uint16_t port,
                                                  const std::string& context) {
    std::string failure;
    m_listenFd = ListenTcpSocket(host, port, context, failure);
    if (m_listenFd < 0) {
        return failure;
    }
    return std::nullopt;
}

std::uint16_t NetworkReaders::Port() const {
    return BoundPort(m_listenFd);
}

void NetworkReaders::Broadcast(std::string_view burst) {
    bool wake = false;
    {
        std::lock_guard lock(m_mutex);
        for (Reader& reader : m_readers) {
            if (!reader.dropped) {
                Queue(reader, burst);
                wake = wake || reader.dropped || reader.sent < reader.queue.size();
            }
        }
    }
    if (wake) {
        Wake();
    }
}

void NetworkReaders::Queue(Reader& reader, std::string_view burst) {
    const std::size_t waiting = reader.queue.size() - reader.sent;
    if (waiting + burst.size() > m_queueLimit) {
        reader.dropped = true;
        ++m_dropped;
        return;
    }
    if (waiting == 0) {
        // The usual case: the reader takes the whole burst at once, nothing is copied.
        const ssize_t sent = send(reader.fd, burst.data(), burst.size(), kSendFlags);
        if (sent < 0 && !IsTransientSocketError(errno)) {
            reader.dropped = true;
            return;
        }
        const std::size_t taken = sent < 0 ? 0 : static_cast<std::size_t>(sent);
        reader.queue.assign(burst.substr(taken));
        reader.sent = 0;
        return;
    }
    reader.queue.append(burst);
    if (!Flush(reader)) {
        reader.dropped = true;
    }
}

bool NetworkReaders::Flush(Reader& reader) {
    while (reader.sent < reader.queue.size()) {
        const ssize_t sent = send(reader.fd, reader.queue.data() + reader.sent,
                                  reader.queue.size() - reader.sent, kSendFlags);
        if (sent < 0) {
            return IsTransientSocketError(errno);
        }
        reader.sent += static_cast<std::size_t>(sent);
    }
    reader.queue.clear();
    reader.sent = 0;
    return true;
}

bool NetworkReaders::Drain(Reader& reader) {
    char scratch[4096];
    for (;;) {
        const ssize_t got = recv(reader.fd, scratch, sizeof scratch, MSG_DONTWAIT);
        if (got > 0) {
            continue;
        }
        // A reader that has nothing more to say (netcat with its input at an end) still
        // reads; one that went away altogether is found by the next send.
        reader.inputEnded = got == 0;
        return got == 0 || IsTransientSocketError(errno);
    }
}

void NetworkReaders::Accept() {
    for (;;) {
        const int fd = accept4(m_listenFd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) {
            if (IsOutOfDescriptors(errno)) {
                m_acceptPausedUntil = Clock::now() + kAcceptPause;
            }
            return;
        }
        std::lock_guard lock(m_mutex);
        if (m_readers.size() >= kMostReaders) {
            Reset(fd);
            continue;
        }
        setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &kReaderSendBuffer, sizeof kReaderSendBuffer);
        const int on = 1;
        // A burst is written whole and is wanted now, not with the next one.
        setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        m_readers.push_back(Reader{fd, {}, 0, false, false});
    }
}

void NetworkReaders::CloseGone() {
    std::erase_if(m_readers, [](const Reader& reader) {
        if (reader.dropped) {
            Reset(reader.fd);
        }
        return reader.dropped;
    });
}

void NetworkReaders::Wake() {
    const std::uint64_t one = 1;
    // A write can fail only on a counter that is full, which is readable already.
    const ssize_t written = write(m_wakeFd, &one, sizeof one);
    static_cast<void>(written);
}

int NetworkReaders::Serve(WorkerThreadSlot& slot) {
    const int stopFd = slot.StopDescriptor();
    std::vector<pollfd> fds;
    for (;;) {
        const bool accepting = Clock::now() >= m_acceptPausedUntil;
        fds.clear();
        fds.push_back({stopFd, POLLIN, 0});
        fds.push_back({m_wakeFd, POLLIN, 0});
        fds.push_back({accepting ? m_listenFd : -1, POLLIN, 0});
        constexpr std::size_t kFirstReader = 3;
        {
            std::lock_guard lock(m_mutex);
            CloseGone();
            for (const Reader& reader : m_readers) {
                const bool waiting = reader.sent < reader.queue.size();
                const short events =
                    static_cast<short>((reader.inputEnded ? 0 : POLLIN) | (waiting ? POLLOUT : 0));
                fds.push_back({reader.fd, events, 0});
            }
        }
        const int timeout = stopFd < 0 || !accepting ? kStopLookMs : -1;
        const int ready = poll(fds.data(), fds.size(), timeout);
        if (ready < 0 && errno != EINTR) {
            return errno;
        }
        if (fds[0].revents != 0 || (stopFd < 0 && !slot.KeepRunning())) {
            return 0;
        }
        if (ready <= 0) {
            continue;
        }
        if (fds[1].revents != 0) {
            std::uint64_t count = 0;
            // Only clears the wake: what it was for is found in the readers' queues.
            const ssize_t got = read(m_wakeFd, &count, sizeof count);
            static_cast<void>(got);
        }
        if (fds[2].revents != 0) {
            Accept();
        }
        // Only this thread removes readers and it appends them at the end: the first ones
        // are still those polled.
        std::lock_guard lock(m_mutex);
        for (std::size_t i = kFirstReader; i < fds.size(); ++i) {
            Reader& reader = m_readers[i - kFirstReader];
            const short events = fds[i].revents;
            if (reader.dropped || events == 0) {
                continue;
            }
            const bool gone = ((events & POLLIN) != 0 && !Drain(reader)) ||
                              (events & (POLLERR | POLLHUP)) != 0 ||
                              ((events & POLLOUT) != 0 && !Flush(reader));
            reader.dropped = gone;
        }
    }
}

std::size_t NetworkReaders::ReaderCount() const {
    std::lock_guard lock(m_mutex);
    return static_cast<std::size_t>(std::count_if(
        m_readers.begin(), m_readers.end(), [](const Reader& reader) { return !reader.dropped; }));
}

std::size_t NetworkReaders::DroppedCount() const {
    std::lock_guard lock(m_mutex);
    return m_dropped;
}
