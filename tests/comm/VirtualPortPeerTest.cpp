// The virtual port as other programs meet it: the command-line companion registers it and
// ends, plays a track into it, and separate programs (a plain termios reader, gpsd) read the
// bursts from the device folder's "COMn:".
#include "comm/DeviceManager.h"
#include "comm/VirtualPortRegistration.h"
#include "nmea/Sentence.h"
#include "platform/PlatformPaths.h"
#include "platform/RegistryAccessor.h"
#include "platform/RegistryStore.h"
#include "platform/ScriptedPrompts.h"
#include "platform/SettingsKeys.h"
#include "tests/comm/AppFixture.h"
#include "tests/comm/ChildProcess.h"
#include "tests/comm/Loopback.h"
#include "tests/comm/ServiceTestSupport.h"
#include "tests/comm/TestLogs.h"
#include "tests/support/TestPaths.h"

#include <cmath>
#include <csignal>
#include <gtest/gtest.h>
#include <memory>
#include <poll.h>
#include <unistd.h>

using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

constexpr const char* kGpsd = "/usr/sbin/gpsd";
// The synthetic drive: point i is at 48.1 + i / 10000 degrees north, 11.5 + i / 10000 east.
constexpr double kFirstLatitude = 48.1;
constexpr double kFirstLongitude = 11.5;
constexpr double kStep = 0.0001;
constexpr double kTolerance = 1e-6; // degrees; the bursts carry 1/10000 of a minute

// The index of the drive's point at this position, or -1.
int DrivePointAt(double latitude, double longitude) {
    const int index = static_cast<int>(std::lround((latitude - kFirstLatitude) / kStep));
    const bool here = std::fabs(latitude - (kFirstLatitude + index * kStep)) < kTolerance &&
                      std::fabs(longitude - (kFirstLongitude + index * kStep)) < kTolerance;
    return here ? index : -1;
}

// Degrees from an NMEA "ddmm.mmmm" field with `width` degree digits.
double Degrees(const std::string& field, std::size_t width) {
    return std::stod(field.substr(0, width)) + std::stod(field.substr(width)) / 60.0;
}

std::vector<std::string> Fields(const std::string& sentence) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    const std::size_t end = sentence.find('*');
    for (std::size_t comma; (comma = sentence.find(',', start)) < end; start = comma + 1) {
        fields.push_back(sentence.substr(start, comma - start));
    }
    fields.push_back(sentence.substr(start, end - start));
    return fields;
}

// The indexes of the points that `play` reports sending ("sent 3/59 ...").
std::vector<int> SentPoints(const std::string& output) {
    std::vector<int> points;
    for (std::size_t at = 0; (at = output.find("sent ", at)) != std::string::npos; at += 5) {
        points.push_back(std::stoi(output.substr(at + 5)));
    }
    return points;
}

// Checks that `received` is exactly `count` whole bursts of well-formed sentences and returns
// the drive points of their GGA lines.
std::vector<int> CheckedBursts(std::string received, int count) {
    std::vector<std::string> types;
    std::vector<int> points;
    for (std::size_t end; (end = received.find("\r\n")) != std::string::npos;) {
        const std::string line = received.substr(0, end);
        received.erase(0, end + 2);
        SCOPED_TRACE(line);
        const std::size_t star = line.find('*');
        EXPECT_TRUE(line.starts_with("$GP") && star != std::string::npos);
        if (star == std::string::npos) {
            continue;
        }
        EXPECT_EQ(std::stoi(line.substr(star + 1), nullptr, 16),
                  LineChecksum(line.substr(0, star + 1)));
        const std::vector<std::string> fields = Fields(line);
        types.push_back(fields[0].substr(3));
        if (types.back() == "GGA") {
            points.push_back(DrivePointAt(Degrees(fields[2], 2), Degrees(fields[4], 3)));
        }
    }
    EXPECT_TRUE(received.empty()) << "a partial line: " << received;
    std::erase(types, "GSV");
    const std::vector<std::string> burst = {"GGA", "GSA", "RMC", "VTG", "GLL"};
    std::vector<std::string> expected;
    for (int i = 0; i < count; ++i) {
        expected.insert(expected.end(), burst.begin(), burst.end());
    }
    EXPECT_EQ(types, expected);
    return points;
}

// A user's home with its settings, documents and device folder, and the companion run in it.
class CompanionHome {
public:
    CompanionHome()
        : paths(PlatformPaths::Below(home.Path())), registry(paths, &prompts),
          devices(paths, servicetest::BuiltServiceFolders()) {
        fs::create_directories(paths.documentsDir);
    }
    ~CompanionHome() { servicetest::StopServingHosts(paths); }

    std::unique_ptr<ChildProcess> Start(const std::vector<std::string>& arguments) {
        const fs::path output = home / ("run-" + std::to_string(++m_runs));
        fs::create_directories(output);
        return std::make_unique<ChildProcess>(
            ZRV_CLI,
            ChildProcess::Options{arguments,
                                  {"HOME=" + home.Path().string(),
                                   "XDG_CONFIG_HOME=" + (home / "config").string(),
                                   "XDG_DOCUMENTS_DIR=" + paths.documentsDir.string()},
                                  std::nullopt},
            output);
    }
    // Runs the companion to its end; its exit code and standard output.
    std::pair<int, std::string> Run(const std::vector<std::string>& arguments) {
        const auto process = Start(arguments);
        const std::optional<int> code = process->Wait(60s);
        return {code.value_or(-1), process->Stdout() + process->Stderr()};
    }
    // Waits until the host of the stored handle has seen `opens` opens of its port.
    bool WaitForOpens(std::uint64_t opens) {
        const std::uint32_t handle = ReadServiceHandle(registry);
        return WaitUntil([&] {
            std::string reason;
            const auto status = devices.ServiceStatus(handle, reason);
            return status && servicetest::StatusNumber(*status, "opens").value_or(0) >= opens;
        });
    }
    fs::path Port(int index) const { return paths.deviceDir / VirtualPortName(index); }

    testpaths::TempDir home;
    PlatformPaths paths;
    ScriptedPrompts prompts;
    RegistryStore registry;
    DeviceManager devices;

private:
    int m_runs = 0;
};

TEST(VirtualPortPeers, APlainReaderGetsThePlayedBurstsAfterTheRegisteringProgramEnded) {
    CompanionHome user;
    auto [code, output] = user.Run({"vport", "register", "5"});
    ASSERT_EQ(code, 0) << output;
    const std::uint32_t handle = ReadServiceHandle(user.registry);
    EXPECT_NE(output.find("COM5: registered, ServiceHandle 0x"), std::string::npos) << output;
    EXPECT_EQ(ReadVirtualPortIndex(user.registry), 5);
    std::string reason;
    ASSERT_TRUE(user.devices.ServiceStatus(handle, reason)) << reason;

    const fs::path track = user.home / "drive.txt";
    testpaths::WriteFileBytes(track, testlogs::SyntheticDrive(4));
    ChildProcess reader(ZRV_PORT_PEER, {{user.Port(5).string(), "3", "--bursts"}, {}, std::nullopt},
                        user.home.Path());
    ASSERT_TRUE(reader.WaitForOutput("open\n", 20s));
    // The reader's open empties the port's queue; playing starts after the host saw it.
    ASSERT_TRUE(user.WaitForOpens(1));
    std::tie(code, output) = user.Run({"play", track.string(), "--to", "COM5:", "--once"});
    ASSERT_EQ(code, 0) << output;
    ASSERT_EQ(reader.Wait(30s), 0);
    const std::vector<int> sent = SentPoints(output);
    ASSERT_GE(sent.size(), 3u) << output;

    const std::vector<int> points = CheckedBursts(reader.Stdout().substr(5), 3);
    EXPECT_EQ(points, std::vector<int>(sent.begin(), sent.begin() + 3));

    // The same choice again is the next start-up's: the port is found and left alone.
    std::tie(code, output) = user.Run({"vport", "register", "5"});
    EXPECT_EQ(code, 0);
    EXPECT_NE(output.find("COM5: present already"), std::string::npos) << output;
    EXPECT_EQ(ReadServiceHandle(user.registry), handle);
    std::tie(code, output) = user.Run({"vport", "status"});
    EXPECT_EQ(code, 0);
    EXPECT_NE(output.find("VSerialPort: 5 (COM5:)\nServiceHandle: 0x"), std::string::npos)
        << output;
    EXPECT_NE(output.find("registration: serving, OK pid="), std::string::npos) << output;

    std::tie(code, output) = user.Run({"vport", "deregister"});
    EXPECT_EQ(code, 0) << output;
    EXPECT_FALSE(fs::is_symlink(user.Port(5)));
    EXPECT_EQ(ReadServiceHandle(user.registry), 0u);
    EXPECT_EQ(ReadVirtualPortIndex(user.registry), kNoVirtualPort);
}

// A reader like cat: it sets nothing on the port and reads with plain blocking reads. It opens
// the port while a track has played into it for a while with no reader.
TEST(VirtualPortPeers, APlainReaderJoiningAPlaybackGetsOnlyNewWholeBurstsAndNoEndOfFile) {
    CompanionHome user;
    ASSERT_EQ(user.Run({"vport", "register", "5"}).first, 0);
    const fs::path track = user.home / "drive.txt";
    testpaths::WriteFileBytes(track, testlogs::SyntheticDrive(60));
    const auto play = user.Start({"play", track.string(), "--to", "COM5:"});
    const std::uint32_t handle = ReadServiceHandle(user.registry);
    std::string status;
    // Three bursts played with nobody reading: none of them waits in the terminal.
    ASSERT_TRUE(WaitUntil([&] {
        std::string reason;
        status = user.devices.ServiceStatus(handle, reason).value_or("");
        return servicetest::StatusNumber(status, "written").value_or(0) > 1000;
    }));
    EXPECT_EQ(servicetest::StatusNumber(status, "delivered"), 0u) << status;

    ChildProcess reader(ZRV_PORT_PEER,
                        {{user.Port(5).string(), "4", "--plain", "--bursts"}, {}, std::nullopt},
                        user.home.Path());
    const std::optional<int> readerExit = reader.Wait(30s);
    play->Signal(SIGINT);
    EXPECT_EQ(play->Wait(30s), 0);
    ASSERT_EQ(readerExit, 0) << "the reader met an end of file: " << reader.Stdout();
    const std::vector<int> points = CheckedBursts(reader.Stdout().substr(5), 4);
    ASSERT_EQ(points.size(), 4u);
    EXPECT_GE(points[0], 3) << "an old position first";
    for (std::size_t i = 1; i < points.size(); ++i) {
        EXPECT_EQ(points[i], points[i - 1] + 1) << "a jump at burst " << i;
    }
}

TEST(VirtualPortPeers, TheDeviceListingNeverOpensTheVirtualPort) {
    CompanionHome user;
    ASSERT_EQ(user.Run({"vport", "register", "5"}).first, 0);
    const std::string slave = fs::read_symlink(user.Port(5)).string();
    auto [code, output] = user.Run({"devices"});
    EXPECT_EQ(code, 0);
    EXPECT_NE(output.find("COM5:\t" + slave + "\tvirtual port, served\n"), std::string::npos)
        << output;
    std::string reason;
    const auto status = user.devices.ServiceStatus(ReadServiceHandle(user.registry), reason);
    ASSERT_TRUE(status) << reason;
    EXPECT_EQ(servicetest::StatusNumber(*status, "opens"), 0u) << *status;

    // A killed host's terminal may be anyone's by now: it is not opened either.
    const auto pid = servicetest::StatusNumber(*status, "pid");
    ASSERT_TRUE(pid);
    ASSERT_EQ(kill(static_cast<pid_t>(*pid), SIGKILL), 0);
    ASSERT_TRUE(servicetest::WaitUntilHostGone(user.paths, 5));
    std::tie(code, output) = user.Run({"devices"});
    EXPECT_NE(output.find("COM5:\t" + slave + "\tvirtual port, its host is gone\n"),
              std::string::npos)
        << output;
}

// The choice outlives the host (the machine restarted, say): the next program start that loads
// the settings registers the chosen port again, so a playback into it just works.
TEST(VirtualPortPeers, AStartWithTheChosenPortMissingRegistersItBeforePlaying) {
    CompanionHome user;
    CRegistryAccessor choice(user.registry);
    choice.SetKey(settings_keys::kGeneral);
    choice.SetValueName(settings_keys::kVSerialPort);
    ASSERT_EQ(choice.WriteDword(4), 0);
    ASSERT_EQ(ReadServiceHandle(user.registry), 0u);

    const fs::path track = user.home / "drive.txt";
    testpaths::WriteFileBytes(track, testlogs::SyntheticDrive(2));
    const auto [code, output] = user.Run({"play", track.string(), "--to", "COM4:", "--once"});
    ASSERT_EQ(code, 0) << output;
    EXPECT_FALSE(SentPoints(output).empty()) << output;
    const std::uint32_t handle = ReadServiceHandle(user.registry);
    ASSERT_NE(handle, 0u);
    std::string reason;
    const std::optional<std::string> status = user.devices.ServiceStatus(handle, reason);
    ASSERT_TRUE(status) << reason;
    EXPECT_GT(servicetest::StatusNumber(*status, "written").value_or(0), 0u) << *status;
    EXPECT_TRUE(fs::is_symlink(user.Port(4)));
}

// The drive points of gpsd's position reports, until `count` different ones came.
std::vector<int> ReportedDrivePoints(int fd, std::size_t count) {
    const std::string watch = "?WATCH={\"enable\":true,\"json\":true}\n";
    if (write(fd, watch.data(), watch.size()) != static_cast<ssize_t>(watch.size())) {
        return {};
    }
    std::vector<int> points;
    std::string pending;
    const auto number = [](const std::string& report, const std::string& name) {
        const std::size_t at = report.find("\"" + name + "\":");
        return at == std::string::npos ? std::nan("")
                                       : std::stod(report.substr(at + name.size() + 3));
    };
    const auto deadline = std::chrono::steady_clock::now() + 60s;
    while (points.size() < count && std::chrono::steady_clock::now() < deadline) {
        pollfd entry{fd, POLLIN, 0};
        if (poll(&entry, 1, 200) <= 0) {
            continue;
        }
        char buffer[4096];
        const ssize_t got = read(fd, buffer, sizeof buffer);
        if (got <= 0) {
            break;
        }
        pending.append(buffer, static_cast<std::size_t>(got));
        for (std::size_t end; (end = pending.find('\n')) != std::string::npos;) {
            const std::string report = pending.substr(0, end);
            pending.erase(0, end + 1);
            if (report.find("\"class\":\"TPV\"") == std::string::npos ||
                report.find("\"lat\":") == std::string::npos) {
                continue;
            }
            const int point = DrivePointAt(number(report, "lat"), number(report, "lon"));
            if (points.empty() || points.back() != point) {
                points.push_back(point);
            }
        }
    }
    return points;
}

TEST(VirtualPortPeers, GpsdReadsThePortWhileATrackPlays) {
    if (access(kGpsd, X_OK) != 0) {
        GTEST_SKIP() << "gpsd is not installed (Debian package gpsd)";
    }
    CompanionHome user;
    const auto [code, output] = user.Run({"vport", "register", "3"});
    ASSERT_EQ(code, 0) << output;
    const std::uint16_t port = FreeLoopbackPort();
    ChildProcess gpsd(kGpsd,
                      {{"-N", "-n", "-b", "-s", "57600", "-S", std::to_string(port), "-F",
                        (user.home / "gpsd.sock").string(), user.Port(3).string()},
                       {},
                       std::nullopt},
                      user.home.Path());
    ASSERT_TRUE(user.WaitForOpens(1)) << "gpsd did not open the port";
    int fd = -1;
    ASSERT_TRUE(WaitUntil([&] { return (fd = ConnectLoopback(port)) >= 0; }));

    const fs::path track = user.home / "drive.txt";
    testpaths::WriteFileBytes(track, testlogs::SyntheticDrive(60));
    const auto play = user.Start({"play", track.string(), "--to", "COM3:"});
    const std::vector<int> points = ReportedDrivePoints(fd, 3);
    close(fd);
    play->Signal(SIGINT);
    EXPECT_EQ(play->Wait(30s), 0);
    gpsd.Signal(SIGTERM);
    gpsd.Wait(30s);

    ASSERT_EQ(points.size(), 3u) << "gpsd reported too few positions";
    for (std::size_t i = 0; i < points.size(); ++i) {
        EXPECT_GE(points[i], 0) << "report " << i << " is no point of the track";
        if (i > 0) {
            EXPECT_EQ(points[i], points[i - 1] + 1) << "report " << i;
        }
    }
}

} // namespace
