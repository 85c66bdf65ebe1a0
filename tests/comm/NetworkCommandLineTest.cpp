#include "nmea/ProprietarySentences.h"
#include "tests/comm/AppFixture.h"
#include "tests/comm/ChildProcess.h"
#include "tests/comm/Loopback.h"
#include "tests/comm/TestLogs.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <csignal>
#include <netinet/in.h>
#include <numeric>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace std::chrono_literals;

namespace {

// The companion run in a home of its own.
class Companion {
public:
    ChildProcess Run(std::vector<std::string> arguments) {
        return ChildProcess(
            ZRV_CLI,
            {std::move(arguments),
             {"HOME=" + home.Path().string(), "XDG_CONFIG_HOME=" + (home / "config").string(),
              "XDG_DOCUMENTS_DIR=" + Documents().string(),
              "ZRV_DEVICE_ROOT=" + (home / "dev").string()},
             std::nullopt},
            home.Path());
    }
    std::filesystem::path Documents() const { return home / "Documents"; }

    testpaths::TempDir home;
};

// A TCP server on the loopback address, as a phone's NMEA server would be.
class NmeaServer {
public:
    NmeaServer() : m_fd(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
        const int on = 1;
        setsockopt(m_fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
        listen(m_fd, 4);
        socklen_t length = sizeof address;
        getsockname(m_fd, reinterpret_cast<sockaddr*>(&address), &length);
        m_port = ntohs(address.sin_port);
    }
    ~NmeaServer() { close(m_fd); }
    std::uint16_t Port() const { return m_port; }
    std::string Url() const { return "tcp://127.0.0.1:" + std::to_string(m_port); }
    // The next connection, or -1 when none came within 20 s.
    int Accept() const {
        pollfd p{m_fd, POLLIN, 0};
        return poll(&p, 1, 20000) == 1 ? accept4(m_fd, nullptr, nullptr, SOCK_CLOEXEC) : -1;
    }

private:
    int m_fd;
    std::uint16_t m_port = 0;
};

std::string Kept(const std::string& stream) {
    const auto sentences = testlogs::KeptSentences(stream);
    return std::accumulate(sentences.begin(), sentences.end(), std::string());
}

std::filesystem::path RecordFileOf(const ChildProcess& process) {
    const std::string out = process.Stdout();
    const std::size_t into = out.find(" into ");
    if (into == std::string::npos) {
        return {};
    }
    return out.substr(into + 6, out.find('\n', into) - into - 6);
}

bool FileReaches(const std::filesystem::path& path, std::size_t size) {
    return WaitUntil([&] {
        std::error_code error;
        return std::filesystem::file_size(path, error) >= size && !error;
    });
}

TEST(NetworkRecordCommandLine, ADroppedConnectionIsMadeAgainAndTheRecordingGoesOnInTheSameFile) {
    Companion companion;
    NmeaServer server;
    ChildProcess process = companion.Run({"record", server.Url()});
    const int first = server.Accept();
    ASSERT_GE(first, 0) << process.Stderr();
    ASSERT_TRUE(process.WaitForOutput(" into ", 20s)) << process.Stderr();
    const std::filesystem::path file = RecordFileOf(process);
    const std::string drive = testlogs::SyntheticDrive(20);
    const std::size_t half = drive.size() / 2;
    // The drop cuts a sentence in two: its first part never reaches the file.
    const std::string before = drive.substr(0, half);
    const std::string after = drive.substr(drive.find('$', half));
    const std::string headers =
        ProductVersionLine() + NoticeLine() + SourceLine(server.Url()).value();
    ASSERT_EQ(send(first, before.data(), before.size(), MSG_NOSIGNAL),
              static_cast<ssize_t>(before.size()));
    const std::string keptBefore = Kept(before);
    ASSERT_TRUE(FileReaches(file, headers.size() + keptBefore.size()));
    close(first);
    ASSERT_TRUE(process.WaitForOutput("the connection to " + server.Url() + " was lost", 20s))
        << process.Stdout();
    const int second = server.Accept();
    ASSERT_GE(second, 0);
    ASSERT_TRUE(process.WaitForOutput("connected again to " + server.Url(), 20s))
        << process.Stdout();
    ASSERT_EQ(send(second, after.data(), after.size(), MSG_NOSIGNAL),
              static_cast<ssize_t>(after.size()));
    const std::string expected = headers + keptBefore + Kept(after);
    ASSERT_TRUE(FileReaches(file, expected.size()));
    ASSERT_TRUE(process.WaitForOutput("points 20", 20s)) << process.Stdout();
    process.Signal(SIGTERM);
    EXPECT_EQ(process.Wait(20s), 0) << process.Stderr();
    EXPECT_EQ(testpaths::ReadFileBytes(file), expected);
    close(second);
}

TEST(NetworkRecordCommandLine, AServerThatRefusesIsReportedAndTheRunFails) {
    Companion companion;
    const std::string url = "tcp://127.0.0.1:" + std::to_string(FreeLoopbackPort());
    ChildProcess process = companion.Run({"record", url});
    EXPECT_EQ(process.Wait(20s), 1);
    EXPECT_NE(
        process.Stderr().find("connect failed, error 111: Connection refused\nContext: " + url),
        std::string::npos)
        << process.Stderr();
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(companion.Documents(), error)) {
        EXPECT_NE(entry.path().extension(), ".txt") << entry.path();
    }
}

} // namespace
