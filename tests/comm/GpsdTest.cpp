#include "nmea/ProprietarySentences.h"
#include "nmea/Sentence.h"
#include "tests/comm/AppFixture.h"
#include "tests/comm/ChildProcess.h"
#include "tests/comm/Loopback.h"
#include "tests/comm/PseudoTerminal.h"
#include "tests/comm/TestLogs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <grp.h>
#include <poll.h>
#include <set>
#include <sstream>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace std::chrono_literals;

namespace {

constexpr const char* kGpsd = "/usr/sbin/gpsd";

// gpsd on a loopback port, reading one pseudo-terminal through a device-style link. It drops
// its privileges to the dialout group, so the terminal is handed to that group.
class Gpsd {
public:
    Gpsd(const testpaths::TempDir& home, const std::string& terminal)
        : m_port(FreeLoopbackPort()), m_link(home / "GPS0:") {
        if (const group* dialout = getgrnam("dialout")) {
            [[maybe_unused]] const int owned = chown(terminal.c_str(), 0, dialout->gr_gid);
        }
        chmod(terminal.c_str(), 0660);
        std::filesystem::create_symlink(terminal, m_link);
        m_process = std::make_unique<ChildProcess>(
            kGpsd,
            ChildProcess::Options{
                {"-N", "-n", "-b", "-s", "57600", "-S", std::to_string(m_port), m_link.string()},
                {},
                std::nullopt},
            home.Path());
        m_listening = WaitUntil([&] {
            const int fd = ConnectLoopback(m_port);
            if (fd < 0) {
                return false;
            }
            close(fd);
            return true;
        });
    }
    std::uint16_t Port() const { return m_port; }
    bool Listening() const { return m_listening; }

private:
    std::uint16_t m_port;
    std::filesystem::path m_link;
    std::unique_ptr<ChildProcess> m_process;
    bool m_listening = false;
};

// A client of gpsd's JSON reports.
class GpsdWatcher {
public:
    explicit GpsdWatcher(std::uint16_t port) : m_fd(ConnectLoopback(port)) {
        const std::string watch = "?WATCH={\"enable\":true,\"json\":true}\n";
        [[maybe_unused]] const ssize_t sent = write(m_fd, watch.data(), watch.size());
    }
    ~GpsdWatcher() { close(m_fd); }

    // The TPV reports that carry a time, until reports of `count` different times came or
    // `limit` passed (gpsd reports a second more than once: after GGA, RMC and GLL).
    std::vector<std::string> TimedPositions(std::size_t count, std::chrono::milliseconds limit) {
        std::vector<std::string> reports;
        std::set<std::string> times;
        std::string pending;
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (times.size() < count && std::chrono::steady_clock::now() < deadline) {
            pollfd p{m_fd, POLLIN, 0};
            if (poll(&p, 1, 200) <= 0) {
                continue;
            }
            char buffer[4096];
            const ssize_t got = read(m_fd, buffer, sizeof buffer);
            if (got <= 0) {
                break;
            }
            pending.append(buffer, static_cast<std::size_t>(got));
            for (std::size_t end; (end = pending.find('\n')) != std::string::npos;) {
                const std::string line = pending.substr(0, end);
                pending.erase(0, end + 1);
                if (line.find("\"class\":\"TPV\"") != std::string::npos &&
                    line.find("\"time\":") != std::string::npos) {
                    reports.push_back(line);
                    times.insert(line.substr(line.find("\"time\":"), 33)); // "time":"...Z"
                }
            }
        }
        return reports;
    }

private:
    int m_fd;
};

// The number after "name": in a JSON report; NaN when absent.
double Number(const std::string& report, const std::string& name) {
    const std::size_t at = report.find("\"" + name + "\":");
    return at == std::string::npos ? std::nan("") : std::stod(report.substr(at + name.size() + 3));
}

std::string Text(const std::string& report, const std::string& name) {
    const std::size_t at = report.find("\"" + name + "\":\"");
    if (at == std::string::npos) {
        return {};
    }
    const std::size_t start = at + name.size() + 4;
    return report.substr(start, report.find('"', start) - start);
}

// Copies what one terminal's slave writes into another terminal, as a cable would.
class Cable {
public:
    Cable(PseudoTerminal& from, PseudoTerminal& to)
        : m_thread([this, &from, &to] {
              while (!m_stop) {
                  const std::string bytes = from.Read(4096, 50ms);
                  if (!bytes.empty()) {
                      to.Write(bytes);
                  }
              }
          }) {}
    ~Cable() {
        m_stop = true;
        m_thread.join();
    }

private:
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

TEST(GpsdAsConsumer, ReportsThePositionsSpeedsAndTimesOfThePointsPlayed) {
    if (access(kGpsd, X_OK) != 0) {
        GTEST_SKIP() << "gpsd is not installed";
    }
    AppFixture f;
    PseudoTerminal destination;
    PseudoTerminal gpsdSide;
    Gpsd gpsd(f.home, gpsdSide.SlavePath());
    ASSERT_TRUE(gpsd.Listening());
    GpsdWatcher watcher(gpsd.Port());
    Cable cable(destination, gpsdSide);

    const auto file = f.home / "drive.txt";
    testpaths::WriteFileBytes(file, testlogs::SyntheticDrive(30));
    f.app->LoadRecordFile(file.string(), "drive.txt");
    f.WaitForPlaybackLoaded();
    f.view.Show(1, 1);
    f.app->SetPlaybackMode(PlaybackMode::Play);
    f.app->SerialDestination().SetPortName(destination.SlavePath());
    f.app->PlaybackToCommand();
    ASSERT_TRUE(f.app->SerialDestination().IsRunning());

    const std::vector<std::string> reports = watcher.TimedPositions(4, 30s);
    f.app->PlaybackToCommand();
    ASSERT_GE(reports.size(), 4u);
    const std::vector<TrackPoint> points = f.Points(1);
    std::string previousTime;
    int seconds = 0;
    for (const std::string& report : reports) {
        const std::string time = Text(report, "time");
        EXPECT_GE(time, previousTime) << "in order";
        if (time != previousTime) {
            ++seconds;
        }
        previousTime = time;
        // "2026-05-01T07:30:SS.000Z": the point of that second.
        const int second =
            std::stoi(time.substr(17, 2)) + 60 * (std::stoi(time.substr(14, 2)) - 30);
        ASSERT_GE(second, 0);
        ASSERT_LT(second, static_cast<int>(points.size()));
        const TrackPoint& point = points[static_cast<std::size_t>(second)];
        EXPECT_NEAR(Number(report, "lat"), point.Position().Latitude().DecimalDegrees(), 1e-6);
        EXPECT_NEAR(Number(report, "lon"), point.Position().Longitude().DecimalDegrees(), 1e-6);
        if (const double speed = Number(report, "speed"); !std::isnan(speed)) {
            EXPECT_NEAR(speed, point.SpeedOverGround() * 1852.0 / 3600.0, 0.01);
        }
    }
    EXPECT_GE(seconds, 4);
}

TEST(GpsdAsProducer, RecordingFromTheBuiltInGpsKeepsTheReceiversSentences) {
    if (access(kGpsd, X_OK) != 0) {
        GTEST_SKIP() << "gpsd is not installed";
    }
    testpaths::TempDir gpsdHome;
    PseudoTerminal receiver;
    Gpsd gpsd(gpsdHome, receiver.SlavePath());
    ASSERT_TRUE(gpsd.Listening());
    AppFixture f(RealSystemCalls(), GpsdAddress{"127.0.0.1", gpsd.Port()});
    f.app->SerialSource().SetPortName("GPD0:");
    f.app->RecordCommand();
    ASSERT_TRUE(f.app->SerialSource().IsRunning());

    const std::string recordFile = (f.paths.documentsDir / "2026_05_01_07_30_00_Fr.txt").string();
    const std::string headers =
        ProductVersionLine() + NoticeLine() + SourceLine("GPD0:").value_or("");
    // gpsd hands on only what arrives after it took our watch: the receiver talks until the
    // first of its sentences reaches the file.
    const std::string hello = *FinishLine("$GPTXT,01,01,02,hello*");
    ASSERT_TRUE(WaitUntil([&] {
        receiver.Write(hello);
        std::this_thread::sleep_for(50ms);
        return testpaths::ReadFileBytes(recordFile).size() > headers.size();
    }));

    const std::vector<std::string> sentences =
        testlogs::KeptSentences(testlogs::SyntheticDrive(40));
    for (std::size_t i = 0; i < sentences.size(); i += 3) {
        receiver.Write(sentences[i] + sentences[i + 1] + sentences[i + 2]);
        std::this_thread::sleep_for(20ms);
    }
    // The last sentence is complete at its line end: it needs no "$" after it.
    ASSERT_TRUE(WaitUntil(
        [&] { return testpaths::ReadFileBytes(recordFile).ends_with(sentences.back()); }));
    f.prompts.Answer(PromptAnswer::Yes);
    f.app->RecordCommand();

    std::string recorded = testpaths::ReadFileBytes(recordFile);
    ASSERT_EQ(recorded.rfind(headers, 0), 0u);
    recorded.erase(0, headers.size());
    while (recorded.starts_with(hello)) {
        recorded.erase(0, hello.size());
    }
    std::string expected;
    for (const std::string& sentence : sentences) {
        expected += sentence;
    }
    EXPECT_EQ(recorded, expected);
    f.WaitForPlaybackLoaded();
    EXPECT_EQ(f.Points(1).size(), 40u);
}

// gpsfake replays a real receiver's log through its own gpsd, over and over: recording from the
// built-in GPS keeps exactly what that receiver said, stretches of its log in their order. The
// log holds only sentences that gpsd and the assembly both pass on (good checksums, short
// lines).
TEST(GpsdAsProducer, GpsfakeReplayingAReceiverLogIsRecordedSentenceForSentence) {
    constexpr const char* kGpsfake = "/usr/bin/gpsfake";
    if (access(kGpsfake, X_OK) != 0) {
        GTEST_SKIP() << "gpsfake is not installed (Debian package gpsd-clients)";
    }
    CORPUS_DIR_OR_SKIP(corpus);
    const std::filesystem::path log = corpus / "nmea" / "bu353s4.log";
    std::vector<std::string> logLines;
    {
        std::istringstream text(testpaths::ReadFileBytes(log));
        for (std::string line; std::getline(text, line);) {
            if (line.starts_with("$")) {
                logLines.push_back(line.substr(0, line.find_last_not_of("\r\n") + 1));
            }
        }
    }
    ASSERT_GT(logLines.size(), 50u);

    testpaths::TempDir fakeHome;
    const std::uint16_t port = FreeLoopbackPort();
    // SIGINT lets gpsfake end its gpsd before it ends itself.
    ChildProcess gpsfake(
        kGpsfake,
        {{"-q", "-c", "0.02", "-P", std::to_string(port), log.string()}, {}, std::nullopt},
        fakeHome.Path());
    ASSERT_TRUE(WaitUntil([&] {
        const int fd = ConnectLoopback(port);
        if (fd < 0) {
            return false;
        }
        close(fd);
        return true;
    })) << "gpsfake's gpsd did not listen";

    AppFixture f(RealSystemCalls(), GpsdAddress{"127.0.0.1", port});
    f.app->SerialSource().SetPortName("GPD0:");
    f.app->RecordCommand();
    ASSERT_TRUE(f.app->SerialSource().IsRunning());
    const std::string recordFile = (f.paths.documentsDir / "2026_05_01_07_30_00_Fr.txt").string();
    const auto recordedLines = [&] {
        std::vector<std::string> lines;
        std::istringstream text(testpaths::ReadFileBytes(recordFile));
        for (std::string line; std::getline(text, line);) {
            lines.push_back(line.substr(0, line.find_last_not_of("\r\n") + 1));
        }
        return lines;
    };
    const std::size_t headerLines = 3;
    const bool enough = WaitUntil([&] { return recordedLines().size() >= headerLines + 60; });
    f.prompts.Answer(PromptAnswer::Yes);
    f.app->RecordCommand();
    gpsfake.Signal(SIGINT);
    gpsfake.Wait(20s);
    ASSERT_TRUE(enough) << "too few sentences arrived";

    const std::vector<std::string> recorded = recordedLines();
    ASSERT_EQ(recorded[2], "$PZRVSRC,GPD0:*39");
    // Each recorded sentence follows its predecessor in the log, or starts the log again.
    std::set<std::pair<std::string, std::string>> successions;
    for (std::size_t i = 0; i < logLines.size(); ++i) {
        successions.emplace(logLines[i], logLines[(i + 1) % logLines.size()]);
    }
    for (std::size_t i = headerLines + 1; i < recorded.size(); ++i) {
        EXPECT_TRUE(successions.count({recorded[i - 1], recorded[i]}) != 0)
            << recorded[i - 1] << "\nthen " << recorded[i];
    }
    f.WaitForPlaybackLoaded();
    EXPECT_GT(f.Points(1).size(), 0u);
}

} // namespace
