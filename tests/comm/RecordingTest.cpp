#include "comm/RecordFile.h"
#include "nmea/ProprietarySentences.h"
#include "tests/comm/AppFixture.h"
#include "tests/comm/PseudoTerminal.h"
#include "tests/comm/TestLogs.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <future>
#include <numeric>
#include <termios.h>
#include <unistd.h>

using namespace std::chrono_literals;

namespace {

// The record file name of a recording started at the fixture's clock.
constexpr const char* kRecordName = "2026_05_01_07_30_00_Fr.txt";

std::string Headers(const std::string& portName) {
    return ProductVersionLine() + NoticeLine() + SourceLine(portName).value_or("");
}

std::string Joined(const std::vector<std::string>& parts) {
    return std::accumulate(parts.begin(), parts.end(), std::string());
}

// Writes the stream into the receiver's side in pieces, as a receiver would send it.
void Send(PseudoTerminal& pty, const std::string& stream) {
    constexpr std::size_t kPiece = 64;
    for (std::size_t at = 0; at < stream.size(); at += kPiece) {
        pty.Write(std::string_view(stream).substr(at, kPiece));
    }
}

class Recording : public ::testing::Test {
protected:
    void StartRecording(const std::string& portName = "COM1:") {
        f.LinkPort("COM1:", pty.SlavePath());
        f.app->SerialSource().SetPortName(portName);
        f.app->RecordCommand();
        ASSERT_TRUE(f.app->SerialSource().IsRunning());
    }
    std::filesystem::path RecordPath() const { return f.paths.documentsDir / kRecordName; }
    bool FileHolds(std::size_t bytes) const {
        return std::filesystem::exists(RecordPath()) &&
               std::filesystem::file_size(RecordPath()) >= bytes;
    }

    AppFixture f;
    PseudoTerminal pty;
};

// The file holds exactly what the assembly keeps, and the live track equals what playback
// makes of the file. The stream ends at a line end.
void RecordAndCompare(AppFixture& f, PseudoTerminal& pty, const std::string& stream,
                      const std::string& label) {
    f.LinkPort("COM1:", pty.SlavePath());
    f.app->SerialSource().SetPortName("COM1:");
    f.app->RecordCommand();
    ASSERT_TRUE(f.app->SerialSource().IsRunning()) << label;

    const std::string expected = Headers("COM1:") + Joined(testlogs::KeptSentences(stream));
    const auto path = f.paths.documentsDir / kRecordName;
    Send(pty, stream);
    ASSERT_TRUE(WaitUntil([&] {
        return std::filesystem::exists(path) && std::filesystem::file_size(path) >= expected.size();
    })) << label;

    f.prompts.Answer(PromptAnswer::Yes);
    const std::string kept = f.app->SerialSource().Close();
    EXPECT_EQ(kept, path.string()) << label;
    EXPECT_EQ(testpaths::ReadFileBytes(path), expected) << label;

    const std::vector<TrackPoint> live = f.Points(2);
    f.app->LoadRecordFile(kept, kRecordName);
    f.WaitForPlaybackLoaded();
    const std::vector<TrackPoint> played = f.Points(1);
    ASSERT_EQ(played.size(), live.size()) << label;
    for (std::size_t i = 0; i < live.size(); ++i) {
        EXPECT_TRUE(SamePoint(played[i], live[i])) << label << " point " << i;
    }
}

TEST(RecordingFromAPseudoTerminal, FileHoldsTheKeptSentencesAndTrack2EqualsItsPlayback) {
    AppFixture f;
    PseudoTerminal pty;
    // Junk, a text longer than a standard sentence (kept) and one longer than any sentence
    // (dropped) around the drive.
    const std::string stream = "noise\r\n" + testlogs::SyntheticDrive(300) + "$GPTXT," +
                               std::string(90, 'x') + "\r\n$GPTXT," + std::string(600, 'y') +
                               "\r\n" + testlogs::SyntheticDrive(2);
    RecordAndCompare(f, pty, stream, "synthetic drive");
    EXPECT_EQ(f.Points(1).size(), 302u);
}

TEST(RecordingFromAPseudoTerminal, RealReceiverLogsRecordAsTheyWereSent) {
    CORPUS_DIR_OR_SKIP(corpus);
    for (const char* log :
         {"bundg_zeus_9.log", "neo-m8n.log", "quectel.log", "skytraq.log", "unicore-um621.log"}) {
        const auto path = corpus / "nmea" / log;
        if (!std::filesystem::exists(path)) {
            continue;
        }
        AppFixture f;
        PseudoTerminal pty;
        // A line end completes a last line that lacks one, so nothing waits for the stop.
        RecordAndCompare(f, pty, testlogs::ReceiverBytes(path) + "\r\n", log);
    }
}

TEST_F(Recording, StoppingAsksToKeepAndLoadsTheKeptFileAsTrack1WithTrack2Emptied) {
    StartRecording();
    EXPECT_EQ(f.app->Document().Track(2).DisplayName(), "Track Recording");
    EXPECT_TRUE(f.timers.IsRunning(kTimerKeepAwakeRecording));
    const std::string stream = testlogs::SyntheticDrive(20);
    Send(pty, stream);
    ASSERT_TRUE(WaitUntil([&] { return f.Points(2).size() == 20; }));

    f.prompts.Answer(PromptAnswer::Yes);
    f.app->RecordCommand();
    EXPECT_FALSE(f.app->SerialSource().IsRunning());
    ASSERT_EQ(f.prompts.Texts().size(), 1u);
    EXPECT_EQ(f.prompts.Texts()[0],
              "Do You want to save the currently-recorded Track '" + RecordPath().string() + "'");
    EXPECT_EQ(f.prompts.Shown()[0].caption, "Question");
    EXPECT_TRUE(f.Points(2).empty());
    EXPECT_EQ(f.app->Document().Track(2).DisplayName(), "Velmora Recorder 3");
    EXPECT_FALSE(f.timers.IsRunning(kTimerKeepAwakeRecording));
    f.WaitForPlaybackLoaded();
    EXPECT_EQ(f.Points(1).size(), 20u);
    EXPECT_EQ(f.app->Document().Track(1).DisplayName(), kRecordName);
    EXPECT_EQ(f.view.Alerts(), std::vector<AlertKind>{AlertKind::Long});
}

TEST_F(Recording, TheAnswerOrAnEmptyRecordingDecidesWhetherTheFileStays) {
    struct Case {
        const char* label;
        std::string received;
        std::vector<PromptAnswer> answers;
        std::size_t questions;
        bool fileStays;
    };
    const Case cases[] = {
        {"only header lines: deleted without a question", "", {}, 0, false},
        {"sentences and No: deleted", testlogs::SyntheticDrive(3), {PromptAnswer::No}, 1, false},
        {"sentences and Yes: kept", testlogs::SyntheticDrive(3), {PromptAnswer::Yes}, 1, true},
    };
    for (const Case& c : cases) {
        AppFixture g;
        PseudoTerminal receiver;
        g.LinkPort("COM1:", receiver.SlavePath());
        g.app->SerialSource().SetPortName("COM1:");
        g.app->RecordCommand();
        ASSERT_TRUE(g.app->SerialSource().IsRunning()) << c.label;
        const auto path = g.paths.documentsDir / kRecordName;
        const std::string expected = Headers("COM1:") + Joined(testlogs::KeptSentences(c.received));
        Send(receiver, c.received);
        ASSERT_TRUE(WaitUntil([&] {
            return std::filesystem::exists(path) &&
                   std::filesystem::file_size(path) >= expected.size();
        })) << c.label;
        for (PromptAnswer answer : c.answers) {
            g.prompts.Answer(answer);
        }
        g.app->RecordCommand();
        EXPECT_EQ(g.prompts.Texts().size(), c.questions) << c.label;
        EXPECT_EQ(std::filesystem::exists(path), c.fileStays) << c.label;
    }
}

TEST_F(Recording, ASilentPortStopsAtOnce) {
    StartRecording();
    // Nothing is ever received and the keep-alive sleeps for 10 s: the stop must still come
    // back long before either would end by itself.
    auto stopped = std::async(std::launch::async, [&] { f.app->RecordCommand(); });
    ASSERT_EQ(stopped.wait_for(5s), std::future_status::ready);
    EXPECT_FALSE(f.app->SerialSource().IsRunning());
    EXPECT_TRUE(f.prompts.Texts().empty());
    EXPECT_FALSE(std::filesystem::exists(RecordPath()));
    // The keep-alive went out once, to the "COM" port.
    EXPECT_EQ(pty.ReadUntilQuiet(200ms), KeepAliveLine());
}

TEST_F(Recording, AVanishedDeviceEndsTheThreadsWithOneBoxAndTheUsersAnswerKeepsTheFile) {
    StartRecording();
    const std::string stream = testlogs::SyntheticDrive(5);
    Send(pty, stream);
    const std::string expected = Headers("COM1:") + Joined(testlogs::KeptSentences(stream));
    ASSERT_TRUE(WaitUntil([&] { return FileHolds(expected.size()); }));
    pty.CloseMaster();
    ASSERT_TRUE(WaitUntil([&] { return !f.prompts.Texts().empty(); }));

    f.prompts.Answer(PromptAnswer::Yes);
    ASSERT_TRUE(f.view.RunPosted(10s)); // the stop the failure asked for
    EXPECT_FALSE(f.app->SerialSource().IsRunning());
    const std::vector<std::string> texts = f.prompts.Texts();
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0], "ReadFile failed, error 5: Input/output error\nContext: COM1:");
    EXPECT_EQ(texts[1].rfind("Do You want to save", 0), 0u);
    EXPECT_EQ(testpaths::ReadFileBytes(RecordPath()), expected);
    f.WaitForPlaybackLoaded();
    EXPECT_EQ(f.Points(1).size(), 5u);
}

TEST_F(Recording, APortThatDoesNotExistIsReportedAndNothingIsCreated) {
    f.app->SerialSource().SetPortName("COM7:");
    f.app->RecordCommand();
    EXPECT_FALSE(f.app->SerialSource().IsRunning());
    ASSERT_EQ(f.prompts.Texts().size(), 1u);
    EXPECT_EQ(f.prompts.Texts()[0].rfind(
                  "CreateFile failed, error 2: No such file or directory\nContext: COM7:\n"
                  "There is no port COM7: in ",
                  0),
              0u)
        << f.prompts.Texts()[0];
    EXPECT_FALSE(std::filesystem::exists(RecordPath()));
    EXPECT_FALSE(f.timers.IsRunning(kTimerKeepAwakeRecording));
}

TEST_F(Recording, OpeningWhileARecordFileIsOpenIsRefusedWithoutAMessage) {
    StartRecording();
    EXPECT_FALSE(f.app->SerialSource().Open(SourceSerialRecvProc, SourceSerialSendProc, true));
    EXPECT_TRUE(f.prompts.Texts().empty());
    f.app->RecordCommand();
}

TEST(SerialPortNames, PortTenAndAboveGetTheDevicePrefix) {
    struct Case {
        const char* name;
        const char* stored;
    };
    const Case cases[] = {
        {"COM9:", "COM9:"}, {"COM10:", "$device\\COM10:"},    {"COM99:", "$device\\COM99:"},
        {"GPD0:", "GPD0:"}, {"/dev/ttyUSB0", "/dev/ttyUSB0"}, {"", ""}};
    for (const Case& c : cases) {
        SerialEndpoint endpoint;
        endpoint.SetPortName("COM3:");
        EXPECT_TRUE(endpoint.SetPortName(c.name)) << c.name;
        EXPECT_EQ(endpoint.GetPortName(), c.stored) << c.name;
        EXPECT_FALSE(endpoint.SetPortName(c.name)) << c.name;
    }
}

// The line speed a terminal is left at after the source opened it, and whether the
// keep-alive went out.
struct OpenedAs {
    speed_t speed;
    bool keepAlive;
};

OpenedAs RecordThrough(const std::string& linkName, const std::string& portName) {
    AppFixture f;
    PseudoTerminal pty;
    {
        const int slave = open(pty.SlavePath().c_str(), O_RDWR | O_NOCTTY);
        termios attributes{};
        tcgetattr(slave, &attributes);
        cfsetspeed(&attributes, B9600);
        tcsetattr(slave, TCSANOW, &attributes);
        close(slave);
    }
    f.LinkPort(linkName, pty.SlavePath());
    f.app->SerialSource().SetPortName(portName);
    f.app->RecordCommand();
    EXPECT_TRUE(f.app->SerialSource().IsRunning()) << portName;
    // Through the master: the source holds the slave exclusively.
    termios attributes{};
    tcgetattr(pty.Master(), &attributes);
    const bool keepAlive = pty.ReadUntilQuiet(300ms) == KeepAliveLine();
    f.app->RecordCommand();
    return {cfgetospeed(&attributes), keepAlive};
}

TEST(SerialPortNames, OnlyComNamesAreConfiguredAndKeptAlive) {
    const OpenedAs com = RecordThrough("COM1:", "COM1:");
    EXPECT_EQ(com.speed, static_cast<speed_t>(B57600));
    EXPECT_TRUE(com.keepAlive);
    const OpenedAs device = RecordThrough("COM12:", "COM12:");
    EXPECT_EQ(device.speed, static_cast<speed_t>(B9600));
    EXPECT_FALSE(device.keepAlive);
}

// A disk that fills up after `room` bytes of the record file; the test may make room again.
class FillingDisk : public PosixSystemCalls {
public:
    int Open(const char* path, int flags, mode_t mode) override {
        const int fd = PosixSystemCalls::Open(path, flags, mode);
        if (std::string_view(path).ends_with(".txt")) {
            m_recordFd = fd;
        }
        return fd;
    }
    ssize_t Write(int fd, const void* data, std::size_t size) override {
        if (fd != m_recordFd) {
            return PosixSystemCalls::Write(fd, data, size);
        }
        const std::size_t room = m_room.load();
        if (room == 0) {
            errno = ENOSPC;
            return -1;
        }
        const std::size_t part = std::min(size, room);
        m_room = room - part;
        return PosixSystemCalls::Write(fd, data, part);
    }
    std::atomic<std::size_t> m_room{0};
    std::atomic<int> m_recordFd{-1};
};

TEST(RecordingOnAFullDisk, GoesOnWritingWhenThereIsRoomAgainAndReportsTheLossOnceAtTheEnd) {
    FillingDisk disk;
    AppFixture f(disk);
    PseudoTerminal pty;
    const std::vector<std::string> sentences =
        testlogs::KeptSentences(testlogs::SyntheticDrive(12));
    ASSERT_EQ(sentences.size(), 36u);
    const std::vector<std::string> first(sentences.begin(), sentences.begin() + 30);
    const std::vector<std::string> rest(sentences.begin() + 30, sentences.end());
    // Room for the header lines, three sentences and part of the fourth.
    const std::string fits = Headers("COM1:") + sentences[0] + sentences[1] + sentences[2];
    disk.m_room = fits.size() + 10;
    f.LinkPort("COM1:", pty.SlavePath());
    f.app->SerialSource().SetPortName("COM1:");
    f.app->RecordCommand();
    Send(pty, Joined(first));
    // Recording goes on: the live track still gets every fix, and nothing is shown yet.
    ASSERT_TRUE(WaitUntil([&] { return f.Points(2).size() == 10; }));
    EXPECT_TRUE(f.prompts.Texts().empty());

    disk.m_room = 1 << 20;
    Send(pty, Joined(rest));
    ASSERT_TRUE(WaitUntil([&] { return f.Points(2).size() == 12; }));
    f.prompts.Answer(PromptAnswer::Yes);
    f.app->RecordCommand();
    const std::vector<std::string> texts = f.prompts.Texts();
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0], "WriteFile failed, error 28: No space left on device\nContext: " +
                            (f.paths.documentsDir / kRecordName).string() +
                            "\nSentences not written to the record file: 27");
    EXPECT_EQ(texts[1].rfind("Do You want to save", 0), 0u);
    EXPECT_TRUE(f.app->SerialSource().RecordFileFailed());
    EXPECT_EQ(testpaths::ReadFileBytes(f.paths.documentsDir / kRecordName), fits + Joined(rest));
}

// Counts the bytes read from the port, so that a test knows the receive thread has them.
class CountingPort : public PosixSystemCalls {
public:
    explicit CountingPort(std::string port) : m_port(std::move(port)) {}
    int Open(const char* path, int flags, mode_t mode) override {
        const int fd = PosixSystemCalls::Open(path, flags, mode);
        if (path == m_port) {
            m_portFd = fd;
        }
        return fd;
    }
    ssize_t Read(int fd, void* buffer, std::size_t size) override {
        const ssize_t got = PosixSystemCalls::Read(fd, buffer, size);
        if (fd == m_portFd && got > 0) {
            m_read += static_cast<std::size_t>(got);
        }
        return got;
    }
    std::size_t BytesRead() const { return m_read.load(); }

private:
    const std::string m_port;
    std::atomic<int> m_portFd{-1};
    std::atomic<std::size_t> m_read{0};
};

TEST(RecordingToTheLastByte, TheLastSentenceCountsAtItsLineEndAndTheStopKeepsWhatWasCutOff) {
    PseudoTerminal pty;
    CountingPort port(pty.SlavePath());
    AppFixture f(port);
    f.LinkPort("COM1:", pty.SlavePath());
    f.app->SerialSource().SetPortName("COM1:");
    f.app->RecordCommand();
    ASSERT_TRUE(f.app->SerialSource().IsRunning());
    const auto path = f.paths.documentsDir / kRecordName;

    // Nothing follows the tenth fix: its sentences are complete all the same.
    const std::string drive = testlogs::SyntheticDrive(10);
    Send(pty, drive);
    ASSERT_TRUE(
        WaitUntil([&] { return testpaths::ReadFileBytes(path) == Headers("COM1:") + drive; }));
    ASSERT_TRUE(WaitUntil([&] { return f.Points(2).size() == 10; }));

    const std::string cut = "$GPRMC,073010,A,4916.4";
    Send(pty, cut);
    ASSERT_TRUE(WaitUntil([&] { return port.BytesRead() == drive.size() + cut.size(); }));
    f.prompts.Answer(PromptAnswer::Yes);
    f.app->RecordCommand();
    EXPECT_EQ(testpaths::ReadFileBytes(path), Headers("COM1:") + drive + cut);
}

} // namespace
