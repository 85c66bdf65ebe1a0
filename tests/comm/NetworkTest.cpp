#include "comm/DeviceSelection.h"
#include "comm/NetworkAddress.h"
#include "comm/NetworkReaders.h"
#include "nmea/ProprietarySentences.h"
#include "platform/SettingsStore.h"
#include "tests/comm/AppFixture.h"
#include "tests/comm/Loopback.h"
#include "tests/comm/TestLogs.h"
#include "tests/tracks/NmeaLines.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <cerrno>
#include <condition_variable>
#include <mutex>
#include <netinet/in.h>
#include <numeric>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

using namespace std::chrono_literals;

namespace {

// Reads what the socket holds until `enough` says the text suffices, the peer closes, or
// 20 s pass; `closed` tells whether it ended with the peer's close or reset.
std::string ReadUntil(int fd, const std::function<bool(const std::string&)>& enough,
                      bool* closed = nullptr) {
    std::string text;
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    while (!enough(text) && std::chrono::steady_clock::now() < deadline) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 100) <= 0) {
            continue;
        }
        char buffer[4096];
        const ssize_t got = recv(fd, buffer, sizeof buffer, 0);
        if (got <= 0) {
            if (closed != nullptr) {
                *closed = true;
            }
            break;
        }
        text.append(buffer, static_cast<std::size_t>(got));
    }
    return text;
}

std::size_t Count(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++count;
    }
    return count;
}

// The mnemonics of the sentences in a stream, in order.
std::vector<std::string> Mnemonics(const std::string& stream) {
    std::vector<std::string> out;
    for (std::size_t at = stream.find('$'); at != std::string::npos;
         at = stream.find('$', at + 1)) {
        out.push_back(stream.substr(at + 3, 3));
    }
    return out;
}

// The text up to the end of the `n`th burst (its GLL line).
std::string FirstBursts(const std::string& stream, std::size_t n) {
    std::size_t at = 0;
    for (std::size_t i = 0; i < n; ++i) {
        at = stream.find("GLL,", at);
        at = stream.find('\n', at) + 1;
    }
    return stream.substr(0, at);
}

// Whole bursts only: each runs GGA, GSA, RMC, VTG, GLL, with GSV after GSA in some.
void ExpectWholeBursts(const std::string& stream) {
    std::vector<std::vector<std::string>> bursts;
    for (const std::string& mnemonic : Mnemonics(stream)) {
        if (mnemonic == "GGA" || bursts.empty()) {
            bursts.emplace_back();
        }
        bursts.back().push_back(mnemonic);
    }
    ASSERT_FALSE(bursts.empty());
    for (std::vector<std::string>& burst : bursts) {
        std::erase(burst, "GSV");
        EXPECT_EQ(burst, (std::vector<std::string>{"GGA", "GSA", "RMC", "VTG", "GLL"})) << stream;
    }
}

class NetworkPlayback : public ::testing::Test {
protected:
    void SetUp() override {
        const std::filesystem::path file = f.home / "drive.txt";
        testpaths::WriteFileBytes(file, testlogs::SyntheticDrive(250));
        f.app->LoadRecordFile(file.string(), "drive.txt");
        f.WaitForPlaybackLoaded();
        port = FreeLoopbackPort();
    }
    void TearDown() override {
        if (f.app->IsDestinationRunning()) {
            f.app->PlaybackToCommand();
        }
    }
    void Play(NetworkProtocol protocol) {
        SelectNetworkAddress(*f.app, Direction::Playback,
                             NetworkAddress{protocol, kLoopbackHost, port});
        f.app->PlaybackToCommand();
        ASSERT_TRUE(f.app->NetworkDestination().IsRunning())
            << testing::PrintToString(f.prompts.Texts());
    }

    AppFixture f;
    std::uint16_t port = 0;
};

TEST_F(NetworkPlayback, ALateReaderGetsWholeBurstsAndWhatReadersSendIsDropped) {
    Play(NetworkProtocol::TcpServer);
    const int early = ConnectLoopback(port);
    ASSERT_GE(early, 0);
    std::string earlyStream =
        ReadUntil(early, [](const std::string& s) { return Count(s, "GLL,") >= 2; });
    const int late = ConnectLoopback(port);
    ASSERT_GE(late, 0);
    // A waypoint and bytes that are no sentence: neither is taken, nor does either end the
    // playback or the reader's bursts, nor does the end of what it sends.
    const std::string input =
        nmealines::Line("GPWPL,4916.4500,N,12311.1200,W,NETWPT") + "stop\r\n\x01\xff";
    ASSERT_EQ(send(late, input.data(), input.size(), MSG_NOSIGNAL),
              static_cast<ssize_t>(input.size()));
    // Nothing more to say (netcat with its input at an end): it still reads.
    shutdown(late, SHUT_WR);
    const std::string lateStream =
        FirstBursts(ReadUntil(late, [](const std::string& s) { return Count(s, "GLL,") >= 3; }), 3);
    ASSERT_EQ(Count(lateStream, "GLL,"), 3u);
    EXPECT_TRUE(lateStream.starts_with("$GPGGA,")) << lateStream;
    ExpectWholeBursts(lateStream);
    // Every reader is sent the same bursts.
    earlyStream += ReadUntil(early, [&](const std::string& s) {
        return (earlyStream + s).find(lateStream) != std::string::npos;
    });
    EXPECT_NE(earlyStream.find(lateStream), std::string::npos);
    EXPECT_LT(f.app->Document().Store().FindWaypoint("NETWPT"), 0);
    EXPECT_TRUE(f.app->NetworkDestination().IsRunning());
    EXPECT_TRUE(f.prompts.Texts().empty());
    close(early);
    close(late);
}

TEST_F(NetworkPlayback, DatagramsCarryWholeBursts) {
    const int listener = BindLoopbackDatagrams(port);
    ASSERT_GE(listener, 0);
    Play(NetworkProtocol::Udp);
    for (int i = 0; i < 2; ++i) {
        const std::string text = ReceiveDatagram(listener);
        ASSERT_FALSE(text.empty());
        EXPECT_TRUE(text.starts_with("$GPGGA,")) << text;
        EXPECT_TRUE(text.ends_with("\r\n")) << text;
        ExpectWholeBursts(text);
    }
    close(listener);
}

// A reader that takes nothing fills its queue and is disconnected; the one that reads gets
// every burst, and the bursts are handed over without waiting for either.
TEST(NetworkReaders, ASlowReaderIsDisconnectedWithoutHoldingUpTheOthers) {
    NetworkReaders readers;
    ASSERT_FALSE(readers.Listen(kLoopbackHost, 0, "tcp-server://127.0.0.1:0"));
    WorkerThreadSlot serving;
    ASSERT_TRUE(serving.Start([&] { return readers.Serve(serving); }));
    const int slow = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int small = 4096;
    setsockopt(slow, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(readers.Port());
    ASSERT_EQ(connect(slow, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    const int fast = ConnectLoopback(readers.Port());
    ASSERT_GE(fast, 0);
    ASSERT_TRUE(WaitUntil([&] { return readers.ReaderCount() == 2; }));

    // The bursts come as fast as the reader that keeps up takes them, a few ahead of it.
    constexpr int kBursts = 1000;
    constexpr std::size_t kAhead = 4;
    const auto burstOf = [](int i) {
        return "$GPXXX," + std::to_string(i) + std::string(1000, 'x') + "\r\n";
    };
    std::string expected;
    std::vector<std::size_t> ends;
    for (int i = 0; i < kBursts; ++i) {
        expected += burstOf(i);
        ends.push_back(expected.size());
    }
    std::mutex mutex;
    std::condition_variable progressed;
    std::string received;
    std::thread reader([&] {
        char buffer[65536];
        for (;;) {
            const ssize_t got = recv(fast, buffer, sizeof buffer, 0);
            std::lock_guard lock(mutex);
            if (got <= 0 || received.size() >= expected.size()) {
                break;
            }
            received.append(buffer, static_cast<std::size_t>(got));
            progressed.notify_all();
        }
    });
    for (int i = 0; i < kBursts; ++i) {
        std::unique_lock lock(mutex);
        const std::size_t before = static_cast<std::size_t>(i) < kAhead ? 0 : ends[i - kAhead];
        ASSERT_TRUE(progressed.wait_for(lock, 20s, [&] { return received.size() >= before; }))
            << "burst " << i;
        lock.unlock();
        readers.Broadcast(burstOf(i));
    }
    {
        std::unique_lock lock(mutex);
        progressed.wait_for(lock, 20s, [&] { return received.size() >= expected.size(); });
    }
    shutdown(fast, SHUT_RD);
    reader.join();
    EXPECT_EQ(received, expected);
    EXPECT_EQ(readers.DroppedCount(), 1u);
    bool closed = false;
    const std::string slowGot = ReadUntil(
        slow, [](const std::string&) { return false; }, &closed);
    EXPECT_TRUE(closed);
    EXPECT_LT(slowGot.size(), expected.size());
    EXPECT_TRUE(expected.starts_with(slowGot));
    EXPECT_EQ(readers.ReaderCount(), 1u);
    serving.Stop();
    close(slow);
    close(fast);
}

TEST(NetworkAddresses, UrlsOfEachDirectionAreReadAndWrittenBack) {
    struct Case {
        const char* url;
        Direction direction;
        const char* written; // empty: refused
    };
    const Case cases[] = {
        {"tcp://192.168.1.20:10110", Direction::Record, "tcp://192.168.1.20:10110"},
        {"tcp://:2947", Direction::Record, "tcp://127.0.0.1:2947"},
        {"udp://[::1]:10110", Direction::Record, "udp://[::1]:10110"},
        {"tcp-server://:10110", Direction::Playback, "tcp-server://127.0.0.1:10110"},
        {"tcp-server://0.0.0.0:10110", Direction::Playback, "tcp-server://0.0.0.0:10110"},
        {"udp://phone.local:10110", Direction::Playback, "udp://phone.local:10110"},
        {"tcp-server://:10110", Direction::Record, ""},
        {"tcp://host:10110", Direction::Playback, ""},
        {"tcp://host", Direction::Record, ""},
        {"tcp://host:", Direction::Record, ""},
        {"tcp://host:0", Direction::Record, ""},
        {"tcp://host:65536", Direction::Record, ""},
        {"tcp://host:12x", Direction::Record, ""},
        {"tcp://::1:10110", Direction::Record, ""},
        {"tcp://[::1:10110", Direction::Record, ""},
        {"tcp://a/b:10110", Direction::Record, ""},
        {"tcp://a b:10110", Direction::Record, ""},
    };
    for (const Case& c : cases) {
        std::string problem;
        const auto address = ParseNetworkAddress(c.url, c.direction, problem);
        if (std::string(c.written).empty()) {
            EXPECT_FALSE(address) << c.url;
            EXPECT_NE(problem.find(c.url), std::string::npos) << problem;
        } else {
            ASSERT_TRUE(address) << c.url << ": " << problem;
            EXPECT_EQ(NetworkAddressText(*address), c.written);
        }
    }
}

// A network choice survives a restart, names the idle items, and gives way to a serial one.
TEST(NetworkSelection, IsStoredRestoredAndReplacedByAnotherKindOfDevice) {
    AppFixture f;
    f.app->SerialSource().SetPortName("COM1:");
    const NetworkAddress source{NetworkProtocol::Tcp, "192.168.1.20", 10110};
    const NetworkAddress destination{NetworkProtocol::TcpServer, "0.0.0.0", 10110};
    EXPECT_TRUE(SelectNetworkAddress(*f.app, Direction::Record, source));
    EXPECT_FALSE(SelectNetworkAddress(*f.app, Direction::Record, source));
    SelectNetworkAddress(*f.app, Direction::Playback, destination);
    EXPECT_TRUE(f.app->SerialSource().GetPortName().empty());

    ApplicationCore restarted(
        ApplicationServices{f.paths, *f.registry, f.prompts, f.view, f.timers, f.clock});
    restarted.ApplySettings(LoadSettings(*f.registry));
    EXPECT_EQ(restarted.NetworkSource().Address(), source);
    EXPECT_EQ(restarted.NetworkDestination().Address(), destination);
    EXPECT_EQ(RecordItemText(restarted), "Record &from tcp://192.168.1.20:10110");
    EXPECT_EQ(PlaybackItemText(restarted), "Playback &to tcp-server://0.0.0.0:10110");

    EXPECT_TRUE(SelectSerialPort(restarted, Direction::Record, "COM2:"));
    EXPECT_FALSE(restarted.NetworkSource().HasAddress());
    EXPECT_EQ(LoadSettings(*f.registry).source.kind, DeviceKind::SerialPort);
    EXPECT_EQ(LoadSettings(*f.registry).destination.networkAddress, "tcp-server://0.0.0.0:10110");
}

// Datagrams are listened for at the address; a sentence that ends a datagram without its line
// end is written with one, so that the next datagram's first sentence starts a line.
TEST(NetworkRecording, EachDatagramsSentencesAreRecorded) {
    AppFixture f;
    const std::uint16_t port = FreeLoopbackPort();
    const NetworkAddress address{NetworkProtocol::Udp, kLoopbackHost, port};
    SelectNetworkAddress(*f.app, Direction::Record, address);
    f.app->RecordCommand();
    ASSERT_TRUE(f.app->NetworkSource().IsRunning()) << testing::PrintToString(f.prompts.Texts());
    const std::filesystem::path file = f.app->NetworkSource().RecordFileName();
    const std::string drive = testlogs::SyntheticDrive(4);
    std::vector<std::string> sentences = testlogs::KeptSentences(drive);
    const int sender = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    to.sin_port = htons(port);
    std::string expected = ProductVersionLine() + NoticeLine() +
                           SourceLine("udp://127.0.0.1:" + std::to_string(port)).value();
    // The first datagram holds two sentences, the others one each without its CR LF.
    const std::string first = sentences[0] + sentences[1];
    sendto(sender, first.data(), first.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
    expected += first;
    for (std::size_t i = 2; i < sentences.size(); ++i) {
        const std::string bare = sentences[i].substr(0, sentences[i].size() - 2);
        sendto(sender, bare.data(), bare.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
        expected += sentences[i];
    }
    close(sender);
    ASSERT_TRUE(WaitUntil([&] {
        std::error_code error;
        return std::filesystem::file_size(file, error) >= expected.size();
    }));
    EXPECT_TRUE(WaitUntil([&] { return f.Points(2).size() == 4; }));
    f.prompts.Answer(PromptAnswer::Yes);
    f.app->RecordCommand();
    EXPECT_EQ(testpaths::ReadFileBytes(file), expected);
}

} // namespace
