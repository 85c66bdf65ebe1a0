#include "comm/SerialPort.h"
#include "comm/Event.h"
#include "tests/comm/PseudoTerminal.h"
#include "tests/support/TestPaths.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <cerrno>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

ResolvedDevice FileDevice(const std::string& path) {
    ResolvedDevice device;
    device.kind = ResolvedDevice::Kind::File;
    device.path = path;
    return device;
}

// Reads from the port until `count` bytes came or the port stopped delivering.
std::string ReadBytes(SerialPort& port, std::size_t count, int stopFd) {
    std::string out;
    char buffer[256];
    while (out.size() < count) {
        const auto result = port.Read(buffer, sizeof buffer, stopFd);
        if (result.status != SerialPort::Status::Data) {
            break;
        }
        out.append(buffer, result.size);
    }
    return out;
}

TEST(SerialPort, APseudoTerminalOpensRawAt57600WhenSerialSettingsAreAsked) {
    PseudoTerminal pty;
    SerialPort port;
    ASSERT_FALSE(port.Open(FileDevice(pty.SlavePath()), true));
    termios attributes{};
    ASSERT_EQ(tcgetattr(port.Descriptor(), &attributes), 0);
    EXPECT_EQ(cfgetospeed(&attributes), B57600);
    EXPECT_EQ(attributes.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(attributes.c_cflag & (PARENB | CSTOPB), 0u);
    EXPECT_EQ(attributes.c_lflag & (ICANON | ECHO), 0u);
    EXPECT_EQ(attributes.c_iflag & (ICRNL | IXON), 0u);
}

TEST(SerialPort, BytesPassUnchangedInBothDirections) {
    PseudoTerminal pty;
    SerialPort port;
    ASSERT_FALSE(port.Open(FileDevice(pty.SlavePath()), false));
    const std::string received = "$GPGGA,1\r\n\x11\x13\r$";
    pty.Write(received);
    EXPECT_EQ(ReadBytes(port, received.size(), -1), received);
    const std::string sent = "$PZRV000,,*57\r\n";
    EXPECT_EQ(port.Write(sent, -1).status, SerialPort::Status::Data);
    EXPECT_EQ(pty.Read(sent.size(), 5s), sent);
}

TEST(SerialPort, FailuresNameThePlatformCallAndTheSystemError) {
    SerialPort port;
    const auto missing = port.Open(FileDevice("/nonexistent/COM7:"), true);
    ASSERT_TRUE(missing);
    EXPECT_EQ(missing->call, "CreateFile");
    EXPECT_EQ(missing->error, ENOENT);

    char file[] = "/tmp/zrv-notatty-XXXXXX";
    const int fd = mkstemp(file);
    ASSERT_GE(fd, 0);
    close(fd);
    const auto notTty = port.Open(FileDevice(file), true);
    ASSERT_TRUE(notTty);
    EXPECT_EQ(notTty->call, "GetCommState");
    EXPECT_EQ(notTty->error, ENOTTY);
    EXPECT_FALSE(port.IsOpen());
    // Without serial settings a plain file opens as it is.
    EXPECT_FALSE(port.Open(FileDevice(file), false));
    unlink(file);
}

TEST(SerialPort, ATtyIsHeldExclusivelyUntilClosed) {
    PseudoTerminal pty;
    SerialPort first;
    ASSERT_FALSE(first.Open(FileDevice(pty.SlavePath()), false));
    SerialPort second;
    const auto busy = second.Open(FileDevice(pty.SlavePath()), true);
    ASSERT_TRUE(busy);
    EXPECT_EQ(busy->call, "CreateFile");
    EXPECT_EQ(busy->error, EBUSY);
    EXPECT_FALSE(second.IsOpen());
    // The refused open left the holder's line as it was.
    termios attributes{};
    ASSERT_EQ(tcgetattr(pty.Master(), &attributes), 0);
    EXPECT_NE(cfgetospeed(&attributes), B57600);
    // The bytes still all reach the holder.
    const std::string sentence = "$GPGGA,1\r\n";
    pty.Write(sentence);
    EXPECT_EQ(ReadBytes(first, sentence.size(), -1), sentence);

    first.Close();
    EXPECT_FALSE(second.Open(FileDevice(pty.SlavePath()), true));
}

TEST(SerialPort, AStopEndsAReadOnASilentPort) {
    PseudoTerminal pty;
    SerialPort port;
    ASSERT_FALSE(port.Open(FileDevice(pty.SlavePath()), true));
    Event stop(Event::Kind::AutoReset);
    std::thread stopper([&] { stop.Set(); });
    char buffer[16];
    SerialPort::ReadResult result;
    do {
        result = port.Read(buffer, sizeof buffer, stop.PollDescriptor());
    } while (result.status == SerialPort::Status::Data);
    stopper.join();
    EXPECT_EQ(result.status, SerialPort::Status::Stopped);
}

TEST(SerialPort, AVanishedDeviceFailsTheRead) {
    PseudoTerminal pty;
    SerialPort port;
    ASSERT_FALSE(port.Open(FileDevice(pty.SlavePath()), true));
    Event stop(Event::Kind::AutoReset);
    pty.Write("$GPGGA");
    EXPECT_EQ(ReadBytes(port, 6, stop.PollDescriptor()), "$GPGGA");
    pty.CloseMaster();
    char buffer[16];
    SerialPort::ReadResult result;
    do {
        result = port.Read(buffer, sizeof buffer, stop.PollDescriptor());
    } while (result.status == SerialPort::Status::Data && result.size == 0);
    EXPECT_EQ(result.status, SerialPort::Status::Failed);
    EXPECT_EQ(result.failure.call, "ReadFile");
    EXPECT_EQ(result.failure.error, EIO);
    // Writing to the vanished device fails too.
    EXPECT_EQ(port.Write("$X", -1).status, SerialPort::Status::Failed);
}

// A listening loopback socket that plays gpsd's part for one client.
class FakeGpsd {
public:
    explicit FakeGpsd(int backlog = 1) {
        m_listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
        listen(m_listener, backlog);
        socklen_t length = sizeof address;
        getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length);
        m_port = ntohs(address.sin_port);
    }
    ~FakeGpsd() {
        if (m_client >= 0) {
            close(m_client);
        }
        for (const int fd : m_queued) {
            close(fd);
        }
        close(m_listener);
    }
    std::uint16_t Port() const { return m_port; }
    // A client that the listener never accepts: with a backlog of 0 the listen queue is full
    // after it, as that of a gpsd that is stuck.
    void QueueClient() {
        const int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(m_port);
        connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
        m_queued.push_back(fd);
    }
    // Accepts the client and returns its first request line.
    std::string AcceptAndReadRequest() {
        m_client = accept(m_listener, nullptr, nullptr);
        std::string request;
        char byte = 0;
        while (read(m_client, &byte, 1) == 1 && byte != '\n') {
            request += byte;
        }
        return request;
    }
    void Send(const std::string& bytes) {
        [[maybe_unused]] const ssize_t sent = write(m_client, bytes.data(), bytes.size());
    }
    void Hangup() {
        close(m_client);
        m_client = -1;
    }

private:
    int m_listener = -1;
    int m_client = -1;
    std::uint16_t m_port = 0;
    std::vector<int> m_queued;
};

TEST(SerialPort, AGpsdPortAsksForTheNmeaStreamAndDeliversOnlySentences) {
    FakeGpsd gpsd;
    ResolvedDevice device;
    device.kind = ResolvedDevice::Kind::Gpsd;
    device.gpsd.port = gpsd.Port();
    SerialPort port;
    std::string request;
    std::thread server([&] {
        request = gpsd.AcceptAndReadRequest();
        gpsd.Send("{\"class\":\"VERSION\",\"release\":\"3.22\"}\r\n"
                  "{\"class\":\"DEVICES\",\"devices\":[]}\r\n"
                  "{\"class\":\"WATCH\",\"enable\":true,\"nmea\":true}\r\n"
                  "$GPGGA,1*00\r\n$GPRMC,2*00\r\n");
        gpsd.Hangup();
    });
    ASSERT_FALSE(port.Open(device, false));
    std::string got;
    char buffer[64];
    SerialPort::ReadResult result;
    for (;;) {
        result = port.Read(buffer, sizeof buffer, -1);
        if (result.status != SerialPort::Status::Data) {
            break;
        }
        got.append(buffer, result.size);
    }
    server.join();
    EXPECT_EQ(request, "?WATCH={\"enable\":true,\"nmea\":true}");
    EXPECT_EQ(got, "$GPGGA,1*00\r\n$GPRMC,2*00\r\n");
    EXPECT_EQ(result.failure.call, "ReadFile");
    EXPECT_EQ(result.failure.error, ECONNRESET);
}

TEST(SerialPort, GpsdThatDoesNotAnswerFailsTheOpen) {
    ResolvedDevice nowhere;
    nowhere.kind = ResolvedDevice::Kind::Gpsd;
    nowhere.gpsd.port = 1; // nothing listens on port 1 of the loopback
    SerialPort port;
    const auto failure = port.Open(nowhere, false);
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->call, "CreateFile");
    EXPECT_EQ(failure->error, ECONNREFUSED);
}

TEST(SerialPort, GpsdThatAcceptsNoConnectionOrStaysSilentFailsTheOpenInTime) {
    struct Case {
        const char* label;
        int backlog;
        int queued;
    };
    const Case cases[] = {
        {"listen queue full", 0, 2},
        {"connection taken but never answered", 1, 0},
    };
    for (const Case& c : cases) {
        FakeGpsd gpsd(c.backlog);
        for (int i = 0; i < c.queued; ++i) {
            gpsd.QueueClient();
        }
        ResolvedDevice device;
        device.kind = ResolvedDevice::Kind::Gpsd;
        device.gpsd.port = gpsd.Port();
        SerialPort port;
        const auto failure = port.Open(device, false);
        ASSERT_TRUE(failure) << c.label;
        EXPECT_EQ(failure->call, "CreateFile") << c.label;
        EXPECT_EQ(failure->error, ETIMEDOUT) << c.label;
        EXPECT_FALSE(port.IsOpen()) << c.label;
    }
}

// A receiver behind a serial bridge at 4800 baud: a pseudo-terminal whose bytes come out
// scrambled while the line is set to any other rate.
class BridgeAt4800 final : public PosixSystemCalls {
public:
    int SetAttributes(int fd, const termios& attributes) override {
        m_speed = cfgetospeed(&attributes);
        return PosixSystemCalls::SetAttributes(fd, attributes);
    }
    ssize_t Read(int fd, void* buffer, std::size_t size) override {
        const ssize_t got = PosixSystemCalls::Read(fd, buffer, size);
        if (got > 0 && m_speed != B4800) {
            auto* bytes = static_cast<unsigned char*>(buffer);
            std::for_each(bytes, bytes + got, [](unsigned char& b) { b = (b << 1) | 0x81; });
        }
        return got;
    }

private:
    std::atomic<speed_t> m_speed{B0};
};

TEST(SerialPort, ADetectedRateDeliversOnlyWhatArrivedAtIt) {
    PseudoTerminal pty;
    BridgeAt4800 calls;
    SerialPort port(calls);
    ASSERT_FALSE(port.Open(FileDevice(pty.SlavePath()), true));
    int found = 0;
    port.DetectRateOnFirstRead({9600, 4800}, [&](int baud) { found = baud; });
    EXPECT_TRUE(port.IsDetectingRate());

    // The receiver talks all the while, as a real one does once a second.
    const std::string sentence = "$GPGGA,1*4B\r\n";
    std::atomic<bool> done{false};
    std::thread receiver([&] {
        while (!done) {
            pty.Write(sentence);
            std::this_thread::sleep_for(20ms);
        }
    });
    Event stop(Event::Kind::AutoReset);
    const std::string received = ReadBytes(port, 3 * sentence.size(), stop.PollDescriptor());
    done = true;
    receiver.join();

    EXPECT_EQ(found, 4800);
    EXPECT_EQ(port.BaudRate(), 4800);
    EXPECT_FALSE(port.IsDetectingRate());
    EXPECT_EQ(received.substr(0, 3 * sentence.size()), sentence + sentence + sentence)
        << "no byte read at 9600 is handed on";
    termios attributes{};
    ASSERT_EQ(tcgetattr(port.Descriptor(), &attributes), 0);
    EXPECT_EQ(cfgetospeed(&attributes), B4800);
}

TEST(SerialPort, OnlyLinesBehindABridgeNeedTheirRate) {
    PseudoTerminal pty;
    testpaths::TempDir dir;
    fs::create_directories(dir / "pts");
    fs::create_directories(dir / "serial" / "by-id");
    for (const char* name : {"ttyUSB0", "ttyACM3", "pts/4", "ttyS0"}) {
        testpaths::WriteFileBytes(dir / name, "");
    }
    fs::create_symlink(dir / "ttyACM3", dir / "serial" / "by-id" / "usb-puck");
    fs::create_symlink(dir / "ttyUSB0", dir / "serial" / "by-id" / "usb-bridge");
    EXPECT_TRUE(IgnoresLineRate(pty.SlavePath()));
    EXPECT_TRUE(IgnoresLineRate(dir / "ttyACM3"));
    EXPECT_TRUE(IgnoresLineRate(dir / "serial" / "by-id" / "usb-puck"));
    EXPECT_TRUE(IgnoresLineRate(dir / "pts/4"));
    EXPECT_FALSE(IgnoresLineRate(dir / "ttyUSB0"));
    EXPECT_FALSE(IgnoresLineRate(dir / "serial" / "by-id" / "usb-bridge"));
    EXPECT_FALSE(IgnoresLineRate(dir / "ttyS0"));

    SerialPort port;
    ASSERT_FALSE(port.Open(FileDevice(pty.SlavePath()), true));
    EXPECT_FALSE(port.RateMatters()) << "a pseudo-terminal, as the virtual port is";
    ASSERT_FALSE(port.SetBaudRate(9600));
    EXPECT_EQ(port.BaudRate(), 9600);
    const auto unsupported = port.SetBaudRate(12345);
    ASSERT_TRUE(unsupported);
    EXPECT_EQ(unsupported->error, EINVAL);
}

} // namespace
