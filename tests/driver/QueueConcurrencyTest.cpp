#include "driver/StreamInterface.h"

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <map>
#include <thread>
#include <vector>

// Writers and readers on different threads share the one queue. Run under ThreadSanitizer
// (-DZRV_TSAN=ON) these also show that every entry point touching the queue is serialised.
namespace {

constexpr int kWriters = 4;
constexpr std::uint32_t kRecordsPerWriter = 2000;

// One write: the writer's number and its running count, so the reader can check that each
// writer's records arrive whole and in order.
struct Record {
    std::uint32_t writer;
    std::uint32_t sequence;
};

std::vector<std::thread> StartWriters() {
    std::vector<std::thread> writers;
    for (std::uint32_t w = 0; w < kWriters; ++w) {
        writers.emplace_back([w] {
            for (std::uint32_t s = 0; s < kRecordsPerWriter; ++s) {
                const Record record{w, s};
                while (COM_Write(kComOpenContext, &record, sizeof record) != sizeof record) {
                }
            }
        });
    }
    return writers;
}

TEST(QueueConcurrencyTest, OneReaderGetsEveryWritersRecordsWholeAndInOrder) {
    COM_Open(kComDeviceContext, 0, 0);
    std::vector<std::thread> writers = StartWriters();
    std::array<std::uint32_t, kWriters> next{};
    std::vector<std::uint8_t> pending;
    std::uint32_t received = 0;
    // Odd read sizes split records across reads and combine several into one.
    std::uint8_t buffer[37];
    while (received < kWriters * kRecordsPerWriter) {
        const std::uint32_t got = COM_Read(kComOpenContext, buffer, sizeof buffer);
        pending.insert(pending.end(), buffer, buffer + got);
        while (pending.size() >= sizeof(Record)) {
            Record record{};
            std::memcpy(&record, pending.data(), sizeof record);
            pending.erase(pending.begin(), pending.begin() + sizeof record);
            ASSERT_LT(record.writer, static_cast<std::uint32_t>(kWriters));
            ASSERT_EQ(record.sequence, next[record.writer]) << "writer " << record.writer;
            ++next[record.writer];
            ++received;
        }
    }
    for (std::thread& writer : writers) {
        writer.join();
    }
    EXPECT_TRUE(pending.empty());
    EXPECT_EQ(COM_Read(kComOpenContext, buffer, sizeof buffer), 0u);
}

TEST(QueueConcurrencyTest, ReadersTogetherTakeEachByteExactlyOnce) {
    COM_Open(kComDeviceContext, 0, 0);
    std::vector<std::thread> writers = StartWriters();
    constexpr std::uint64_t kTotal = std::uint64_t{kWriters} * kRecordsPerWriter * sizeof(Record);
    std::atomic<std::uint64_t> taken{0};
    std::array<std::map<std::uint8_t, std::uint64_t>, 3> seen;
    std::vector<std::thread> readers;
    for (std::size_t r = 0; r < seen.size(); ++r) {
        readers.emplace_back([&taken, &counts = seen[r]] {
            std::uint8_t buffer[13];
            while (taken.load() < kTotal) {
                const std::uint32_t got = COM_Read(kComOpenContext, buffer, sizeof buffer);
                for (std::uint32_t i = 0; i < got; ++i) {
                    ++counts[buffer[i]];
                }
                taken += got;
            }
        });
    }
    for (std::thread& writer : writers) {
        writer.join();
    }
    for (std::thread& reader : readers) {
        reader.join();
    }
    EXPECT_EQ(taken.load(), kTotal);
    // No byte lost or taken twice: together the readers saw exactly the written bytes.
    std::map<std::uint8_t, std::uint64_t> expected;
    for (std::uint32_t w = 0; w < kWriters; ++w) {
        for (std::uint32_t s = 0; s < kRecordsPerWriter; ++s) {
            const Record record{w, s};
            std::uint8_t bytes[sizeof record];
            std::memcpy(bytes, &record, sizeof record);
            for (const std::uint8_t byte : bytes) {
                ++expected[byte];
            }
        }
    }
    std::map<std::uint8_t, std::uint64_t> total;
    for (const auto& counts : seen) {
        for (const auto& [value, count] : counts) {
            total[value] += count;
        }
    }
    EXPECT_EQ(total, expected);
}

TEST(QueueConcurrencyTest, OpensAndClosesDuringTrafficLeaveAWorkingQueue) {
    COM_Open(kComDeviceContext, 0, 0);
    std::atomic<bool> done{false};
    std::thread opener([&done] {
        while (!done.load()) {
            COM_Open(kComDeviceContext, 0, 0);
            COM_Close(kComOpenContext);
        }
    });
    std::vector<std::thread> writers = StartWriters();
    std::uint8_t buffer[64];
    for (int i = 0; i < 20000; ++i) {
        COM_Read(kComOpenContext, buffer, sizeof buffer);
    }
    for (std::thread& writer : writers) {
        writer.join();
    }
    done = true;
    opener.join();
    COM_Open(kComDeviceContext, 0, 0);
    ASSERT_EQ(COM_Write(kComOpenContext, "ok", 2), 2u);
    EXPECT_EQ(COM_Read(kComOpenContext, buffer, sizeof buffer), 2u);
    EXPECT_EQ(std::memcmp(buffer, "ok", 2), 0);
}

} // namespace
