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

Assembled Assemble(const std::string& stream) {
    SentenceAssembler assembler;
    Assembled out;
    for (char byte : stream) {
        if (assembler.Push(byte)) {
            out.sentences.emplace_back(assembler.Sentence());
        }
    }
    out.pending = std::string(assembler.Pending());
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

TEST(SentenceAssembler, CutsFromDollarToDollarAndDropsOverlongTexts) {
    const std::string text80 = "$" + std::string(79, 'A');
    const std::string text81 = "$" + std::string(80, 'B');
    const std::string text82 = "$" + std::string(81, 'C');
    const std::string text90 = "$" + std::string(89, 'D');
    const std::vector<AssemblyCase> cases = {
        {"line end stays with its sentence; the next one waits",
         kGga + kRmcStart,
         {kGga},
         kRmcStart},
        {"bytes before the first $ are dropped", "junk\r\n" + kGga + "$", {kGga}, "$"},
        {"81 characters are handed on", text81 + "$X", {text81}, "$X"},
        {"80 characters are handed on", text80 + "$", {text80}, "$"},
        {"exactly 82 characters are dropped, the next sentence is clean",
         text82 + kGga + "$",
         {kGga},
         "$"},
        {"90 characters without $ are dropped, collection restarts at the next $",
         text90 + "xyz" + kGga + "$",
         {kGga},
         "$"},
        {"the last sentence before silence is held", kGga, {}, kGga},
        {"two dollars make a one-character sentence", "$$", {"$"}, "$"},
        {"NUL bytes are kept as received",
         std::string("$A\0B", 4) + "$",
         {std::string("$A\0B", 4)},
         "$"},
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
