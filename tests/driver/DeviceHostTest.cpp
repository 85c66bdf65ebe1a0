#include "driver/host/DeviceHostProtocol.h"
#include "driver/host/HostClient.h"
#include "tests/driver/HostTestSupport.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <string>
#include <termios.h>
#include <unistd.h>

namespace {

using hosttest::Child;
using hosttest::ServedPort;

// A program writing into the port as the serial destination does: open, raw mode, write.
UniqueFd OpenWriter(const std::filesystem::path& link) {
    UniqueFd fd(open(link.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC));
    termios modes{};
    if (fd && tcgetattr(fd.Get(), &modes) == 0) {
        cfmakeraw(&modes);
        tcsetattr(fd.Get(), TCSANOW, &modes);
    }
    return fd;
}

bool WriteAll(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t put = write(fd, bytes.data() + done, bytes.size() - done);
        if (put <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(put);
    }
    return true;
}

// Bursts of every byte value in varying lengths, well beyond the terminal's buffers.
std::string Traffic(std::size_t bursts) {
    std::string bytes;
    for (std::size_t b = 0; b < bursts; ++b) {
        for (std::size_t i = 0; i < 300 + (b * 37) % 500; ++i) {
            bytes += static_cast<char>((b * 7 + i) % 256);
        }
    }
    return bytes;
}

// Starts a reader of count bytes and waits until the host has seen its open.
Child StartReader(const ServedPort& port, std::size_t count, std::uint64_t opensBefore,
                  const std::vector<std::string>& options = {}) {
    std::vector<std::string> argv = {ZRV_PORT_PEER_PATH, port.Link().string(),
                                     std::to_string(count)};
    argv.insert(argv.end(), options.begin(), options.end());
    Child reader = hosttest::Spawn(argv);
    EXPECT_EQ(hosttest::ReadExactly(reader.stdoutPipe.Get(), 5), "open\n");
    EXPECT_TRUE(port.WaitForCounter("opens", opensBefore + 1));
    return reader;
}

// Lets the reader end and returns everything it read.
std::string FinishReader(Child& reader) {
    reader.stdinPipe.Reset();
    std::string read = hosttest::ReadToEnd(reader.stdoutPipe.Get());
    EXPECT_EQ(hosttest::WaitForExitCode(reader.pid), 0);
    return read;
}

TEST(DeviceHostTest, ServesAfterItsStarterEndedAndAReaderGetsExactlyTheBytesWritten) {
    ServedPort port;
    ASSERT_TRUE(port.Started());
    EXPECT_EQ(std::filesystem::read_symlink(port.Link()), port.Identity().slave);
    EXPECT_EQ(getsid(port.Identity().pid), port.Identity().pid) << "a session of its own";

    const UniqueFd writer = OpenWriter(port.Link());
    ASSERT_TRUE(writer);
    ASSERT_TRUE(port.WaitForCounter("opens", 1));
    const std::string traffic = Traffic(200);
    Child reader = StartReader(port, traffic.size(), 1);
    ASSERT_TRUE(WriteAll(writer.Get(), traffic));
    const std::string read = FinishReader(reader);
    ASSERT_EQ(read.size(), traffic.size());
    EXPECT_TRUE(read == traffic) << "bytes changed or reordered";
}

TEST(DeviceHostTest, AReaderThatOpensLaterSeesOnlyBytesWrittenAfterItsOpen) {
    ServedPort port;
    ASSERT_TRUE(port.Started());
    const UniqueFd writer = OpenWriter(port.Link());
    ASSERT_TRUE(port.WaitForCounter("opens", 1));
    const std::string first = "$GPGGA,first*00\r\n";
    const std::string unread = "$GPRMC,never read by the first reader*00\r\n";
    const std::string later = "$GPGLL,after the second open*00\r\n";

    Child firstReader = StartReader(port, first.size(), 1);
    ASSERT_TRUE(WriteAll(writer.Get(), first));
    ASSERT_EQ(hosttest::ReadExactly(firstReader.stdoutPipe.Get(), first.size()), first);
    ASSERT_TRUE(WriteAll(writer.Get(), unread));
    ASSERT_TRUE(port.WaitForCounter("delivered", first.size() + unread.size()));

    // The terminal holds the unread bytes; the host discards them when it sees the open. A
    // reader quick enough to read before that could still get them: a terminal cannot make
    // the open wait for the host. So this reader starts reading only once the host has seen
    // its open.
    Child secondReader = StartReader(port, later.size(), 2, {"--hold"});
    ASSERT_TRUE(WriteAll(secondReader.stdinPipe.Get(), "go"));
    ASSERT_TRUE(WriteAll(writer.Get(), later));
    EXPECT_EQ(FinishReader(secondReader), later);
    EXPECT_EQ(FinishReader(firstReader), "");
}

// What the application's playback writes goes into the input terminal; the host leaves none
// of it in the port's terminal while no reader has the port open, so a reader that opens and
// reads at once (before the host can discard anything for its open) never starts with old
// bytes.
TEST(DeviceHostTest, NothingWaitsInTheTerminalForAReaderWhileNoneHasThePortOpen) {
    ServedPort port;
    ASSERT_TRUE(port.Started());
    ASSERT_FALSE(port.Identity().input.empty());
    const UniqueFd playback = OpenWriter(port.Identity().input);
    ASSERT_TRUE(playback);
    ASSERT_TRUE(port.WaitForCounter("opens", 1));
    const std::string old = "$GPGGA,written while nobody reads*00\r\n";
    ASSERT_TRUE(WriteAll(playback.Get(), old));
    ASSERT_TRUE(port.WaitForCounter("dropped", old.size()));
    EXPECT_EQ(port.Counter("delivered"), 0u);

    const UniqueFd reader(open(port.Link().c_str(), O_RDONLY | O_NOCTTY));
    ASSERT_TRUE(reader);
    ASSERT_TRUE(port.WaitForCounter("opens", 2));
    const std::string fresh = "$GPRMC,after the open*00\r\n";
    ASSERT_TRUE(WriteAll(playback.Get(), fresh));
    EXPECT_EQ(hosttest::ReadExactly(reader.Get(), fresh.size()), fresh);
    EXPECT_EQ(port.Counter("delivered"), fresh.size());
}

// A reader that sets a read time-out (minimum 0, a second) notices that the playback stopped:
// the host keeps the timings a user set.
TEST(DeviceHostTest, AReaderWithAReadTimeOutSeesThePortFallSilent) {
    ServedPort port;
    ASSERT_TRUE(port.Started());
    const UniqueFd playback = OpenWriter(port.Identity().input);
    ASSERT_TRUE(port.WaitForCounter("opens", 1));
    const std::string burst = "$GPGGA,1*00\r\n$GPGLL,1*00\r\n";
    Child reader = StartReader(port, 2 * burst.size(), 1, {"--timeout"});
    ASSERT_TRUE(WriteAll(playback.Get(), burst));
    ASSERT_TRUE(port.WaitForCounter("delivered", burst.size()));
    ASSERT_TRUE(WriteAll(playback.Get(), burst));
    EXPECT_EQ(hosttest::ReadToEnd(reader.stdoutPipe.Get()), burst + burst);
    EXPECT_EQ(hosttest::WaitForExitCode(reader.pid), 3)
        << "its read after the last burst came back empty at the time-out";
}

// Two readers whose opens reach the host as one event (inotify merges identical events that
// wait unread): when one leaves, the other still gets what is played.
TEST(DeviceHostTest, ReadersThatOpenAtTheSameMomentAreEachServedUntilTheLastLeaves) {
    ServedPort port;
    ASSERT_TRUE(port.Started());
    const UniqueFd playback = OpenWriter(port.Identity().input);
    ASSERT_TRUE(port.WaitForCounter("opens", 1));
    const pid_t host = port.Identity().pid;
    ASSERT_EQ(kill(host, SIGSTOP), 0);
    UniqueFd first(open(port.Link().c_str(), O_RDONLY | O_NOCTTY));
    UniqueFd second(open(port.Link().c_str(), O_RDONLY | O_NOCTTY));
    ASSERT_EQ(kill(host, SIGCONT), 0);
    ASSERT_TRUE(first);
    ASSERT_TRUE(second);
    ASSERT_TRUE(port.WaitForCounter("opens", 2));
    first.Reset();
    ASSERT_TRUE(port.WaitForCounter("closes", 1));

    const std::string burst = "$GPRMC,for the one still there*00\r\n";
    ASSERT_TRUE(WriteAll(playback.Get(), burst));
    ASSERT_TRUE(port.WaitForCounter("written", burst.size()));
    pollfd entry{second.Get(), POLLIN, 0};
    ASSERT_EQ(poll(&entry, 1, 20000), 1)
        << "nothing came: " << *port.Counter("dropped") << " bytes dropped";
    EXPECT_EQ(hosttest::ReadExactly(second.Get(), burst.size()), burst);

    // Both left, though their closes may also have come as one.
    second.Reset();
    ASSERT_TRUE(port.WaitForCounter("closes", 2));
    ASSERT_TRUE(WriteAll(playback.Get(), burst));
    EXPECT_TRUE(port.WaitForCounter("dropped", burst.size())) << "nobody reads any more";
}

TEST(DeviceHostTest, AReaderAskingForEchoAndLineModesStillGetsTheBytesUnchanged) {
    ServedPort port;
    ASSERT_TRUE(port.Started());
    const UniqueFd writer = OpenWriter(port.Link());
    ASSERT_TRUE(port.WaitForCounter("opens", 1));
    // Carriage returns, interrupt, stop/start, end-of-file, erase and kill characters.
    const std::string traffic =
        std::string("$GPVTG,1\r\n\x03\x13\x11\x04\x7f\x15\x17\r\r\n", 19) + Traffic(20);
    Child reader = StartReader(port, traffic.size(), 1, {"--cooked"});
    ASSERT_TRUE(WriteAll(writer.Get(), traffic));
    EXPECT_TRUE(FinishReader(reader) == traffic);
    EXPECT_EQ(port.Counter("written"), traffic.size()) << "nothing echoed back into the port";
}

TEST(DeviceHostTest, OpensAndClosesOfUsersReachTheDriver) {
    ServedPort port;
    ASSERT_TRUE(port.Started());
    EXPECT_EQ(port.Counter("opens"), 0u);
    {
        const UniqueFd user(open(port.Link().c_str(), O_RDONLY | O_NOCTTY));
        ASSERT_TRUE(user);
        EXPECT_TRUE(port.WaitForCounter("opens", 1));
    }
    EXPECT_TRUE(port.WaitForCounter("closes", 1));
}

TEST(DeviceHostTest, TheDriverTraceAskedForOnStderrGoesOnWhileTheHostServes) {
    const testpaths::TempDir dir;
    const auto link = dir / "COM5:";
    const auto record = dir / "COM5.host";
    setenv("ZRV_DRIVER_TRACE", "stderr", 1);
    Child starter =
        hosttest::Spawn(hosttest::HostCommand(5, link, record), hosttest::Stderr::Captured);
    unsetenv("ZRV_DRIVER_TRACE");
    ASSERT_EQ(hosttest::WaitForExitCode(starter.pid), kHostServing);
    const auto identity = ReadHostIdentity(record);
    ASSERT_TRUE(identity);
    const bool opened = UniqueFd(open(link.c_str(), O_RDONLY | O_NOCTTY)).Get() >= 0;
    const std::string trace =
        hosttest::ReadUntil(starter.stderrPipe.Get(), "ZRV2SerialDrv - ~ COM_Close\n");
    std::string error;
    EXPECT_TRUE(StopHost(*identity, error)) << error;
    EXPECT_TRUE(opened);
    EXPECT_NE(trace.find("ZRV2SerialDrv - COM_Init - Context: COM5:\n"), std::string::npos)
        << trace;
    EXPECT_NE(trace.find("ZRV2SerialDrv - COM_Open\nhDeviceContext - 4660\n"), std::string::npos)
        << trace;
    EXPECT_NE(trace.find("ZRV2SerialDrv - COM_Close\nhOpenContext - 22136\n"), std::string::npos)
        << trace;
}

TEST(DeviceHostTest, StoppingRemovesTheNameAndTheRecord) {
    ServedPort port;
    ASSERT_TRUE(port.Started());
    const HostIdentity identity = port.Identity();
    std::string error;
    ASSERT_TRUE(StopHost(identity, error)) << error;
    port.Forget();
    EXPECT_FALSE(std::filesystem::is_symlink(port.Link()));
    EXPECT_FALSE(std::filesystem::exists(port.Record()));
    EXPECT_FALSE(QueryHostStatus(identity, error));
    EXPECT_FALSE(StopHost(identity, error)) << "a host that is gone is not stopped twice";
}

TEST(DeviceHostTest, TerminationSignalStopsInOrder) {
    ServedPort port;
    ASSERT_TRUE(port.Started());
    ASSERT_EQ(kill(port.Identity().pid, SIGTERM), 0);
    hosttest::WaitUntilGone(port.Identity().pid);
    port.Forget();
    EXPECT_FALSE(std::filesystem::is_symlink(port.Link()));
    EXPECT_FALSE(std::filesystem::exists(port.Record()));
}

TEST(DeviceHostTest, ALinkLeftByAKilledHostIsReplacedByTheNextHost) {
    ServedPort port;
    ASSERT_TRUE(port.Started());
    const HostIdentity killed = port.Identity();
    ASSERT_EQ(kill(killed.pid, SIGKILL), 0);
    hosttest::WaitUntilGone(killed.pid);
    port.Forget();
    ASSERT_TRUE(std::filesystem::is_symlink(port.Link())) << "the killed host left its name";
    std::string error;
    EXPECT_FALSE(StopHost(killed, error)) << "nothing answers for a host that is gone";

    ASSERT_EQ(hosttest::StartHost(5, port.Link(), port.Record()), kHostServing);
    const auto identity = ReadHostIdentity(port.Record());
    ASSERT_TRUE(identity);
    EXPECT_NE(identity->token, killed.token);
    EXPECT_EQ(std::filesystem::read_symlink(port.Link()), identity->slave);

    const UniqueFd writer = OpenWriter(port.Link());
    const std::string text = "$GPGGA,served again*00\r\n";
    const UniqueFd reader(open(port.Link().c_str(), O_RDONLY | O_NOCTTY));
    ASSERT_TRUE(writer && reader);
    ASSERT_TRUE(WriteAll(writer.Get(), text));
    EXPECT_EQ(hosttest::ReadExactly(reader.Get(), text.size()), text);
    ASSERT_TRUE(StopHost(*identity, error)) << error;
}

TEST(DeviceHostTest, ASecondHostForAServedPortIsRefused) {
    ServedPort port;
    ASSERT_TRUE(port.Started());
    EXPECT_EQ(hosttest::StartHost(5, port.Link(), port.Record()), kHostPortTaken);
    EXPECT_EQ(std::filesystem::read_symlink(port.Link()), port.Identity().slave);
    EXPECT_TRUE(port.Counter("opens")) << "the first host still serves";
}

TEST(DeviceHostTest, TheNameOfAnotherDeviceIsLeftAlone) {
    const testpaths::TempDir dir;
    const auto device = dir / "ttyUSB0";
    const auto link = dir / "COM5:";
    testpaths::WriteFileBytes(device, "");
    std::filesystem::create_symlink(device, link);
    EXPECT_EQ(hosttest::StartHost(5, link, dir / "COM5.host"), kHostPortTaken);
    EXPECT_EQ(std::filesystem::read_symlink(link), device);
    EXPECT_FALSE(std::filesystem::exists(dir / "COM5.host"));
}

TEST(DeviceHostTest, OnlyTheHostItselfCanBeAskedToStop) {
    ServedPort port;
    ASSERT_TRUE(port.Started());
    std::string error;
    HostIdentity otherProcess = port.Identity();
    otherProcess.pid = getpid(); // the record's process id now belongs to someone else
    EXPECT_FALSE(StopHost(otherProcess, error));
    HostIdentity wrongToken = port.Identity();
    wrongToken.token = NewHostToken();
    EXPECT_FALSE(StopHost(wrongToken, error));
    EXPECT_TRUE(port.Counter("opens")) << "the host still serves";
}

} // namespace
