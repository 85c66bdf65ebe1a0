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

// The reading rule written out byte by byte: a line ends at LF, CR LF or a CR alone; a line is
// cut at its first NUL; otherwise it ends in CR LF, unless its text is longer than 510 bytes:
// then it is handed on as at most 513 bytes of its text.
std::vector<std::string> ReferenceLines(const std::string& bytes) {
    std::vector<std::string> lines;
    std::size_t i = 0;
    while (i < bytes.size()) {
        std::string text;
        bool ended = false;
        while (i < bytes.size() && !ended) {
            const char c = bytes[i++];
            if (c == '\r' && i < bytes.size() && bytes[i] == '\n') {
                ++i;
            }
            ended = c == '\r' || c == '\n';
            if (!ended) {
                text += c;
            }
        }
        std::string line = text.substr(0, 513);
        if (const auto nul = line.find('\0'); nul != std::string::npos) {
            line.resize(nul);
        } else if (ended && text.size() <= 510) {
            line += "\r\n";
        }
        lines.push_back(line);
    }
    return lines;
}

TEST(RecordLineReader, GivesTheLinesAnEditorShows) {
    const std::string s510(510, 'a');
    const std::string s511(511, 'b');
    const std::string s1000(1000, 'c');
    const struct {
        const char* label;
        std::string bytes;
        std::vector<std::string> lines;
    } cases[] = {
        {"CR LF lines pass unchanged", "$A*00\r\n$B*00\r\n", {"$A*00\r\n", "$B*00\r\n"}},
        {"a bare LF is read as CR LF", "$A*00\n$B*00\r\n", {"$A*00\r\n", "$B*00\r\n"}},
        {"a CR alone ends a line too", "$A*00\r$B*00\r", {"$A*00\r\n", "$B*00\r\n"}},
        {"blank lines are lines",
         "$A\r\n\r\n\n\r$B\r\n",
         {"$A\r\n", "\r\n", "\r\n", "\r\n", "$B\r\n"}},
        {"a CR before CR LF is a line of its own", "$A\r\r\n", {"$A\r\n", "\r\n"}},
        {"the last line may lack its line end", "$A*00\r\n$B*00", {"$A*00\r\n", "$B*00"}},
        {"a high-precision sentence of 92 bytes is one line",
         "$GNGGA,120000.00,4916.4512345678,N,12311.1234567890,W,4,12,0.55,545.4321,M,46.9,M,,*"
         "00\r\n",
         {"$GNGGA,120000.00,4916.4512345678,N,12311.1234567890,W,4,12,0.55,545.4321,M,46.9,M,,*"
          "00\r\n"}},
        {"510 characters and CR LF make 512 bytes: one line", s510 + "\r\n", {s510 + "\r\n"}},
        {"511 characters: one line without its line end", s511 + "\r\n$B\r\n", {s511, "$B\r\n"}},
        {"1000 characters: one line of 513 bytes, the next line intact",
         s1000 + "\n$B\n",
         {s1000.substr(0, 513), "$B\r\n"}},
        {"a NUL cuts the line", std::string("$A\0B*00\r\n$C\r\n", 13), {"$A", "$C\r\n"}},
        {"a line that starts with NUL is empty", std::string("\0$A\r\n", 5), {""}},
        {"an empty file has no line", "", {}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ReadAll(c.bytes), c.lines) << c.label;
        EXPECT_EQ(ReferenceLines(c.bytes), c.lines) << "reference: " << c.label;
    }
}

// Lines that straddle the 8192-byte blocks, long lines, NULs, CRs and bare LFs in random
// mixtures.
TEST(RecordLineReader, MatchesTheRuleAcrossBlockBoundaries) {
    std::mt19937 random(7);
    const char alphabet[] = {'$', 'G', ',', '*', '1', '\r', '\n', '\n', '\0', 'x'};
    for (int round = 0; round < 20; ++round) {
        std::string bytes;
        const std::size_t size = 8192 * 2 + random() % 8192;
        while (bytes.size() < size) {
            const std::size_t run = random() % 16 == 0 ? random() % 1200 : random() % 120;
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
