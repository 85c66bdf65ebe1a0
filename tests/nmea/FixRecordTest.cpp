#include "nmea/FixRecord.h"
#include "nmea/GgaSentence.h"
#include "nmea/GsaSentence.h"
#include "nmea/GsvSentence.h"
#include "nmea/RmcSentence.h"
#include "tests/nmea/NmeaTestText.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

CalendarTime Dated(int hour, int minute, int second) {
    return MakeCalendarTime({2024, 6, 30, hour, minute, second});
}

CalendarTime Undated(int hour, int minute, int second) {
    return MakeCalendarTime({1999, 1, 1, hour, minute, second});
}

TEST(FixRecord, EpochRuleJoinsOrRestarts) {
    struct Case {
        const char* label;
        std::vector<CalendarTime> offered;
        CalendarTime expectedTime;
        bool keepsEarlierData; // the speed set after the first offer survives
    } cases[] = {
        {"first time", {Undated(12, 0, 0)}, Undated(12, 0, 0), true},
        {"undated then dated, same second",
         {Undated(12, 0, 0), Dated(12, 0, 0)},
         Dated(12, 0, 0),
         true},
        {"dated then undated, same second",
         {Dated(12, 0, 0), Undated(12, 0, 0)},
         Dated(12, 0, 0),
         true},
        {"next second", {Undated(12, 0, 0), Undated(12, 0, 1)}, Undated(12, 0, 1), false},
        {"both undated, same second",
         {Undated(12, 0, 0), Undated(12, 0, 0)},
         Undated(12, 0, 0),
         false},
        {"both dated, same second", {Dated(12, 0, 0), Dated(12, 0, 0)}, Dated(12, 0, 0), false},
        {"dated then undated, other second",
         {Dated(12, 0, 0), Undated(12, 0, 1)},
         Undated(12, 0, 1),
         false},
        {"same second of another day",
         {Dated(12, 0, 0), Dated(12, 0, 0) + 86400},
         Dated(12, 0, 0) + 86400,
         false},
    };
    for (const auto& c : cases) {
        CFixRecord fix;
        fix.ApplyEpochRule(c.offered[0]);
        fix.SetSpeedOverGround(7.0);
        fix.SetSatellitesInUse(5);
        for (std::size_t i = 1; i < c.offered.size(); ++i) {
            fix.ApplyEpochRule(c.offered[i]);
        }
        EXPECT_TRUE(fix.HasTime()) << c.label;
        EXPECT_EQ(fix.Time(), c.expectedTime) << c.label;
        EXPECT_EQ(fix.SpeedOverGround(), c.keepsEarlierData ? 7.0 : 0.0) << c.label;
        EXPECT_EQ(fix.SatellitesInUse(), c.keepsEarlierData ? 5 : kUnknownCount) << c.label;
    }
}

TEST(FixRecord, PositionIsTakenOncePerEpoch) {
    CFixRecord fix;
    const CLatLong first = CLatLong::FromDecimalDegrees(1.0, 2.0);
    fix.SetPosition(first);
    fix.SetPosition(CLatLong::FromDecimalDegrees(3.0, 4.0));
    EXPECT_EQ(fix.Position(), first);
    fix.ApplyEpochRule(Dated(1, 2, 3)); // a new epoch takes a new position
    fix.SetPosition(CLatLong::FromDecimalDegrees(3.0, 4.0));
    EXPECT_EQ(fix.Position(), CLatLong::FromDecimalDegrees(3.0, 4.0));
}

// One receiver epoch fed sentence by sentence through the types that update a fix.
class EpochFeed {
public:
    bool Feed(const std::string& body) {
        const CSentence sentence(WithChecksum(body));
        const std::string mnemonic = body.substr(3, 3);
        if (mnemonic == "GGA") {
            return m_gga.Parse(sentence, fix);
        }
        if (mnemonic == "RMC") {
            return m_rmc.Parse(sentence, fix);
        }
        if (mnemonic == "GSA") {
            return m_gsa.Parse(sentence, fix);
        }
        return m_gsv.Parse(sentence, fix);
    }

    CFixRecord fix;

private:
    CGgaSentence m_gga;
    CRmcSentence m_rmc;
    CGsaSentence m_gsa;
    CGsvSentence m_gsv;
};

std::string Gga(const char* time, const char* quality = "1") {
    return std::string("$GPGGA,") + time + ",4807.038,N,01131.000,E," + quality +
           ",08,0.9,545.4,M,46.9,M,,";
}

std::string Rmc(const char* time) {
    return std::string("$GPRMC,") + time + ",A,4807.040,N,01131.000,E,022.4,084.4,300624,,";
}

TEST(FixRecord, SentencesOfOneSecondFormOneEpoch) {
    struct Case {
        const char* label;
        std::vector<std::string> bodies;
        bool complete;
        CalendarTime time;
        bool hasGga;
    } cases[] = {
        {"GGA then RMC", {Gga("120000"), Rmc("120000")}, true, Dated(12, 0, 0), true},
        {"RMC then GGA", {Rmc("120000"), Gga("120000")}, true, Dated(12, 0, 0), true},
        {"GGA then next GGA", {Gga("120000"), Gga("120001")}, false, Undated(12, 0, 1), true},
        {"two GGA of one second", {Gga("120000"), Gga("120000")}, false, Undated(12, 0, 0), true},
        {"RMC then GGA of the next second",
         {Rmc("120000"), Gga("120001")},
         false,
         Undated(12, 0, 1),
         true},
        {"GGA without fix", {Gga("120000", "0")}, false, kNoDateTime, false},
    };
    for (const auto& c : cases) {
        EpochFeed feed;
        for (const std::string& body : c.bodies) {
            ASSERT_TRUE(feed.Feed(body)) << c.label << ": " << body;
        }
        EXPECT_EQ(feed.fix.IsComplete(), c.complete) << c.label;
        EXPECT_EQ(feed.fix.Time(), c.time) << c.label;
        EXPECT_EQ(feed.fix.HasGgaData(), c.hasGga) << c.label;
        EXPECT_EQ(feed.fix.SatellitesInUse(), 8) << c.label;
    }
}

TEST(FixRecord, EpochKeepsTheFirstPositionAndGgaAltitude) {
    EpochFeed feed;
    ASSERT_TRUE(feed.Feed(Gga("120000")));
    ASSERT_TRUE(feed.Feed("$GPGSA,A,3,04,05,,09,12,,,24,,,,,2.5,1.3,2.1"));
    ASSERT_TRUE(feed.Feed("$GPGSV,1,1,05,04,40,083,46"));
    ASSERT_TRUE(feed.Feed(Rmc("120000")));
    ASSERT_TRUE(feed.fix.IsComplete());
    EXPECT_NEAR(feed.fix.Position().Latitude().NmeaValue(), 4807.038, 1e-9); // GGA's
    EXPECT_DOUBLE_EQ(feed.fix.Altitude(), 545.4);
    EXPECT_DOUBLE_EQ(feed.fix.SpeedOverGround(), 22.4);
    EXPECT_EQ(feed.fix.SatellitesInView(), 5);
    EXPECT_EQ(feed.fix.SatellitesUsed()[0], 4);
}

} // namespace
