#include "nmea/ProprietarySentences.h"
#include "nmea/Sentence.h"
#include "tests/nmea/NmeaTestText.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(ProprietarySentences, FixedLines) {
    EXPECT_EQ(ProductVersionLine(), WithChecksum("$PZRVPVD,Velmora Recorder 3,v3.9.91"));
    EXPECT_EQ(KeepAliveLine(), WithChecksum("$PZRV000,,"));
    const std::string notice = NoticeLine();
    EXPECT_EQ(notice.substr(0, 9), "$PZRVCRT,");
    EXPECT_TRUE(IsSingleSentence(notice));
    EXPECT_EQ(CSentence(notice).IsChecksumBad(), NmeaBoolean::False);
    EXPECT_EQ(ProprietaryLine("WRG", {"WARNING!", "-of a route"}),
              WithChecksum("$PZRVWRG,WARNING!,-of a route"));
}

TEST(ProprietarySentences, SourceLineOnlyWhenItFits) {
    struct Case {
        std::string name;
        std::optional<std::string> line;
    } cases[] = {
        {"COM4:", WithChecksum("$PZRVSRC,COM4:")},
        {"", WithChecksum("$PZRVSRC,")},
        {std::string(67, 'n'), WithChecksum("$PZRVSRC," + std::string(67, 'n'))}, // text 77
        {std::string(68, 'n'), std::nullopt},                                     // text 78
        {"GPS*1$\r\nX", WithChecksum("$PZRVSRC,GPS_1___X")},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SourceLine(c.name), c.line) << c.name;
        if (c.line) {
            EXPECT_TRUE(IsSingleSentence(*c.line)) << c.name;
        }
    }
}

} // namespace
