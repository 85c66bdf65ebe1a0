#include "comm/BaudRateDetector.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

using namespace std::chrono_literals;

namespace {

using Clock = std::chrono::steady_clock;

const std::string kGoodStream =
    "$GPGGA,073000.00,5230.0000,N,01322.0000,E,1,08,0.9,35.0,M,39.0,M,,*53\r\n"
    "$GPRMC,073000.00,A,5230.0000,N,01322.0000,E,0.0,0.0,010526,,,A*5C\r\n";

// A receiver behind a serial bridge: at its own rate its sentences arrive, at any other rate
// what arrives is garbage, with the odd "$" and "*" in it as real framing errors give. Time
// passes only as the port is read.
class FakeBridgePort final : public IRateProbePort {
public:
    explicit FakeBridgePort(int goodRate) : m_goodRate(goodRate) {}

    std::optional<PortFailure> SetRate(int baud) override {
        rates.push_back(baud);
        m_rate = baud;
        return failSetRate ? std::optional<PortFailure>(PortFailure{"SetCommState", EIO})
                           : std::nullopt;
    }
    SerialPort::ReadResult ReadSome(char* buffer, std::size_t size,
                                    std::chrono::milliseconds limit) override {
        SerialPort::ReadResult result;
        if (stopAfterReads >= 0 && reads++ >= stopAfterReads) {
            result.status = SerialPort::Status::Stopped;
            return result;
        }
        if (silent) {
            now += limit;
            return result;
        }
        now += 100ms;
        std::string chunk;
        if (m_rate == m_goodRate) {
            chunk = kGoodStream.substr(m_offset % kGoodStream.size(), 40);
            m_offset += chunk.size();
        } else {
            chunk = "\xF0\x0F$G*\x80\xFE\x1C,\r\n\xE0$GP3*00\r\n\x7F\xF8";
        }
        result.size = std::min(size, chunk.size());
        std::memcpy(buffer, chunk.data(), result.size);
        return result;
    }

    Clock::time_point now{};
    std::vector<int> rates;
    bool silent = false;
    bool failSetRate = false;
    int stopAfterReads = -1;
    int reads = 0;

private:
    int m_goodRate;
    int m_rate = 0;
    std::size_t m_offset = 0;
};

RateDetection Detect(FakeBridgePort& port, const std::vector<int>& rates) {
    return DetectBaudRate(port, rates, {}, [&port] { return port.now; });
}

TEST(BaudRateDetector, TriesTheUsualRatesUntilWholeSentencesArriveAndKeepsOnlyThose) {
    FakeBridgePort port(38400);
    const RateDetection found = Detect(port, DetectionOrder(0));
    ASSERT_EQ(found.outcome, RateDetection::Outcome::Found);
    EXPECT_EQ(found.baud, 38400);
    EXPECT_EQ(port.rates, (std::vector<int>{4800, 9600, 19200, 38400}));
    // The garbage of the wrong rates never reaches the caller: what it gets starts with the
    // first whole sentence and is what the receiver sent.
    ASSERT_FALSE(found.received.empty());
    EXPECT_EQ(kGoodStream.find(found.received.substr(0, 40)), 0u) << found.received;
    EXPECT_EQ(found.received.find('\xF0'), std::string::npos);
    // Each wrong rate was given its time, and no more.
    EXPECT_GE(port.now - Clock::time_point{}, 3 * 1500ms);
    EXPECT_LT(port.now - Clock::time_point{}, 3 * 1500ms + 3 * 100ms + 1s);
}

TEST(BaudRateDetector, TheRateThatWorkedLastIsTriedFirst) {
    EXPECT_EQ(DetectionOrder(9600), (std::vector<int>{9600, 4800, 19200, 38400, 57600, 115200}));
    EXPECT_EQ(DetectionOrder(230400),
              (std::vector<int>{230400, 4800, 9600, 19200, 38400, 57600, 115200}));
    FakeBridgePort port(115200);
    const RateDetection found = Detect(port, DetectionOrder(115200));
    EXPECT_EQ(found.outcome, RateDetection::Outcome::Found);
    EXPECT_EQ(port.rates, (std::vector<int>{115200}));
}

TEST(BaudRateDetector, ASilentPortAStopAndAFailureEndTheSearch) {
    FakeBridgePort silent(4800);
    silent.silent = true;
    EXPECT_EQ(Detect(silent, DetectionOrder(0)).outcome, RateDetection::Outcome::NotFound);
    EXPECT_EQ(silent.rates.size(), 6u);
    EXPECT_EQ(silent.now - Clock::time_point{}, 6 * 1500ms);

    FakeBridgePort stopped(9600);
    stopped.stopAfterReads = 3;
    EXPECT_EQ(Detect(stopped, DetectionOrder(0)).outcome, RateDetection::Outcome::Stopped);
    EXPECT_EQ(stopped.rates, (std::vector<int>{4800}));

    FakeBridgePort failing(4800);
    failing.failSetRate = true;
    const RateDetection failed = Detect(failing, DetectionOrder(0));
    EXPECT_EQ(failed.outcome, RateDetection::Outcome::Failed);
    EXPECT_EQ(failed.failure.call, "SetCommState");
}

TEST(GoodSentenceCounter, CountsOnlyWholeSentencesWithGoodChecksums) {
    const struct {
        const char* stream;
        int count;
    } cases[] = {
        {"$GPGGA,1*4B\r\n", 1},
        {"$GPGGA,1*4b\n", 1},
        {"xx$GPGGA,1*4B\r\n$GPGGA,1*4B\r\n", 2},
        {"$GPGGA,1*4A\r\n", 0}, // wrong checksum
        {"$GPGGA,1*4B", 0},     // not ended
        {"$GPGGA,1*4B$", 0},    // cut by the next sentence
        {"$GPGGA,1\r\n", 0},    // no checksum
        {"$GP*17\r\n", 0},      // too short to be a sentence
        {"$GPG\xC7"
         "A,1*8B\r\n",
         0},                     // a byte no sentence holds
        {"$GPGGA,1*4\r\n", 0},   // one digit
        {"$GPGGA,1*4BB\r\n", 0}, // three digits
        {"$GPGGA,1**4B\r\n", 0},
        {"$GP$GPGGA,1*4B\r\n", 1}, // a restart keeps the later sentence
    };
    for (const auto& c : cases) {
        GoodSentenceCounter counter;
        for (const char* p = c.stream; *p != '\0'; ++p) {
            counter.Push(*p);
        }
        EXPECT_EQ(counter.Count(), c.count) << c.stream;
    }
    GoodSentenceCounter counter;
    for (char c : std::string("\x01$GP$GPGGA,1*4B\r\n")) {
        counter.Push(c);
    }
    EXPECT_EQ(counter.FirstStart(), 4u);
}

} // namespace
