// Reads arbitrary bytes as a record file and compares every line with a plain byte-by-byte
// reading of the same rules, so that the buffered reader's fast path, its block refills and
// its over-long-line handling cannot drift from them.
#include "tests/fuzz/FuzzSupport.h"
#include "tracks/RecordLineReader.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace {

// A line ends after LF or at kMaxLineBytes stored bytes, in which case the next byte is lost;
// then it is cut at its first NUL, or else a bare LF at its end becomes CR LF.
std::vector<std::string> ExpectedLines(std::string_view bytes) {
    std::vector<std::string> lines;
    std::size_t position = 0;
    while (position < bytes.size()) {
        std::string line;
        bool endedByLf = false;
        while (position < bytes.size() && !endedByLf &&
               line.size() < RecordLineReader::kMaxLineBytes) {
            line.push_back(bytes[position++]);
            endedByLf = line.back() == '\n';
        }
        if (!endedByLf && line.size() == RecordLineReader::kMaxLineBytes) {
            ++position;
        }
        if (const std::size_t nul = line.find('\0'); nul != std::string::npos) {
            line.resize(nul);
        } else if (endedByLf && (line.size() < 2 || line[line.size() - 2] != '\r')) {
            line.insert(line.size() - 1, 1, '\r');
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
