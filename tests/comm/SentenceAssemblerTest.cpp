#include "comm/SentenceAssembler.h"
#include "comm/GpsdStreamFilter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Assembled {
    std::vector<std::string> sentences;
    std::string pending;
};

// The stream pushed byte by byte, then what was still being collected taken as a stop does.
Assembled Assemble(const std::string& stream) {
    SentenceAssembler assembler;
    Assembled out;
    for (char byte : stream) {
        if (assembler.Push(byte)) {
            out.sentences.emplace_back(assembler.Sentence());
        }
    }
    out.pending = std::string(assembler.TakePending());
    EXPECT_TRUE(assembler.TakePending().empty()) << "what is pending is taken once";
    return out;
}

const std::string kGga = "$GPGGA,120000,4916.45,N,12311.12,W,1,08,0.9,545.4,M,46.9,M,,*4B\r\n";
const std::string kRmcStart = "$GPRMC,120000,A,4916.45";

struct AssemblyCase {
    const char* label;
    std::string stream;
    std::vector<std::string> handedOn;
    std::string pending;
};

TEST(SentenceAssembler, EndsASentenceAtItsLineEndOrTheNextDollar) {
    const std::string longGga = "$GPGGA,120000.00,4916.4512345678,N,12311.1234567890,W,4,12,0.55,"
                                "545.4321,M,46.9012,M,1.0,0000*55\r\n";
    const std::string text512 = "$" + std::string(509, 'A') + "\r\n";
    const std::string text513 = "$" + std::string(510, 'B') + "\r\n";
    const std::string text600 = "$" + std::string(599, 'D');
    const std::vector<AssemblyCase> cases = {
        {"a sentence is complete at its line end", kGga + kRmcStart, {kGga}, kRmcStart},
        {"the last sentence needs nothing after it", kGga + kGga, {kGga, kGga}, ""},
        {"bytes before a $ and after a line end are dropped",
         "junk\r\n" + kGga + "\r\njunk" + kGga,
         {kGga, kGga},
         ""},
        {"a text without a line end ends at the next $",
         "$GPTXT,a*00" + kGga,
         {"$GPTXT,a*00", kGga},
         ""},
        {"a high-precision sentence longer than 82 characters", longGga, {longGga}, ""},
        {"512 bytes with the line end are handed on", text512, {text512}, ""},
        {"513 bytes are dropped whole, the next sentence is clean", text513 + kGga, {kGga}, ""},
        {"600 bytes without an end are dropped, collection restarts at the next $",
         text600 + "xyz\r\n" + kGga,
         {kGga},
         ""},
        {"two dollars make a one-character sentence", "$$", {"$"}, "$"},
        {"NUL bytes are kept as received",
         std::string("$A\0B\r\n", 6),
         {std::string("$A\0B\r\n", 6)},
         ""},
    };
    for (const AssemblyCase& c : cases) {
        const Assembled got = Assemble(c.stream);
        EXPECT_EQ(got.sentences, c.handedOn) << c.label;
        EXPECT_EQ(got.pending, c.pending) << c.label;
    }
}

struct FilterCase {
    const char* label;
    std::vector<std::string> reads; // the stream as it arrives, read by read
    std::string kept;
};

TEST(GpsdStreamFilter, RemovesReportLinesWhereverTheReadsSplitThem) {
    const std::string version = "{\"class\":\"VERSION\",\"release\":\"3.22\"}\r\n";
    const std::string devices = "{\"class\":\"DEVICES\",\"devices\":[{\"path\":\"/x$y\"}]}\r\n";
    const std::vector<FilterCase> cases = {
        {"reports before the sentences", {version + devices + kGga}, kGga},
        {"a report split over reads", {version.substr(0, 10), version.substr(10) + kGga}, kGga},
        {"a report between sentences", {kGga + devices + kGga}, kGga + kGga},
        {"a brace inside a sentence stays", {"$GPTXT,{x}*00\r\n"}, "$GPTXT,{x}*00\r\n"},
        {"a sentence split right after its line end", {kGga.substr(0, 20), kGga.substr(20)}, kGga},
    };
    for (const FilterCase& c : cases) {
        GpsdStreamFilter filter;
        std::string kept;
        for (std::string read : c.reads) {
            kept.append(read.data(), filter.Filter(read.data(), read.size()));
        }
        EXPECT_EQ(kept, c.kept) << c.label;
    }
}

} // namespace
