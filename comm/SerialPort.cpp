#include "comm/SerialPort.h"

#include "comm/BaudRateDetector.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

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

// The rate the configuration sets until another is chosen.
constexpr int kDefaultBaudRate = 57600;

std::optional<speed_t> SpeedOf(int baud) {
    switch (baud) {
    case 1200:
        return B1200;
    case 2400:
        return B2400;
    case 4800:
        return B4800;
    case 9600:
        return B9600;
    case 19200:
        return B19200;
    case 38400:
        return B38400;
    case 57600:
        return B57600;
    case 115200:
        return B115200;
    case 230400:
        return B230400;
    case 460800:
        return B460800;
    case 921600:
        return B921600;
    default:
        return std::nullopt;
    }
}

// Device numbers: UNIX 98 pseudo-terminal slaves and CDC-ACM devices.
constexpr unsigned kFirstPtySlaveMajor = 136;
constexpr unsigned kLastPtySlaveMajor = 143;
constexpr unsigned kAcmMajor = 166;

// The detection's view of an open port: the rate is set on it, reads wait within a limit and
// end at a stop request.
class PortRateProbe final : public IRateProbePort {
public:
    PortRateProbe(SerialPort& port, int stopFd) : m_port(port), m_stopFd(stopFd) {}
    std::optional<PortFailure> SetRate(int baud) override { return m_port.SetBaudRate(baud); }
    SerialPort::ReadResult ReadSome(char* buffer, std::size_t size,
                                    std::chrono::milliseconds limit) override {
        return m_port.ReadWithin(buffer, size, m_stopFd, limit);
    }

private:
    SerialPort& m_port;
    int m_stopFd;
};

} // namespace

bool IsSupportedBaudRate(int baud) {
    return SpeedOf(baud).has_value();
}

bool IgnoresLineRate(const std::filesystem::path& device) {
    std::error_code ec;
    const std::filesystem::path real = std::filesystem::canonical(device, ec);
    const std::filesystem::path& path = ec ? device : real;
    if (path.filename().string().starts_with("ttyACM") || path.parent_path().filename() == "pts") {
        return true;
    }
    struct stat status {};
    if (stat(path.c_str(), &status) != 0 || !S_ISCHR(status.st_mode)) {
        return false;
    }
    const unsigned type = major(status.st_rdev);
    return (type >= kFirstPtySlaveMajor && type <= kLastPtySlaveMajor) || type == kAcmMajor;
}

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
        return failure;
    }
    termios attributes{};
    m_rateMatters = m_calls.GetAttributes(m_fd, attributes) == 0 && !IgnoresLineRate(device.path);
    m_baud = serialSettings ? kDefaultBaudRate : 0;
    return std::nullopt;
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
        cfsetispeed(&attributes, *SpeedOf(kDefaultBaudRate));
        cfsetospeed(&attributes, *SpeedOf(kDefaultBaudRate));
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
    m_rateMatters = false;
    m_baud = 0;
    m_detecting = false;
    m_detection.reset();
    m_pending.clear();
}

std::optional<PortFailure> SerialPort::SetBaudRate(int baud) {
    const std::optional<speed_t> speed = SpeedOf(baud);
    termios attributes{};
    if (m_calls.GetAttributes(m_fd, attributes) != 0) {
        return Failure("GetCommState", errno);
    }
    if (!speed) {
        return Failure("SetCommState", EINVAL);
    }
    cfsetispeed(&attributes, *speed);
    cfsetospeed(&attributes, *speed);
    if (m_calls.SetAttributes(m_fd, attributes) != 0) {
        return Failure("SetCommState", errno);
    }
    m_baud = baud;
    return std::nullopt;
}

void SerialPort::DetectRateOnFirstRead(std::vector<int> rates, std::function<void(int)> found) {
    m_detection = Detection{std::move(rates), std::move(found)};
    m_detecting = true;
}

std::optional<SerialPort::ReadResult> SerialPort::DetectRate(int stopFd) {
    PortRateProbe probe(*this, stopFd);
    RateDetection detection = DetectBaudRate(probe, m_detection->rates);
    ReadResult result;
    switch (detection.outcome) {
    case RateDetection::Outcome::Found: {
        m_pending = std::move(detection.received);
        const std::function<void(int)> found = std::move(m_detection->found);
        m_detection.reset();
        m_detecting = false;
        found(detection.baud);
        return std::nullopt;
    }
    case RateDetection::Outcome::NotFound:
        return result; // nothing yet: the next read starts over
    case RateDetection::Outcome::Stopped:
        result.status = Status::Stopped;
        return result;
    case RateDetection::Outcome::Failed:
        result.status = Status::Failed;
        result.failure = detection.failure;
        return result;
    }
    return result;
}

int SerialPort::HangUpError() const {
    return m_isGpsd ? ECONNRESET : EIO;
}

SerialPort::ReadResult SerialPort::Read(char* buffer, std::size_t size, int stopFd) {
    if (m_detection) {
        if (std::optional<ReadResult> result = DetectRate(stopFd)) {
            return *result;
        }
    }
    if (!m_pending.empty()) {
        ReadResult result;
        result.size = std::min(size, m_pending.size());
        std::memcpy(buffer, m_pending.data(), result.size);
        m_pending.erase(0, result.size);
        return result;
    }
    return ReadWithin(buffer, size, stopFd, std::chrono::milliseconds(-1));
}

SerialPort::ReadResult SerialPort::ReadWithin(char* buffer, std::size_t size, int stopFd,
                                              std::chrono::milliseconds timeout) {
    ReadResult result;
    pollfd fds[2] = {{m_fd, POLLIN, 0}, {stopFd, POLLIN, 0}};
    const nfds_t count = stopFd >= 0 ? 2 : 1;
    const auto limit = static_cast<int>(timeout.count());
    // Without a stop descriptor a wait is kept short, so that the caller can ask for a stop.
    const int wait =
        stopFd >= 0 ? limit : (limit < 0 ? kFallbackPollMs : std::min(limit, kFallbackPollMs));
    const int ready = m_calls.Poll(fds, count, wait);
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
