#include "driver/host/HostOptions.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

ParsedHostOptions Parse(std::vector<std::string> args) {
    return ParseHostOptions(args);
}

TEST(HostOptionsTest, AcceptsACompleteCommandLineWithAbsolutePaths) {
    const ParsedHostOptions parsed = Parse(
        {"--index", "5", "--driver", "lib/libdrv.so", "--link", "COM5:", "--record", "/r/COM5"});
    ASSERT_TRUE(parsed.options) << parsed.error;
    EXPECT_EQ(parsed.options->index, 5);
    EXPECT_TRUE(parsed.options->driver.is_absolute());
    EXPECT_TRUE(parsed.options->link.is_absolute());
    EXPECT_EQ(parsed.options->link.filename(), "COM5:");
    EXPECT_EQ(parsed.options->record, "/r/COM5");

    const ParsedHostOptions bare =
        Parse({"--driver", "libdrv.so", "--index", "0", "--link", "l", "--record", "r"});
    ASSERT_TRUE(bare.options);
    EXPECT_EQ(bare.options->driver, "libdrv.so") << "left to the loader's search";
}

TEST(HostOptionsTest, RefusesIncompleteOrWrongCommandLines) {
    const std::vector<std::pair<const char*, std::vector<std::string>>> cases = {
        {"nothing", {}},
        {"no record", {"--driver", "d", "--index", "1", "--link", "l"}},
        {"index too big", {"--driver", "d", "--index", "10", "--link", "l", "--record", "r"}},
        {"negative index", {"--driver", "d", "--index", "-1", "--link", "l", "--record", "r"}},
        {"index not a number", {"--driver", "d", "--index", "5x", "--link", "l", "--record", "r"}},
        {"value missing", {"--driver", "d", "--index", "1", "--link", "l", "--record"}},
        {"empty value", {"--driver", "", "--index", "1", "--link", "l", "--record", "r"}},
        {"given twice",
         {"--driver", "d", "--driver", "e", "--index", "1", "--link", "l", "--record", "r"}},
        {"unknown", {"--driver", "d", "--index", "1", "--link", "l", "--record", "r", "--x"}},
    };
    for (const auto& [label, args] : cases) {
        const ParsedHostOptions parsed = Parse(args);
        EXPECT_FALSE(parsed.options) << label;
        EXPECT_FALSE(parsed.error.empty()) << label;
        EXPECT_FALSE(parsed.help) << label;
    }
    EXPECT_TRUE(Parse({"--driver", "d", "--help"}).help);
}

} // namespace
