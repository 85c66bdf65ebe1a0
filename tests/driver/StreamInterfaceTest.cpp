#include "driver/StreamInterface.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

std::string Bytes(std::size_t count, char first) {
    std::string bytes;
    for (std::size_t i = 0; i < count; ++i) {
        bytes += static_cast<char>(first + static_cast<char>(i % 26));
    }
    return bytes;
}

std::uint32_t Write(const std::string& bytes) {
    return COM_Write(kComOpenContext, bytes.data(), static_cast<std::uint32_t>(bytes.size()));
}

std::string Read(std::uint32_t count) {
    std::string out(count, '\0');
    out.resize(COM_Read(kComOpenContext, out.data(), count));
    return out;
}

// Every test starts from an empty queue, as a fresh open leaves it.
class StreamInterfaceTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(COM_Open(kComDeviceContext, 0, 0), kComOpenContext); }
    void TearDown() override { COM_Close(kComOpenContext); }
};

TEST_F(StreamInterfaceTest, ReadsCombineAndSplitWritesInOrder) {
    struct Case {
        const char* label;
        std::vector<std::size_t> writes;
        std::vector<std::uint32_t> reads;
        std::vector<std::size_t> expected; // bytes each read returns
    };
    const std::vector<Case> cases = {
        {"10+20 read as 25 and 25", {10, 20}, {25, 25}, {25, 5}},
        {"one write read in pieces", {30}, {7, 7, 7, 7, 7}, {7, 7, 7, 7, 2}},
        {"three writes in one read", {3, 4, 5}, {100}, {12}},
        {"exact chunk boundaries", {8, 8}, {8, 8, 8}, {8, 8, 0}},
        {"read of zero takes nothing", {5}, {0, 5}, {0, 5}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        COM_Open(kComDeviceContext, 0, 0);
        std::string written;
        char first = 'a';
        for (const std::size_t size : c.writes) {
            const std::string chunk = Bytes(size, first++);
            ASSERT_EQ(Write(chunk), size);
            written += chunk;
        }
        std::string read;
        for (std::size_t i = 0; i < c.reads.size(); ++i) {
            const std::string piece = Read(c.reads[i]);
            EXPECT_EQ(piece.size(), c.expected[i]) << "read " << i;
            read += piece;
        }
        EXPECT_EQ(read, written.substr(0, read.size()));
    }
}

TEST_F(StreamInterfaceTest, EveryOpenAndCloseDiscardsTheQueue) {
    ASSERT_EQ(Write("12345"), 5u);
    EXPECT_EQ(COM_Open(kComDeviceContext, 0, 0), kComOpenContext) << "a second user opens";
    EXPECT_EQ(Read(10), "");

    ASSERT_EQ(Write("abc"), 3u);
    EXPECT_EQ(Read(1), "a");
    EXPECT_EQ(COM_Close(kComOpenContext), 1) << "a user closes";
    EXPECT_EQ(Read(10), "") << "the partly read chunk went with the rest";

    ASSERT_EQ(Write("after"), 5u);
    EXPECT_EQ(Read(10), "after") << "the queue works on after being emptied";
}

TEST_F(StreamInterfaceTest, LifecycleCallsKeepTheQueue) {
    ASSERT_EQ(Write("kept"), 4u);
    EXPECT_EQ(COM_Init("Drivers\\Active\\42"), kComDeviceContext);
    EXPECT_EQ(COM_Deinit(kComDeviceContext), 1);
    COM_PowerDown(kComDeviceContext);
    COM_PowerUp(kComDeviceContext);
    EXPECT_EQ(COM_Seek(kComOpenContext, 10, 0), 0u);
    EXPECT_EQ(Read(10), "kept");
}

TEST_F(StreamInterfaceTest, EmptyReadsAndWritesDoNothing) {
    char buffer[16];
    EXPECT_EQ(COM_Read(kComOpenContext, buffer, sizeof buffer), 0u) << "empty queue, at once";
    EXPECT_EQ(COM_Write(kComOpenContext, "x", 0), 0u);
    EXPECT_EQ(COM_Write(kComOpenContext, nullptr, 5), 0u);
    ASSERT_EQ(Write("y"), 1u);
    EXPECT_EQ(COM_Read(kComOpenContext, nullptr, 1), 0u) << "no buffer, nothing taken";
    EXPECT_EQ(Read(10), "y");
}

TEST(ReversalEchoTest, ReversesSixteenBitUnits) {
    struct Case {
        const char* label;
        std::vector<std::uint8_t> input;
        std::vector<std::uint8_t> expected;
    };
    const std::vector<Case> cases = {
        {"three units", {1, 2, 3, 4, 5, 6}, {5, 6, 3, 4, 1, 2}},
        {"one unit", {7, 8}, {7, 8}},
        {"odd length: the last byte comes back as zero", {1, 2, 3, 4, 9}, {3, 4, 1, 2, 0}},
        {"one byte", {9}, {0}},
        {"empty", {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        std::vector<std::uint8_t> output(c.input.size() + 3, 0xEE);
        std::uint32_t actual = 12345;
        ASSERT_EQ(COM_IOControl(kComOpenContext, kComReversalEchoCode, c.input.data(),
                                static_cast<std::uint32_t>(c.input.size()), output.data(),
                                static_cast<std::uint32_t>(output.size()), &actual),
                  1);
        EXPECT_EQ(actual, c.input.size());
        EXPECT_EQ(std::vector<std::uint8_t>(output.begin(), output.begin() + c.input.size()),
                  c.expected);
        EXPECT_EQ(std::vector<std::uint8_t>(output.begin() + c.input.size(), output.end()),
                  std::vector<std::uint8_t>(3, 0xEE))
            << "nothing written past the input's length";

        std::vector<std::uint8_t> inPlace = c.input;
        ASSERT_EQ(COM_IOControl(kComOpenContext, kComReversalEchoCode, inPlace.data(),
                                static_cast<std::uint32_t>(inPlace.size()), inPlace.data(),
                                static_cast<std::uint32_t>(inPlace.size()), &actual),
                  1);
        EXPECT_EQ(inPlace, c.expected) << "one buffer for both directions";
    }
}

TEST(ReversalEchoTest, RefusesAnOutputShorterThanTheInputWithoutWriting) {
    const std::vector<std::uint8_t> input = {1, 2, 3, 4, 5, 6};
    std::vector<std::uint8_t> output(4, 0xEE);
    std::uint32_t actual = 12345;
    EXPECT_EQ(COM_IOControl(kComOpenContext, kComReversalEchoCode, input.data(), 6, output.data(),
                            4, &actual),
              0);
    EXPECT_EQ(output, std::vector<std::uint8_t>(4, 0xEE));
    EXPECT_EQ(actual, 12345u);
    EXPECT_EQ(
        COM_IOControl(kComOpenContext, kComReversalEchoCode, input.data(), 6, nullptr, 6, &actual),
        0)
        << "missing output buffer";
    EXPECT_EQ(
        COM_IOControl(kComOpenContext, kComReversalEchoCode, nullptr, 6, output.data(), 6, &actual),
        0)
        << "missing input buffer";
}

TEST(ControlCodesTest, EveryOtherCodeSucceedsWithoutTouchingAnything) {
    // Among them the requests that the serial calls send: state, time-outs, event mask, wait.
    for (const std::uint32_t code :
         {0u, 1u, 41u, 43u, 0x1B0004u, 0x1B0008u, 0x1B0028u, 0x1B0048u, 0xFFFFFFFFu}) {
        SCOPED_TRACE(code);
        const std::vector<std::uint8_t> input = {1, 2, 3, 4};
        std::vector<std::uint8_t> output(4, 0xEE);
        std::uint32_t actual = 777;
        EXPECT_EQ(COM_IOControl(kComOpenContext, code, input.data(), 4, output.data(), 4, &actual),
                  1);
        EXPECT_EQ(output, std::vector<std::uint8_t>(4, 0xEE));
        EXPECT_EQ(actual, 777u);
    }
}

} // namespace
