#include "nmea/FixRecord.h"
#include "nmea/SentenceTypes.h"
#include "tests/nmea/NmeaTestText.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

const std::string kGga = "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,";
const std::string kRmc = "$GPRMC,225446,A,4916.45,N,12311.12,W,000.5,054.7,191194,020.3,E";

CSentence Sentence(std::string text) {
    return CSentence(std::move(text));
}

CalendarTime At(int year, int month, int day, int hour, int minute, int second) {
    return MakeCalendarTime({year, month, day, hour, minute, second});
}

// Each receiver type takes exactly the field counts of its form, the NMEA 4.10 form included,
// and only with a present and correct checksum.
TEST(ReceiverSentences, AcceptedFieldCountsAndChecksums) {
    CGgaSentence gga;
    CGllSentence gll;
    CGsaSentence gsa;
    CGsvSentence gsv;
    CRmcSentence rmc;
    CVtgSentence vtg;
    const std::string gsa17 = "$GNGSA,A,3,04,05,,09,12,,,24,,,,,2.5,1.3,2.1";
    const std::string gsv19 = "$GPGSV,2,1,08,01,40,083,46,02,17,308,41,12,07,344,39,14,22,228,45";
    struct Case {
        CSentenceType& type;
        std::string text;
        bool accepted;
    } cases[] = {
        {gga, WithChecksum(kGga), true},
        {gga, WithChecksum(kGga + ",9"), false},
        {gga, WithChecksum("$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,"), false},
        {gga, WithoutChecksum(kGga), false},
        {gga, WithWrongChecksum(kGga), false},
        {gll, WithChecksum("$GPGLL,4916.45,N,12311.12,W,225444,A"), true},
        {gll, WithChecksum("$GPGLL,4916.45,N,12311.12,W,225444,A,D"), true},
        {gll, WithChecksum("$GPGLL,4916.45,N,12311.12,W,225444"), false},
        {gll, WithChecksum("$GPGLL,4916.45,N,12311.12,W,225444,A,D,X"), false},
        {gsa, WithChecksum(gsa17), true},
        {gsa, WithChecksum(gsa17 + ",1"), true}, // NMEA 4.10 system id
        {gsa, WithChecksum(gsa17 + ",1,0"), false},
        {gsa, WithChecksum("$GNGSA,A,3,04,05,,09,12,,,24,,,,,2.5,1.3"), false},
        {gsv, WithChecksum(gsv19), true},
        {gsv, WithChecksum(gsv19 + ",1"), true}, // NMEA 4.10 signal id
        {gsv, WithChecksum(gsv19 + ",1,2"), false},
        {gsv, WithChecksum("$GPGSV,1,1,00"), true},
        {gsv, WithChecksum("$GPGSV,1,1,01,07,40,083,46,1"), true},
        {gsv, WithoutChecksum(gsv19), false},
        {rmc, WithChecksum(kRmc), true},
        {rmc, WithChecksum(kRmc + ",A"), true},
        {rmc, WithChecksum(kRmc + ",A,V"), true}, // NMEA 4.10 navigational status
        {rmc, WithChecksum(kRmc + ",A,V,X"), false},
        {rmc, WithChecksum("$GPRMC,225446,A,4916.45,N,12311.12,W,000.5,054.7,191194,020.3"), false},
        {rmc, WithWrongChecksum(kRmc), false},
        {vtg, WithChecksum("$GPVTG,054.7,T,034.4,M,005.5,N,010.2,K"), true},
        {vtg, WithChecksum("$GPVTG,054.7,T,034.4,M,005.5,N,010.2,K,A"), true},
        {vtg, WithChecksum("$GPVTG,054.7,T,034.4,M,005.5,N,010.2,K,A,B"), false},
        {vtg, WithChecksum("$GPVTG,054.7,T,034.4,M,005.5,N,010.2"), false},
    };
    for (auto& c : cases) {
        CFixRecord fix;
        const bool parsed = c.type.Parse(Sentence(c.text), fix);
        EXPECT_EQ(parsed, c.accepted) << c.text;
        if (!parsed) {
            EXPECT_EQ(fix.SatellitesInUse(), kUnknownCount) << c.text;
            EXPECT_EQ(fix.SatellitesInView(), kUnknownCount) << c.text;
            EXPECT_FALSE(fix.HasTime()) << c.text;
            EXPECT_FALSE(fix.HasSatellitesUsed()) << c.text;
        }
    }
}

TEST(ReceiverSentences, GgaUpdatesTheFixOnlyWithAUsableFix) {
    struct Case {
        const char* quality;
        const char* hdop;
        bool updatesFix;
    } cases[] = {
        {"1", "0.9", true},  {"2", "10.0", true}, {"1", "10.1", false},
        {"0", "0.9", false}, {"", "0.9", false},  {"6", "", true},
    };
    for (const auto& c : cases) {
        const std::string text = WithChecksum(std::string("$GNGGA,123519,4807.038,N,01131.000,E,") +
                                              c.quality + ",08," + c.hdop + ",545.4,M,46.9,M,,");
        CGgaSentence gga;
        CFixRecord fix;
        ASSERT_TRUE(gga.Parse(Sentence(text), fix)) << text;
        EXPECT_EQ(fix.SatellitesInUse(), 8) << text;
        EXPECT_EQ(fix.HasGgaData(), c.updatesFix) << text;
        EXPECT_EQ(fix.HasTime(), c.updatesFix) << text;
        EXPECT_EQ(fix.HasPosition(), c.updatesFix) << text;
        if (c.updatesFix) {
            EXPECT_EQ(fix.Time(), kNoDateTime + 12 * 3600 + 35 * 60 + 19);
            EXPECT_NEAR(fix.Position().Latitude().DecimalDegrees(), 48.1173, 1e-9);
            EXPECT_NEAR(fix.Position().Longitude().DecimalDegrees(), 11.5166666667, 1e-9);
            EXPECT_DOUBLE_EQ(fix.Altitude(), 545.4);
            EXPECT_DOUBLE_EQ(fix.GeoidalSeparation(), 46.9);
            EXPECT_FALSE(fix.IsComplete());
        }
    }
}

TEST(ReceiverSentences, GgaWithoutAltitudeOrPositionLeavesThemAbsent) {
    CGgaSentence gga;
    CFixRecord fix;
    ASSERT_TRUE(gga.Parse(Sentence(WithChecksum("$GPGGA,123519,4807.038,N,01131.000,E,1,04,1.5,"
                                                ",M,,M,,")),
                          fix));
    EXPECT_FALSE(fix.HasAltitude());
    EXPECT_EQ(fix.GeoidalSeparation(), kAbsentReal);

    // A fix claimed without coordinates stores no position, so the epoch cannot complete with
    // an unset one.
    CFixRecord noPosition;
    ASSERT_TRUE(
        gga.Parse(Sentence(WithChecksum("$GPGGA,123519,,,,,1,04,1.5,10.0,M,,M,,")), noPosition));
    EXPECT_TRUE(noPosition.HasGgaData());
    EXPECT_FALSE(noPosition.HasPosition());
}

TEST(ReceiverSentences, GgaWritesAbsentAltitudeAsEmptyField) {
    CFixRecord fix;
    fix.ApplyEpochRule(At(2024, 3, 1, 8, 9, 10));
    fix.SetPosition(CLatLong::FromDecimalDegrees(48.1173, 11.5166666667));
    CGgaSentence gga;
    struct Case {
        double altitude;
        double separation;
        std::string fields;
    } cases[] = {
        {kAbsentReal, kAbsentReal, ",1,12,1.0,,M,,M,,*"},
        {0.0, 0.0, ",1,12,1.0,,M,,M,,*"},
        {545.44, -46.96, ",1,12,1.0,545.4,M,-47.0,M,,*"},
    };
    for (const auto& c : cases) {
        fix.SetAltitude(c.altitude);
        fix.SetGeoidalSeparation(c.separation);
        CSentence out;
        ASSERT_TRUE(gga.Write(out, fix));
        EXPECT_EQ(out.Text().substr(0, 38), "$GPGGA,080910,4807.0380,N,01131.0000,E");
        EXPECT_EQ(out.Text().substr(38, out.Text().find('*') - 37), c.fields) << out.Text();
        EXPECT_TRUE(out.IsSingleSentence()) << out.Text();
        EXPECT_EQ(out.IsChecksumBad(), NmeaBoolean::False);
    }
}

TEST(ReceiverSentences, GgaRoundTripAndDescription) {
    CFixRecord fix;
    fix.ApplyEpochRule(At(2024, 3, 1, 14, 5, 6));
    fix.SetPosition(CLatLong::FromDecimalDegrees(-33.5, -70.25));
    fix.SetAltitude(123.4);
    CGgaSentence writer;
    CSentence out;
    ASSERT_TRUE(writer.Write(out, fix));

    CGgaSentence reader;
    CFixRecord back;
    ASSERT_TRUE(reader.Parse(out, back));
    EXPECT_EQ(back.Time(), kNoDateTime + 14 * 3600 + 5 * 60 + 6); // GGA carries no date
    EXPECT_EQ(back.Position(), fix.Position());
    EXPECT_DOUBLE_EQ(back.Altitude(), 123.4);
    EXPECT_EQ(back.SatellitesInUse(), 12);
    EXPECT_EQ(reader.Describe(), "At 02:05.06 PM UTC, you were at Latitude 33 30.00000 South, "
                                 "Longitude 70 15.00000 West, based upon a GPS fix, 12 "
                                 "satellites are in use.");
}

TEST(ReceiverSentences, GllParsesAndWritesWithoutTouchingTheFix) {
    CGllSentence gll;
    CFixRecord fix;
    ASSERT_TRUE(gll.Parse(Sentence("$GPGLL,4916.45,N,12311.12,W,225444,A*31\r\n"), fix));
    EXPECT_FALSE(fix.HasTime());
    EXPECT_FALSE(fix.HasPosition());
    EXPECT_EQ(gll.Input().status, NmeaBoolean::True);
    EXPECT_EQ(gll.Input().timeText, "225444");
    EXPECT_EQ(gll.Describe(), "At 10:54.44 PM UTC, you were at Latitude 49 16.45000 North, "
                              "Longitude 123 11.12000 West.");

    CFixRecord source;
    source.ApplyEpochRule(At(2024, 1, 2, 0, 0, 1));
    source.SetPosition(gll.Input().position);
    CSentence out;
    ASSERT_TRUE(gll.Write(out, source));
    EXPECT_EQ(out.Text(), WithChecksum("$GPGLL,4916.4500,N,12311.1200,W,000001,A"));
}

TEST(ReceiverSentences, GsaCopiesPrnsAndWritesFixedValues) {
    CGsaSentence gsa;
    CFixRecord fix;
    ASSERT_TRUE(gsa.Parse(Sentence(WithChecksum("$GNGSA,M,2,04,05,,09,12,,,24,,,,77,2.5,1.3,2.1,"
                                                "4")),
                          fix));
    const CFixRecord::SatelliteList expected{4, 5, 0, 9, 12, 0, 0, 24, 0, 0, 0, 77};
    EXPECT_EQ(fix.SatellitesUsed(), expected);
    EXPECT_TRUE(fix.HasSatellitesUsed());
    EXPECT_EQ(gsa.Input().operatingMode, 1);
    EXPECT_EQ(gsa.Input().fixMode, 2);
    EXPECT_DOUBLE_EQ(gsa.Input().verticalDilution, 2.1);

    CSentence out;
    ASSERT_TRUE(gsa.Write(out, fix));
    EXPECT_EQ(out.Text(), WithChecksum("$GPGSA,A,3,1,2,3,4,5,6,7,8,9,10,11,12,1.0,1.0,1.0"));
}

TEST(ReceiverSentences, GsvFillsSlotsByMessageAndClampsCounts) {
    struct Case {
        std::string body;
        bool accepted;
        int inView;
        int firstSlot; // slot of the sentence's first satellite
        CSatelliteData first;
    } cases[] = {
        {"$GPGSV,2,1,08,01,40,083,46,02,17,308,41,12,07,344,39,14,22,228,45",
         true,
         8,
         0,
         {1, 40, 83, 46}},
        {"$GPGSV,2,2,08,22,10,010,,23,11,011,31", true, 8, 4, {22, 10, 10, -1}},
        {"$GPGSV,5,3,30,07,40,083,46", true, 12, 8, {7, 40, 83, 46}}, // total 5 reads as 3
        {"$GPGSV,3,4,12,07,40,083,46", false, 0, 0, {}},              // number beyond total
        {"$GPGSV,3,0,12,07,40,083,46", false, 0, 0, {}},
        {"$GPGSV,1,1,00", true, 12, 0, {0, 0, 0, -1}}, // count outside 1-12 reads as 12
    };
    for (const auto& c : cases) {
        CGsvSentence gsv;
        CFixRecord fix;
        EXPECT_EQ(gsv.Parse(Sentence(WithChecksum(c.body)), fix), c.accepted) << c.body;
        if (c.accepted) {
            EXPECT_EQ(fix.SatellitesInView(), c.inView) << c.body;
            EXPECT_EQ(gsv.Input().satellites[static_cast<std::size_t>(c.firstSlot)], c.first)
                << c.body;
        } else {
            EXPECT_EQ(fix.SatellitesInView(), kUnknownCount);
        }
    }
}

TEST(ReceiverSentences, GsvSignalIdIsNotReadAsASatellite) {
    CGsvSentence gsv;
    CFixRecord fix;
    // Two satellites and the signal id "1": slots 2 and 3 stay empty.
    ASSERT_TRUE(gsv.Parse(Sentence(WithChecksum("$GPGSV,1,1,02,07,40,083,46,09,12,120,,1")), fix));
    EXPECT_EQ(gsv.Input().satellites[1], (CSatelliteData{9, 12, 120, -1}));
    EXPECT_EQ(gsv.Input().satellites[2], (CSatelliteData{0, 0, 0, -1}));
    // Four satellites and the signal id: the twentieth field ends the fourth satellite's SNR.
    ASSERT_TRUE(gsv.Parse(Sentence(WithChecksum("$GPGSV,1,1,04,01,1,1,11,02,2,2,22,03,3,3,33,"
                                                "04,4,4,44,8")),
                          fix));
    EXPECT_EQ(gsv.Input().satellites[3], (CSatelliteData{4, 4, 4, 44}));
}

TEST(ReceiverSentences, GsvWritesABouncingSimulatedConstellation) {
    CGsvSentence gsv;
    const CFixRecord fix;
    CSentence out;
    std::vector<int> elevations;
    std::vector<int> offsets;
    for (int call = 1; call <= 95; ++call) {
        ASSERT_TRUE(gsv.Write(out, fix));
        ASSERT_TRUE(out.IsWellFormedOutput());
        elevations.push_back(gsv.Output().satellites[0].elevation);
        offsets.push_back(gsv.Output().satellites[0].azimuth);
        EXPECT_EQ(gsv.Output().satellites[11].azimuth, 330 + offsets.back());
        if (call == 1) {
            const std::string first =
                WithChecksum("$GPGSV,3,1,12,1,,,40,2,,30,40,3,,60,40,4,,90,40");
            EXPECT_EQ(out.Text().substr(0, first.size()), first);
        }
    }
    EXPECT_EQ(elevations[0], 0);
    EXPECT_EQ(elevations[1], 1);
    EXPECT_EQ(elevations[89], 89); // the 89th step
    EXPECT_EQ(elevations[90], 89); // one call of pause
    EXPECT_EQ(elevations[91], 88);
    EXPECT_EQ(offsets[0], 0);
    EXPECT_EQ(offsets[1], 1);
    EXPECT_EQ(offsets[29], 29);
    EXPECT_EQ(offsets[30], 29);
    EXPECT_EQ(offsets[31], 28);
    EXPECT_EQ(offsets[58], 1);
    EXPECT_EQ(offsets[59], 1); // pause at the low end
    EXPECT_EQ(offsets[60], 2);

    gsv.Empty(RecordSide::Output); // does not restart the counters
    ASSERT_TRUE(gsv.Write(out, fix));
    EXPECT_EQ(gsv.Output().satellites[0].elevation, 84);
}

TEST(ReceiverSentences, RmcUpdatesTheFixOnlyWhenValid) {
    CRmcSentence rmc;
    CFixRecord fix;
    ASSERT_TRUE(rmc.Parse(Sentence(WithChecksum(kRmc + ",D,V")), fix));
    EXPECT_TRUE(fix.HasRmcData());
    EXPECT_EQ(fix.Time(), At(2094, 11, 19, 22, 54, 46));
    EXPECT_DOUBLE_EQ(fix.SpeedOverGround(), 0.5);
    EXPECT_DOUBLE_EQ(fix.CourseOverGround(), 54.7);
    EXPECT_DOUBLE_EQ(fix.MagneticVariation(), 20.3);
    EXPECT_EQ(fix.VariationDirection(), EastWest::East);
    EXPECT_EQ(rmc.Input().mode, ModeIndicator::Differential);
    EXPECT_EQ(rmc.Input().dateText, "191194");
    EXPECT_EQ(rmc.Describe(), "At 10:54.46 PM UTC, you were at Latitude 49 16.45000 North, "
                              "Longitude 123 11.12000 West, making 0.50 knots, track made good "
                              "54.70 degrees true.");

    CFixRecord untouched;
    ASSERT_TRUE(rmc.Parse(
        Sentence(WithChecksum("$GPRMC,225446,V,4916.45,N,12311.12,W,000.5,054.7,191194,020.3,E")),
        untouched));
    EXPECT_FALSE(untouched.HasTime());
    EXPECT_FALSE(untouched.HasRmcData());
    EXPECT_EQ(rmc.Input().status, NmeaBoolean::False);
}

TEST(ReceiverSentences, RmcWriteRoundTrip) {
    CFixRecord fix;
    fix.ApplyEpochRule(At(2023, 12, 31, 23, 59, 58));
    fix.SetPosition(CLatLong::FromDecimalDegrees(51.5, -0.125));
    fix.SetSpeedOverGround(12.34);
    fix.SetCourseOverGround(359.96);
    fix.SetMagneticVariation(1.5);
    fix.SetVariationDirection(EastWest::West);
    CRmcSentence rmc;
    CSentence out;
    ASSERT_TRUE(rmc.Write(out, fix));
    EXPECT_EQ(out.Text(),
              WithChecksum("$GPRMC,235958,A,5130.0000,N,00007.5000,W,12.3,360.0,311223,1.5,W"));
    CFixRecord back;
    ASSERT_TRUE(rmc.Parse(out, back));
    EXPECT_EQ(back.Time(), fix.Time());
    EXPECT_EQ(back.Position(), fix.Position());
}

TEST(ReceiverSentences, VtgReadsAndWritesSpeeds) {
    CVtgSentence vtg;
    CFixRecord fix;
    ASSERT_TRUE(vtg.Parse(Sentence(WithChecksum("$GPVTG,054.7,T,034.4,M,005.5,N,010.2,K")), fix));
    EXPECT_DOUBLE_EQ(vtg.Input().courseTrue, 54.7);
    EXPECT_DOUBLE_EQ(vtg.Input().courseMagnetic, 34.4);
    EXPECT_DOUBLE_EQ(vtg.Input().speedKnots, 5.5);
    EXPECT_DOUBLE_EQ(vtg.Input().speedKmh, 10.2);
    EXPECT_FALSE(fix.HasTime());

    fix.SetSpeedOverGround(10.0);
    fix.SetCourseOverGround(90.0);
    CSentence out;
    ASSERT_TRUE(vtg.Write(out, fix));
    EXPECT_EQ(out.Text(), WithChecksum("$GPVTG,90.0,T,,M,10.0,N,18.5,K"));
}

} // namespace
