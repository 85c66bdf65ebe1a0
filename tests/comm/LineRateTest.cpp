#include "comm/BaudRateSettings.h"
#include "comm/DeviceSelection.h"
#include "nmea/ProprietarySentences.h"
#include "tests/comm/AppFixture.h"
#include "tests/comm/PseudoTerminal.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <thread>

using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

// A receiver at 4800 baud behind a USB serial bridge, standing in for a ttyUSB device node:
// opening the node opens the pseudo-terminal, whose bytes come out scrambled while the line
// is set to any other rate.
class BridgeCalls final : public PosixSystemCalls {
public:
    BridgeCalls(fs::path node, std::string pty) : m_node(std::move(node)), m_pty(std::move(pty)) {}

    int Open(const char* path, int flags, mode_t mode) override {
        if (m_node != path) {
            return PosixSystemCalls::Open(path, flags, mode);
        }
        const int fd = PosixSystemCalls::Open(m_pty.c_str(), flags, mode);
        m_bridgeFd = fd;
        return fd;
    }
    int SetAttributes(int fd, const termios& attributes) override {
        if (fd == m_bridgeFd) {
            m_speed = cfgetospeed(&attributes);
        }
        return PosixSystemCalls::SetAttributes(fd, attributes);
    }
    ssize_t Read(int fd, void* buffer, std::size_t size) override {
        const ssize_t got = PosixSystemCalls::Read(fd, buffer, size);
        if (fd == m_bridgeFd && got > 0 && m_speed != B4800) {
            auto* bytes = static_cast<unsigned char*>(buffer);
            std::for_each(bytes, bytes + got, [](unsigned char& b) { b = (b << 1) | 0x81; });
        }
        return got;
    }

private:
    fs::path m_node;
    std::string m_pty;
    std::atomic<int> m_bridgeFd{-1};
    std::atomic<speed_t> m_speed{B0};
};

TEST(LineRate, ARecordingFindsTheReceiversRateAndRecordsOnlyWhatArrivedAtIt) {
    PseudoTerminal pty;
    testpaths::TempDir dev;
    const fs::path node = dev / "ttyUSB0";
    testpaths::WriteFileBytes(node, "");
    BridgeCalls calls(node, pty.SlavePath());
    AppFixture f(calls);
    f.LinkPort("COM1:", node.string());
    // The rate remembered for the port is tried first: here a wrong one.
    ASSERT_EQ(StoreDetectedBaudRate(*f.registry, "COM1:", 9600), 0);
    f.app->SerialSource().SetPortName("COM1:");
    f.app->RecordCommand();
    ASSERT_TRUE(f.app->SerialSource().IsRunning());
    EXPECT_EQ(RecordItemText(*f.app), "Recording &from COM1: (detecting the baud rate)");

    const std::string sentence = "$GPGGA,073000.00,5230.0000,N,01322.0000,E,1,08,0.9,35.0,M,39.0,"
                                 "M,,*53\r\n";
    std::atomic<bool> done{false};
    std::thread receiver([&] {
        while (!done) {
            pty.Write(sentence);
            std::this_thread::sleep_for(20ms);
        }
    });
    const fs::path record = f.app->SerialSource().RecordFileName();
    const std::string headers = ProductVersionLine() + NoticeLine() + SourceLine("COM1:").value();
    const bool detected = WaitUntil([&] {
        f.view.RunPosted(10ms);
        return DetectedBaudRate(*f.registry, "COM1:") == 4800 && fs::exists(record) &&
               fs::file_size(record) >= headers.size() + 3 * sentence.size();
    });
    done = true;
    receiver.join();
    ASSERT_TRUE(detected);
    EXPECT_EQ(RecordItemText(*f.app), "Recording &from COM1: (4800 baud)");

    f.prompts.Answer(PromptAnswer::Yes);
    ASSERT_EQ(f.app->SerialSource().Close(), record.string());
    const std::string bytes = testpaths::ReadFileBytes(record);
    ASSERT_EQ(bytes.substr(0, headers.size()), headers);
    // Nothing read at 9600 was recorded: after the headers come whole sentences only.
    const std::string sentences = bytes.substr(headers.size());
    ASSERT_EQ(sentences.size() % sentence.size(), 0u) << sentences;
    for (std::size_t at = 0; at < sentences.size(); at += sentence.size()) {
        EXPECT_EQ(sentences.substr(at, sentence.size()), sentence);
    }
}

TEST(LineRate, AChosenRateIsSetWithoutDetection) {
    PseudoTerminal pty;
    testpaths::TempDir dev;
    const fs::path node = dev / "ttyUSB0";
    testpaths::WriteFileBytes(node, "");
    BridgeCalls calls(node, pty.SlavePath());
    AppFixture f(calls);
    f.LinkPort("COM1:", node.string());
    ASSERT_EQ(StoreSourceBaudRate(*f.registry, 38400), 0);
    f.app->SerialSource().SetPortName("COM1:");
    f.app->RecordCommand();
    ASSERT_TRUE(f.app->SerialSource().IsRunning());
    EXPECT_EQ(RecordItemText(*f.app), "Recording &from COM1: (38400 baud)");
    termios attributes{};
    ASSERT_EQ(tcgetattr(pty.Master(), &attributes), 0);
    EXPECT_EQ(cfgetospeed(&attributes), B38400);
    f.app->RecordCommand();

    // The command line's choice for one run goes before the settings.
    f.app->SerialSource().SetBaudRate(9600);
    f.app->RecordCommand();
    EXPECT_EQ(RecordItemText(*f.app), "Recording &from COM1: (9600 baud)");
    f.app->RecordCommand();
}

} // namespace
