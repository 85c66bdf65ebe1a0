// Reads arbitrary bytes as a record file and compares every line with a plain byte-by-byte
// reading of the same rules, so that the buffered reader's fast path, its block refills, its
// line ends and its over-long-line handling cannot drift from them.
#include "tests/fuzz/FuzzSupport.h"
#include "tracks/RecordLineReader.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace {

// A line ends at LF, CR LF or a CR alone; it is cut at its first NUL, else it ends in CR LF
// unless its text is longer than kMaxLineBytes - 2, which hands on at most kMaxLineBytes + 1
// bytes of the text.
std::vector<std::string> ExpectedLines(std::string_view bytes) {
    std::vector<std::string> lines;
    std::size_t position = 0;
    while (position < bytes.size()) {
        std::string text;
        bool ended = false;
        while (position < bytes.size() && !ended) {
            const char c = bytes[position++];
            if (c == '\r' && position < bytes.size() && bytes[position] == '\n') {
                ++position;
            }
            ended = c == '\r' || c == '\n';
            if (!ended) {
                text.push_back(c);
            }
        }
        std::string line = text.substr(0, RecordLineReader::kMaxLineBytes + 1);
        if (const std::size_t nul = line.find('\0'); nul != std::string::npos) {
            line.resize(nul);
        } else if (ended && text.size() <= RecordLineReader::kMaxLineBytes - 2) {
            line += "\r\n";
        }
        lines.push_back(std::move(line));
    }
    return lines;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    RecordLineReader reader;
    {
        const MemoryFile file(data, size);
        Require(reader.Open(file.Path()));
    }
    const std::vector<std::string> expected =
        ExpectedLines(std::string_view(reinterpret_cast<const char*>(data), size));
    std::size_t count = 0;
    std::string_view line;
    while (reader.NextLine(line)) {
        Require(count < expected.size() && line == expected[count]);
        ++count;
    }
    Require(!reader.Failed() && count == expected.size() && reader.BytesRead() == size);
    return 0;
}
