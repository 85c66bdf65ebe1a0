#include "comm/SerialPort.h"

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>

namespace {

// The request that makes gpsd send the receiver's sentences as they arrive.
constexpr std::string_view kGpsdWatch = "?WATCH={\"enable\":true,\"nmea\":true}\n";

// Write time-outs of the port configuration: a constant plus a multiplier per byte.
constexpr int kWriteTimeoutConstantMs = 1000;
constexpr int kWriteTimeoutPerByteMs = 10;

// Used when there is no stop descriptor to wait on.
constexpr int kFallbackPollMs = 100;

PortFailure Failure(const char* call, int error) {
    return PortFailure{call, error};
}

} // namespace

SerialPort::~SerialPort() {
    Close();
}

std::optional<PortFailure> SerialPort::Open(const ResolvedDevice& device, bool serialSettings,
                                            PortSharing sharing) {
    Close();
    m_filter = GpsdStreamFilter();
    switch (device.kind) {
    case ResolvedDevice::Kind::Unknown:
        return Failure("CreateFile", device.error != 0 ? device.error : ENOENT);
    case ResolvedDevice::Kind::Gpsd:
        return OpenGpsd(device.gpsd);
    case ResolvedDevice::Kind::File:
        break;
    }
    m_fd = m_calls.Open(device.path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC, 0);
    if (m_fd < 0) {
        return Failure("CreateFile", errno);
    }
    std::optional<PortFailure> failure;
    if (sharing == PortSharing::Exclusive) {
        failure = TakeExclusively();
    }
    if (!failure) {
        failure = Configure(serialSettings);
    }
    if (failure) {
        Close();
    }
    return failure;
}

std::optional<PortFailure> SerialPort::OpenGpsd(const GpsdAddress& address) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + kGpsdAnswerLimit;
    m_fd =
        m_calls.ConnectTcp(address.host, address.port, static_cast<int>(kGpsdAnswerLimit.count()));
    if (m_fd < 0) {
        return Failure("CreateFile", errno);
    }
    m_isGpsd = true;
    const WriteResult sent = Write(kGpsdWatch, -1);
    if (sent.status == Status::Failed) {
        Close();
        return sent.failure;
    }
    // gpsd greets every client at once; a connection that stays silent is a gpsd that is stuck
    // and would leave the recording waiting without end.
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        pollfd fds[1] = {{m_fd, POLLIN, 0}};
        const int ready =
            m_calls.Poll(fds, 1, left.count() > 0 ? static_cast<int>(left.count()) : 0);
        if (ready > 0) {
            return std::nullopt; // what it said, or its hang-up, is for the first read
        }
        if (ready == 0 || errno != EINTR) {
            const int error = ready == 0 ? ETIMEDOUT : errno;
            Close();
            return Failure("CreateFile", error);
        }
    }
}

std::optional<PortFailure> SerialPort::TakeExclusively() {
    termios attributes{};
    if (m_calls.GetAttributes(m_fd, attributes) != 0) {
        return std::nullopt; // not a tty: nothing that another program could share
    }
    // The lock also holds against programs run as root, which TIOCEXCL does not stop.
    if (m_calls.Flock(m_fd, LOCK_EX | LOCK_NB) != 0) {
        return Failure("CreateFile", errno == EWOULDBLOCK ? EBUSY : errno);
    }
    if (m_calls.Ioctl(m_fd, TIOCEXCL) != 0) {
        return Failure("CreateFile", errno);
    }
    m_exclusive = true;
    return std::nullopt;
}

std::optional<PortFailure> SerialPort::Configure(bool serialSettings) {
    termios attributes{};
    if (m_calls.GetAttributes(m_fd, attributes) != 0) {
        if (!serialSettings) {
            return std::nullopt; // not a tty: nothing to configure
        }
        return Failure("GetCommState", errno);
    }
    cfmakeraw(&attributes);
    attributes.c_cflag |= CLOCAL | CREAD;
    attributes.c_cc[VMIN] = 0;
    attributes.c_cc[VTIME] = 0;
    if (serialSettings) {
        cfsetispeed(&attributes, B57600);
        cfsetospeed(&attributes, B57600);
        attributes.c_cflag &= ~(CSIZE | PARENB | CSTOPB);
        attributes.c_cflag |= CS8;
    }
    if (m_calls.SetAttributes(m_fd, attributes) != 0) {
        return Failure("SetCommState", errno);
    }
    return std::nullopt;
}

void SerialPort::Close() {
    if (m_fd >= 0) {
        // A pseudo-terminal keeps the mark while its master is open: the next program that
        // opens it must not find it taken.
        if (m_exclusive) {
            m_calls.Ioctl(m_fd, TIOCNXCL);
        }
        m_calls.Close(m_fd);
        m_fd = -1;
    }
    m_isGpsd = false;
    m_exclusive = false;
}

int SerialPort::HangUpError() const {
    return m_isGpsd ? ECONNRESET : EIO;
}

SerialPort::ReadResult SerialPort::Read(char* buffer, std::size_t size, int stopFd) {
    ReadResult result;
    pollfd fds[2] = {{m_fd, POLLIN, 0}, {stopFd, POLLIN, 0}};
    const nfds_t count = stopFd >= 0 ? 2 : 1;
    const int ready = m_calls.Poll(fds, count, stopFd >= 0 ? -1 : kFallbackPollMs);
    if (ready < 0) {
        if (errno == EINTR) {
            return result;
        }
        result.status = Status::Failed;
        result.failure = Failure("WaitCommEvent", errno);
        return result;
    }
    if (count == 2 && (fds[1].revents & POLLIN) != 0) {
        result.status = Status::Stopped;
        return result;
    }
    if (fds[0].revents == 0) {
        return result;
    }
    if ((fds[0].revents & POLLNVAL) != 0) {
        result.status = Status::Failed;
        result.failure = Failure("WaitCommEvent", EBADF);
        return result;
    }
    const ssize_t got = m_calls.Read(m_fd, buffer, size);
    if (got > 0) {
        result.size = m_isGpsd ? m_filter.Filter(buffer, static_cast<std::size_t>(got))
                               : static_cast<std::size_t>(got);
        return result;
    }
    if (got < 0 && (errno == EINTR || errno == EAGAIN) && (fds[0].revents & POLLHUP) == 0) {
        return result;
    }
    // End of data, or an error, from a device that said it was readable: it is gone.
    result.status = Status::Failed;
    result.failure =
        Failure("ReadFile", got < 0 && errno != EAGAIN && errno != EINTR ? errno : HangUpError());
    return result;
}

SerialPort::WriteResult SerialPort::Write(std::string_view data, int stopFd) {
    using Clock = std::chrono::steady_clock;
    WriteResult result;
    const auto deadline =
        Clock::now() +
        std::chrono::milliseconds(kWriteTimeoutConstantMs +
                                  kWriteTimeoutPerByteMs * static_cast<long long>(data.size()));
    while (!data.empty()) {
        const ssize_t written = m_calls.Write(m_fd, data.data(), data.size());
        if (written > 0) {
            data.remove_prefix(static_cast<std::size_t>(written));
            continue;
        }
        if (written < 0 && errno != EAGAIN && errno != EINTR) {
            result.status = Status::Failed;
            result.failure = Failure("WriteFile", errno);
            return result;
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) {
            return result; // the write time-out: what did not fit is not sent
        }
        pollfd fds[2] = {{m_fd, POLLOUT, 0}, {stopFd, POLLIN, 0}};
        const nfds_t count = stopFd >= 0 ? 2 : 1;
        const int ready = m_calls.Poll(fds, count, static_cast<int>(left.count()));
        if (ready < 0 && errno != EINTR) {
            result.status = Status::Failed;
            result.failure = Failure("WriteFile", errno);
            return result;
        }
        if (count == 2 && (fds[1].revents & POLLIN) != 0) {
            result.status = Status::Stopped;
            return result;
        }
        if ((fds[0].revents & (POLLERR | POLLHUP | POLLNVAL)) != 0 &&
            (fds[0].revents & POLLOUT) == 0) {
            result.status = Status::Failed;
            result.failure = Failure("WriteFile", HangUpError());
            return result;
        }
    }
    return result;
}
