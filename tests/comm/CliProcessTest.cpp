#include "nmea/ProprietarySentences.h"
#include "platform/SettingsKeys.h"
#include "platform/SettingsStore.h"
#include "tests/comm/AppFixture.h"
#include "tests/comm/ChildProcess.h"
#include "tests/comm/PseudoTerminal.h"
#include "tests/comm/TestLogs.h"
#include "tests/tracks/NmeaLines.h"

#include <gtest/gtest.h>

#include <bluetooth/bluetooth.h>
#include <bluetooth/rfcomm.h>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <numeric>
#include <sys/socket.h>
#include <unistd.h>
#include <utility>

using namespace std::chrono_literals;

namespace {

// The companion run in a home of its own.
class Companion {
public:
    ChildProcess Run(std::vector<std::string> arguments,
                     std::optional<long long> fileSizeLimit = std::nullopt,
                     std::optional<int> stdoutDescriptor = std::nullopt) {
        return ChildProcess(
            ZRV_CLI,
            {std::move(arguments),
             {"HOME=" + home.Path().string(), "XDG_CONFIG_HOME=" + (home / "config").string(),
              "XDG_DOCUMENTS_DIR=" + Documents().string(),
              "ZRV_DEVICE_ROOT=" + (home / "dev").string()},
             fileSizeLimit,
             stdoutDescriptor},
            home.Path());
    }
    std::filesystem::path Documents() const { return home / "Documents"; }

    testpaths::TempDir home;
};

std::string Kept(const std::string& stream) {
    const auto sentences = testlogs::KeptSentences(stream);
    return std::accumulate(sentences.begin(), sentences.end(), std::string());
}

std::string Headers(const std::string& port) {
    return ProductVersionLine() + NoticeLine() + SourceLine(port).value_or("");
}

// The record file named in "recording from PORT into PATH".
std::filesystem::path RecordFileOf(const ChildProcess& process) {
    const std::string out = process.Stdout();
    const std::size_t into = out.find(" into ");
    const std::size_t end = out.find('\n', into);
    if (into == std::string::npos) {
        return {};
    }
    return out.substr(into + 6, end - into - 6);
}

bool FileReaches(const std::filesystem::path& path, std::size_t size) {
    return WaitUntil([&] {
        std::error_code error;
        return std::filesystem::file_size(path, error) >= size && !error;
    });
}

bool HoldsARecordFile(const std::filesystem::path& folder) {
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        if (entry.path().extension() == ".txt") {
            return true;
        }
    }
    return false;
}

// A waypoint the receiver sends is taken by the store, not written to the record file: only
// the store's save at the stop keeps it. Sent before a drive, it is taken once the drive is in
// the file.
std::string WaypointSentence(const std::string& name) {
    return nmealines::Line("GPWPL,4916.4500,N,12311.1200,W," + name);
}

bool StoreHolds(const Companion& companion, const std::string& name) {
    return testpaths::ReadFileBytes(companion.Documents() / "NaviStor.zrv").find(name) !=
           std::string::npos;
}

TEST(RecordCommandLine, StopsCleanlyOnSigtermOrSighupAndKeepsOrDiscardsTheFile) {
    struct Case {
        int signal;
        bool discard;
    };
    // SIGHUP: the terminal was closed or the ssh session dropped.
    for (const Case c : {Case{SIGTERM, false}, Case{SIGHUP, true}}) {
        SCOPED_TRACE(c.signal);
        Companion companion;
        PseudoTerminal receiver;
        std::vector<std::string> arguments = {"record", receiver.SlavePath()};
        if (c.discard) {
            arguments.push_back("--discard");
        }
        ChildProcess process = companion.Run(arguments);
        ASSERT_TRUE(process.WaitForOutput(" into ", 20s)) << process.Stderr();
        const std::filesystem::path file = RecordFileOf(process);
        // The store takes the waypoint; the record file keeps the drive.
        const std::string drive = testlogs::SyntheticDrive(30);
        receiver.Write(WaypointSentence("SIGWPT") + drive);
        const std::string expected = Headers(receiver.SlavePath()) + Kept(drive);
        ASSERT_TRUE(FileReaches(file, expected.size()));
        // The live fix is printed once per second.
        ASSERT_TRUE(process.WaitForOutput("points 30", 20s)) << process.Stdout();
        process.Signal(c.signal);
        EXPECT_EQ(process.Wait(20s), 0);
        EXPECT_TRUE(StoreHolds(companion, "SIGWPT"));
        if (c.discard) {
            EXPECT_NE(process.Stdout().find("deleted " + file.string()), std::string::npos);
            EXPECT_FALSE(std::filesystem::exists(file));
        } else {
            EXPECT_NE(process.Stdout().find("kept " + file.string()), std::string::npos);
            EXPECT_EQ(testpaths::ReadFileBytes(file), expected);
        }
    }
}

TEST(RecordCommandLine, AReaderOfItsOutputThatWentAwayDoesNotEndTheRecordingBeforeItsStop) {
    Companion companion;
    PseudoTerminal receiver;
    int pipe[2];
    ASSERT_EQ(pipe2(pipe, O_CLOEXEC), 0);
    ChildProcess process = companion.Run({"record", receiver.SlavePath()}, std::nullopt, pipe[1]);
    close(pipe[1]);
    // The reader takes the first line and goes away, as a logger that died or a dropped ssh
    // session would.
    std::string first;
    char c = 0;
    while (read(pipe[0], &c, 1) == 1 && c != '\n') {
        first += c;
    }
    close(pipe[0]);
    const std::size_t into = first.find(" into ");
    ASSERT_NE(into, std::string::npos) << first << process.Stderr();
    const std::filesystem::path file = first.substr(into + 6);
    const std::string drive = testlogs::SyntheticDrive(5);
    receiver.Write(WaypointSentence("PIPEWPT") + drive);
    ASSERT_TRUE(WaitUntil(
        [&] {
            return process.Stderr().find("the live fix can no longer be printed: Broken pipe") !=
                   std::string::npos;
        },
        30s))
        << process.Stderr();
    process.Signal(SIGTERM);
    EXPECT_EQ(process.Wait(20s), 0) << process.Stderr();
    EXPECT_EQ(testpaths::ReadFileBytes(file), Headers(receiver.SlavePath()) + Kept(drive));
    EXPECT_TRUE(StoreHolds(companion, "PIPEWPT"));
}

TEST(RecordCommandLine, ASecondRecorderOnThePortIsRefusedAndTheFirstGetsTheWholeStream) {
    Companion first;
    Companion second;
    PseudoTerminal receiver;
    ChildProcess recording = first.Run({"record", receiver.SlavePath()});
    ASSERT_TRUE(recording.WaitForOutput(" into ", 20s)) << recording.Stderr();
    const std::filesystem::path file = RecordFileOf(recording);
    ChildProcess refused = second.Run({"record", receiver.SlavePath()});
    EXPECT_EQ(refused.Wait(20s), 1);
    EXPECT_NE(refused.Stderr().find("CreateFile failed, error 16: Device or resource busy\n"
                                    "Context: " +
                                    receiver.SlavePath()),
              std::string::npos)
        << refused.Stderr();
    EXPECT_FALSE(HoldsARecordFile(second.Documents()));
    const std::string stream = testlogs::SyntheticDrive(40);
    receiver.Write(stream);
    const std::string expected = Headers(receiver.SlavePath()) + Kept(stream);
    ASSERT_TRUE(FileReaches(file, expected.size()));
    recording.Signal(SIGTERM);
    EXPECT_EQ(recording.Wait(20s), 0);
    EXPECT_EQ(testpaths::ReadFileBytes(file), expected);
}

// A device that fails ends the recording as a stop would, and the run fails, saying what
// became of the file.
TEST(RecordCommandLine, ARecordingEndedByADeviceErrorExitsWithOneAndSaysWhatWasKept) {
    {
        Companion companion;
        ChildProcess process = companion.Run({"record", "/dev/null"});
        EXPECT_EQ(process.Wait(20s), 1);
        const std::string errors = process.Stderr();
        EXPECT_NE(errors.find("ReadFile failed, error 5: Input/output error"), std::string::npos)
            << errors;
        EXPECT_NE(errors.find("the recording ended on a device error; deleted " +
                              RecordFileOf(process).string()),
                  std::string::npos)
            << errors;
    }
    Companion companion;
    PseudoTerminal receiver;
    ChildProcess process = companion.Run({"record", receiver.SlavePath()});
    ASSERT_TRUE(process.WaitForOutput(" into ", 20s)) << process.Stderr();
    const std::filesystem::path file = RecordFileOf(process);
    const std::string stream = testlogs::SyntheticDrive(10);
    receiver.Write(stream);
    const std::string expected = Headers(receiver.SlavePath()) + Kept(stream);
    ASSERT_TRUE(FileReaches(file, expected.size()));
    receiver.CloseMaster();
    EXPECT_EQ(process.Wait(20s), 1);
    EXPECT_NE(process.Stderr().find("the recording ended on a device error; kept " + file.string()),
              std::string::npos)
        << process.Stderr();
    EXPECT_EQ(testpaths::ReadFileBytes(file), expected);
}

TEST(RecordCommandLine, AKilledRecorderLeavesEverySentenceItReceived) {
    Companion companion;
    PseudoTerminal receiver;
    ChildProcess process = companion.Run({"record", receiver.SlavePath()});
    ASSERT_TRUE(process.WaitForOutput(" into ", 20s)) << process.Stderr();
    const std::filesystem::path file = RecordFileOf(process);
    const std::string stream = testlogs::SyntheticDrive(50);
    receiver.Write(stream);
    const std::string expected = Headers(receiver.SlavePath()) + Kept(stream);
    ASSERT_TRUE(FileReaches(file, expected.size()));
    process.Signal(SIGKILL);
    EXPECT_EQ(process.Wait(20s), 128 + SIGKILL);
    EXPECT_EQ(testpaths::ReadFileBytes(file), expected);
}

TEST(RecordCommandLine, AFileSizeLimitIsReportedOnceFailsTheRunAndTheFileKeepsWholeSentences) {
    Companion companion;
    PseudoTerminal receiver;
    const std::string stream = testlogs::SyntheticDrive(60);
    const std::vector<std::string> sentences = testlogs::KeptSentences(stream);
    const std::string headers = Headers(receiver.SlavePath());
    constexpr long long kLimit = 4096;
    // Every sentence is tried: a shorter one may still fit after a longer one did not.
    std::string fits = headers;
    std::size_t lost = 0;
    for (const std::string& sentence : sentences) {
        if (fits.size() + sentence.size() > static_cast<std::size_t>(kLimit)) {
            ++lost;
        } else {
            fits += sentence;
        }
    }
    ChildProcess process = companion.Run({"record", receiver.SlavePath()}, kLimit);
    ASSERT_TRUE(process.WaitForOutput(" into ", 20s)) << process.Stderr();
    const std::filesystem::path file = RecordFileOf(process);
    receiver.Write(stream);
    ASSERT_TRUE(process.WaitForOutput("points 60", 20s)) << process.Stdout();
    process.Signal(SIGINT);
    EXPECT_EQ(process.Wait(20s), 1);
    const std::string errors = process.Stderr();
    const std::string report =
        "WriteFile failed, error 27: File too large\nContext: " + file.string() +
        "\nSentences not written to the record file: " + std::to_string(lost);
    EXPECT_NE(errors.find(report), std::string::npos) << errors;
    EXPECT_EQ(errors.find("WriteFile"), errors.rfind("WriteFile")) << errors;
    EXPECT_EQ(testpaths::ReadFileBytes(file), fits);
}

TEST(RecordCommandLine, APortThatDoesNotExistFailsWithTheSystemsReason) {
    Companion companion;
    ChildProcess process = companion.Run({"record", "COM42:"});
    EXPECT_EQ(process.Wait(20s), 1);
    EXPECT_NE(process.Stderr().find("CreateFile failed, error 2: No such file or directory"),
              std::string::npos)
        << process.Stderr();
}

// The autopilot is sent RMB, APB and XTE for each new fix while the waypoint is gone to.
TEST(RecordCommandLine, GoToSteersTheAutopilotPortUntilTheStop) {
    Companion companion;
    ChildProcess added = companion.Run({"store", "add-waypoint", "HOME", "48.2", "11.6"});
    ASSERT_EQ(added.Wait(20s), 0) << added.Stderr();
    PseudoTerminal receiver;
    PseudoTerminal autopilot;
    ChildProcess process = companion.Run(
        {"record", receiver.SlavePath(), "--go-to", "HOME", "--autopilot", autopilot.SlavePath()});
    ASSERT_TRUE(process.WaitForOutput("steering the autopilot at " + autopilot.SlavePath(), 20s))
        << process.Stdout() << process.Stderr();
    receiver.Write(testlogs::SyntheticDrive(3));
    std::string sent;
    ASSERT_TRUE(WaitUntil([&] {
        sent += autopilot.Read(1, 100ms);
        return sent.find("$GPXTE,") != std::string::npos && sent.ends_with("\r\n");
    })) << sent;
    EXPECT_TRUE(sent.starts_with("$GPRMB,A,")) << sent;
    EXPECT_NE(sent.find(",HOME,"), std::string::npos) << sent;
    ASSERT_TRUE(process.WaitForOutput("Dst: HOME", 20s)) << process.Stdout();
    process.Signal(SIGTERM);
    EXPECT_EQ(process.Wait(20s), 0) << process.Stderr();

    ChildProcess missing = companion.Run(
        {"record", receiver.SlavePath(), "--go-to", "AWAY", "--autopilot", autopilot.SlavePath()});
    EXPECT_EQ(missing.Wait(20s), 1);
    EXPECT_NE(missing.Stderr().find("no waypoint 'AWAY'"), std::string::npos) << missing.Stderr();
}

TEST(CommCommandLines, BadUsageExitsWithTwo) {
    const std::vector<std::vector<std::string>> cases = {
        {"record", "COM1:", "--loud"},
        {"record", "COM1:", "--baud", "12345"},
        {"record", "COM1:", "--baud", "fast"},
        {"record", "COM1:", "--baud"},
        {"record", "COM1:", "--baud", "4800", "--baud", "9600"},
        {"record", "COM1:", "--go-to", "A", "--go-along", "B", "--autopilot", "COM2:"},
        {"record", "COM1:", "--go-to", "A", "--active", "2", "--autopilot", "COM2:"},
        {"record", "COM1:", "--go-to", "A", "--autopilot", "tcp://127.0.0.1:10110"},
        {"record", "COM1:", "--autopilot", "COM2:"},
        {"record", "COM1:", "--autopilot"},
        {"source", "bluetooth", "00-11-22-33-44-55"},
        {"play", "file.txt", "--to", "COM1:", "--zoom", "7"},
        {"play", "file.txt", "--to", "COM1:", "--from", "middle"},
        {"play", "--to", "COM1:"},
    };
    for (const auto& arguments : cases) {
        Companion companion;
        ChildProcess process = companion.Run(arguments);
        EXPECT_EQ(process.Wait(20s), 2) << arguments[0] << " " << arguments.size();
        EXPECT_NE(process.Stderr().find("usage: ppcObrin3-cli"), std::string::npos);
    }
}

TEST(CommCommandLines, ABluetoothAddressIsTakenInBothForms) {
    for (const char* address : {"00:11:22:33:44:5F", "00112233445f"}) {
        Companion companion;
        ChildProcess process = companion.Run({"source", "bluetooth", address});
        EXPECT_EQ(process.Wait(20s), 0) << address << process.Stderr();
        ChildProcess stored =
            companion.Run({"settings", "get", "Communication\\Source", "RemoteDeviceAddress"});
        EXPECT_EQ(stored.Wait(20s), 0);
        EXPECT_EQ(stored.Stdout(), "73588229215\n") << address;
    }
}

TEST(CommCommandLines, WithoutAPortAndNothingConfiguredSayWhatIsMissing) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"record"}, "ppcObrin3-cli: no source is configured"},
        {{"record", "--discard"}, "ppcObrin3-cli: no source is configured"},
        {{"play", "file.txt"}, "ppcObrin3-cli: no destination is configured"},
    };
    for (const auto& [arguments, message] : cases) {
        Companion companion;
        ChildProcess process = companion.Run(arguments);
        EXPECT_EQ(process.Wait(20s), 1) << message;
        EXPECT_NE(process.Stderr().find(message), std::string::npos) << process.Stderr();
    }
}

TEST(CommCommandLines, WithoutAPortTheConfiguredSourceAndDestinationAreUsed) {
    Companion companion;
    PseudoTerminal receiver;
    PseudoTerminal consumer;
    {
        ScriptedPrompts prompts;
        RegistryStore registry(PlatformPaths::Below(companion.home.Path()), &prompts);
        ASSERT_EQ(SaveDeviceSelection(registry, settings_keys::kSource,
                                      {DeviceKind::SerialPort, receiver.SlavePath(), {}, 0}),
                  0);
        ASSERT_EQ(SaveDeviceSelection(registry, settings_keys::kDestination,
                                      {DeviceKind::SerialPort, consumer.SlavePath(), {}, 0}),
                  0);
    }
    ChildProcess recording = companion.Run({"record", "--discard"});
    ASSERT_TRUE(recording.WaitForOutput(" into ", 20s)) << recording.Stderr();
    EXPECT_EQ(recording.Stdout().rfind("recording from " + receiver.SlavePath() + " into ", 0), 0u)
        << recording.Stdout();
    recording.Signal(SIGTERM);
    EXPECT_EQ(recording.Wait(20s), 0);

    const auto file = companion.home / "drive.txt";
    testpaths::WriteFileBytes(file, testlogs::SyntheticDrive(3));
    ChildProcess playing = companion.Run({"play", file.string(), "--once"});
    EXPECT_EQ(playing.Wait(30s), 0) << playing.Stderr();
    EXPECT_EQ(consumer.ReadUntilQuiet(200ms).rfind("$GPGGA,", 0), 0u);
}

TEST(CommCommandLines, SourceAndDestinationAreChosenForTheNextRun) {
    Companion companion;
    const auto run = [&](std::vector<std::string> arguments) {
        ChildProcess process = companion.Run(std::move(arguments));
        const std::optional<int> code = process.Wait(20s);
        return std::pair{code.value_or(-1), process.Stdout() + process.Stderr()};
    };
    EXPECT_EQ(run({"source", "serial", "COM12:"}),
              (std::pair{0, std::string("Record from COM12:\n")}));
    EXPECT_EQ(run({"destination", "bluetooth", "001122334455"}),
              (std::pair{0, std::string("Playback to Unknown\n")}));
    EXPECT_EQ(run({"source"}), (std::pair{0, std::string("Record from COM12:\n")}));
    EXPECT_EQ(run({"destination"}), (std::pair{0, std::string("Playback to Unknown\n")}));
    for (const std::vector<std::string>& bad :
         {std::vector<std::string>{"source", "bluetooth", "12345"},
          {"destination", "builtin"},
          {"source", "serial"}}) {
        EXPECT_EQ(run(bad).first, 2) << bad[0] << " " << bad[1];
    }
}

// Without a Bluetooth stack (these test machines' kernels have none) the search fails at its
// start with the system's reason, and the known devices stay as they were.
TEST(CommCommandLines, ABluetoothScanWithoutBluetoothSaysWhyAndFails) {
    const int probe = socket(AF_BLUETOOTH, SOCK_STREAM, BTPROTO_RFCOMM);
    const int refused = errno;
    if (probe >= 0) {
        close(probe);
        GTEST_SKIP() << "this machine has Bluetooth";
    }
    Companion companion;
    ChildProcess process = companion.Run({"bluetooth", "scan"});
    EXPECT_EQ(process.Wait(20s), 1);
    EXPECT_NE(process.Stderr().find("WSALookupServiceBegin failed (" + std::to_string(refused) +
                                    ") at the Search of Devices"),
              std::string::npos)
        << process.Stderr();
}

TEST(PlayCommandLine, PlaysOneBurstPerSecondAndStopsAtTheEndWithOnce) {
    Companion companion;
    PseudoTerminal consumer;
    const auto file = companion.home / "drive.txt";
    testpaths::WriteFileBytes(file, testlogs::SyntheticDrive(250));
    ChildProcess process = companion.Run(
        {"play", file.string(), "--to", consumer.SlavePath(), "--zoom", "100", "--once"});
    EXPECT_EQ(process.Wait(30s), 0) << process.Stderr();
    const std::string out = process.Stdout();
    const std::size_t first = out.find("sent 100/249");
    const std::size_t second = out.find("sent 200/249");
    const std::size_t last = out.find("sent 249/249");
    EXPECT_NE(first, std::string::npos) << out;
    EXPECT_LT(first, second);
    EXPECT_LT(second, last);
    EXPECT_EQ(last, out.rfind("sent ")) << out;
    const std::string received = consumer.ReadUntilQuiet(200ms);
    EXPECT_EQ(received.rfind("$GPGGA,073140,4806.6000,N,01130.6000,E,", 0), 0u)
        << received.substr(0, 80);
}

TEST(PlayCommandLine, PacedPlaysEveryPointOfTheLogAtItsPaceTimesTheZoom) {
    Companion companion;
    PseudoTerminal consumer;
    const auto file = companion.home / "drive.txt";
    // Few enough bursts for the terminal to buffer them all unread.
    testpaths::WriteFileBytes(file, testlogs::SyntheticDrive(40));
    ChildProcess process = companion.Run({"play", file.string(), "--to", consumer.SlavePath(),
                                          "--zoom", "100", "--paced", "--once"});
    EXPECT_EQ(process.Wait(30s), 0) << process.Stderr();
    const std::string out = process.Stdout();
    std::size_t at = 0;
    for (int index = 0; index < 40; ++index) {
        at = out.find("sent " + std::to_string(index) + "/39", at);
        ASSERT_NE(at, std::string::npos) << "point " << index << " in\n" << out;
    }
}

TEST(PlayCommandLine, APlaybackEndedByADeviceErrorExitsWithOne) {
    Companion companion;
    PseudoTerminal consumer;
    const auto file = companion.home / "drive.txt";
    testpaths::WriteFileBytes(file, testlogs::SyntheticDrive(100));
    ChildProcess process = companion.Run({"play", file.string(), "--to", consumer.SlavePath()});
    ASSERT_TRUE(process.WaitForOutput("sent ", 20s)) << process.Stderr();
    consumer.CloseMaster();
    EXPECT_EQ(process.Wait(20s), 1);
    EXPECT_NE(process.Stderr().find("the playback ended on a device error"), std::string::npos)
        << process.Stderr();
}

TEST(PlayCommandLine, AFileWithoutPointsFails) {
    Companion companion;
    const auto file = companion.home / "empty.txt";
    testpaths::WriteFileBytes(file, "$GPTXT,nothing*00\r\n");
    ChildProcess process = companion.Run({"play", file.string(), "--to", "/dev/null"});
    EXPECT_EQ(process.Wait(20s), 1);
    EXPECT_NE(process.Stderr().find("holds no track point"), std::string::npos);
}

} // namespace
