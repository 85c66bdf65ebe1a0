#include "tracks/LineDiagnosis.h"

#include "tests/tracks/NmeaLines.h"
#include "tracks/Track.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

using nmealines::Line;

TEST(LineDiagnosis, NamesWhyTheDecoderRejectedALine) {
    const std::string gga = Line("GPGGA,120000,4654.0000,N,00724.0000,E,1,08,0.9,100.0,M,47.0,M,,");
    std::string badChecksum = gga;
    badChecksum[badChecksum.size() - 3] = badChecksum[badChecksum.size() - 3] == '0' ? '1' : '0';
    std::string badLong =
        Line("GPGGA,120000.000,4654.00000000000,N,00724.00000000000,E,1,08,0.9,100.0,M,"
             "47.0,M,,");
    badLong[badLong.size() - 3] = badLong[badLong.size() - 3] == '0' ? '1' : '0';
    const struct {
        const char* label;
        std::string line;
        LineVerdict verdict;
    } cases[] = {
        {"good GGA", gga, LineVerdict::Accepted},
        {"good GGA of 87 characters",
         Line("GPGGA,120000.000,4654.00000000000,N,00724.00000000000,E,1,08,"
              "0.9,100.0,M,47.0,M,,"),
         LineVerdict::Accepted},
        {"no line end", gga.substr(0, gga.size() - 2), LineVerdict::BadFraming},
        {"no dollar", gga.substr(1), LineVerdict::BadFraming},
        {"longer than 82, with a wrong checksum", badLong, LineVerdict::TooLong},
        {"longer than 82, without a checksum", "$GPGGA," + std::string(80, '1') + "\r\n",
         LineVerdict::TooLong},
        {"longer than 512", Line("GPGGA," + std::string(600, '1')), LineVerdict::TooLong},
        {"longer than 82 with a good checksum is judged as any line",
         Line("GPGGA,120000.000,4654.00000000000,N,00724.00000000000,E,1,08,0.9,100.0,M,47.0,M,,,"
              "1234567890"),
         LineVerdict::WrongFieldCount},
        {"comment line", "# Device: BU-353\r\n", LineVerdict::BadFraming},
        {"empty line", "", LineVerdict::BadFraming},
        {"mnemonic not in the table", Line("GPZDA,120000,01,05,2026,,"), LineVerdict::UnknownType},
        {"proprietary line", Line("PZRVPVD,Velmora Recorder 3,v3.9.91"), LineVerdict::UnknownType},
        {"address too short", Line("GG,1"), LineVerdict::UnknownType},
        {"no checksum", "$GPGLL,4654.0000,N,00724.0000,E,120000,A\r\n",
         LineVerdict::AbsentChecksum},
        {"a '*' without digits: the line end is the checksum text",
         "$GPGLL,4654.0000,N,00724.0000,E,120000,A*\r\n", LineVerdict::BadChecksum},
        {"wrong checksum", badChecksum, LineVerdict::BadChecksum},
        {"GGA with 13 fields",
         Line("GPGGA,120000,4654.0000,N,00724.0000,E,1,08,0.9,100.0,M,47.0,M,"),
         LineVerdict::WrongFieldCount},
        {"GSV message 4 of 3", Line("GPGSV,3,4,10"), LineVerdict::RejectedContent},
    };
    const auto track = std::make_unique<CTrack>();
    for (const auto& c : cases) {
        bool outOfMemory = false;
        const bool decoded = track->DecodeLine(c.line, outOfMemory);
        if (c.verdict == LineVerdict::Accepted) {
            EXPECT_TRUE(decoded) << c.label;
            continue;
        }
        EXPECT_FALSE(decoded) << c.label;
        EXPECT_EQ(DiagnoseRejectedLine(*track, c.line), c.verdict)
            << c.label << ": " << LineVerdictText(DiagnoseRejectedLine(*track, c.line));
    }
}

} // namespace
