#include "tracks/RecordLineReader.h"

#include "tests/support/TestPaths.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

std::vector<std::string> ReadAll(const std::string& bytes) {
    testpaths::TempDir dir;
    const auto path = dir / "record.txt";
    testpaths::WriteFileBytes(path, bytes);
    RecordLineReader reader;
    EXPECT_TRUE(reader.Open(path.string())) << reader.Error();
    std::vector<std::string> lines;
    std::string_view line;
    while (reader.NextLine(line)) {
        lines.emplace_back(line);
    }
    EXPECT_FALSE(reader.Failed()) << reader.Error();
    EXPECT_EQ(reader.Progress(), bytes.empty() ? 0 : 100);
    EXPECT_EQ(reader.BytesRead(), bytes.size());
    return lines;
}

// The reading rule written out byte by byte: a line ends after LF or at 82 bytes, and then
// the next byte is dropped; a line is cut at its first NUL; a bare LF becomes CR LF.
std::vector<std::string> ReferenceLines(const std::string& bytes) {
    std::vector<std::string> lines;
    std::size_t i = 0;
    while (i < bytes.size()) {
        std::string line;
        while (i < bytes.size() && line.size() < 82 && (line.empty() || line.back() != '\n')) {
            line += bytes[i++];
        }
        if (line.size() == 82 && line.back() != '\n') {
            ++i;
        }
        if (const auto nul = line.find('\0'); nul != std::string::npos) {
            line.resize(nul);
        } else if (line.back() == '\n' && (line.size() < 2 || line[line.size() - 2] != '\r')) {
            line.insert(line.size() - 1, "\r");
        }
        lines.push_back(line);
    }
    return lines;
}

TEST(RecordLineReader, SplitsLinesAsPlaybackDoes) {
    const std::string s81(81, 'a');
    const std::string s80(80, 'b');
    const std::string s99(99, 'c');
    const struct {
        const char* label;
        std::string bytes;
        std::vector<std::string> lines;
    } cases[] = {
        {"CR LF lines pass unchanged", "$A*00\r\n$B*00\r\n", {"$A*00\r\n", "$B*00\r\n"}},
        {"a bare LF is read as CR LF", "$A*00\n$B*00\r\n", {"$A*00\r\n", "$B*00\r\n"}},
        {"a lone LF line", "\n", {"\r\n"}},
        {"the last line may lack its LF", "$A*00\r\n$B*00", {"$A*00\r\n", "$B*00"}},
        {"80 characters and CR LF make 82 bytes: one line", s80 + "\r\n", {s80 + "\r\n"}},
        {"81 characters and CR LF: the LF is the dropped byte",
         s81 + "\r\n$B\r\n",
         {s81 + "\r", "$B\r\n"}},
        {"81 characters and a bare LF: the same 82 bytes fail the same way",
         s81 + "\n$B\n",
         {s81 + "\r\n", "$B\r\n"}},
        {"a line of 100 bytes: 82 bytes, one lost, the last 17",
         s99 + "\n",
         {s99.substr(0, 82), s99.substr(83) + "\r\n"}},
        {"a NUL cuts the line", std::string("$A\0B*00\r\n$C\r\n", 13), {"$A", "$C\r\n"}},
        {"a line that starts with NUL is empty", std::string("\0$A\r\n", 5), {""}},
        {"an empty file has no line", "", {}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ReadAll(c.bytes), c.lines) << c.label;
        EXPECT_EQ(ReferenceLines(c.bytes), c.lines) << "reference: " << c.label;
    }
}

// Lines that straddle the 8192-byte blocks, long lines, NULs and bare LFs in random mixtures.
TEST(RecordLineReader, MatchesTheRuleAcrossBlockBoundaries) {
    std::mt19937 random(7);
    const char alphabet[] = {'$', 'G', ',', '*', '1', '\r', '\n', '\n', '\0', 'x'};
    for (int round = 0; round < 20; ++round) {
        std::string bytes;
        const std::size_t size = 8192 * 2 + random() % 8192;
        while (bytes.size() < size) {
            const std::size_t run = random() % 120;
            for (std::size_t i = 0; i < run; ++i) {
                bytes += (random() % 8 == 0) ? alphabet[random() % sizeof alphabet] : 'a';
            }
            bytes += (random() % 2 == 0) ? "\r\n" : "\n";
        }
        EXPECT_EQ(ReadAll(bytes), ReferenceLines(bytes)) << "round " << round;
    }
}

TEST(RecordLineReader, ReportsWhyAFileCannotBeRead) {
    testpaths::TempDir dir;
    RecordLineReader reader;
    EXPECT_FALSE(reader.Open((dir / "missing.txt").string()));
    EXPECT_EQ(reader.Error(), "No such file or directory");

    // A directory opens but cannot be read.
    ASSERT_TRUE(reader.Open(dir.Path().string()));
    std::string_view line;
    EXPECT_FALSE(reader.NextLine(line));
    EXPECT_TRUE(reader.Failed());
    EXPECT_EQ(reader.Error(), "Is a directory");
}

TEST(RecordLineReader, ProgressCountsWholeBlocks) {
    testpaths::TempDir dir;
    const auto path = dir / "record.txt";
    // 4 blocks of 8192 bytes: lines of 64 bytes.
    std::string bytes;
    while (bytes.size() < 4 * 8192) {
        bytes += std::string(62, 'a') + "\r\n";
    }
    testpaths::WriteFileBytes(path, bytes);
    RecordLineReader reader;
    ASSERT_TRUE(reader.Open(path.string()));
    std::vector<int> seen;
    std::string_view line;
    while (reader.NextLine(line)) {
        if (seen.empty() || seen.back() != reader.Progress()) {
            seen.push_back(reader.Progress());
        }
    }
    EXPECT_EQ(seen, (std::vector<int>{25, 50, 75, 100}));
}

} // namespace
