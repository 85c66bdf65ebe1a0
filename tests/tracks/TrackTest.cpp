#include "tracks/Track.h"

#include "navigation/Geodesy.h"
#include "platform/Prompts.h"
#include "tests/tracks/NmeaLines.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace {

using nmealines::Gga;
using nmealines::Line;
using nmealines::Rmc;

constexpr int kNoon = 12 * 3600;

void Feed(CTrack& track, const std::vector<std::string>& lines) {
    for (const std::string& line : lines) {
        bool outOfMemory = false;
        track.DecodeLine(line, outOfMemory);
        ASSERT_FALSE(outOfMemory) << line;
    }
}

// One complete epoch: GGA then RMC of the same second.
std::vector<std::string> Epoch(int second, double latitude, double longitude, double knots,
                               std::string_view altitude = "100.0", double course = 0.0) {
    return {Gga(second, latitude, longitude, altitude),
            Rmc(second, latitude, longitude, knots, course)};
}

void Append(std::vector<std::string>& to, const std::vector<std::string>& lines) {
    to.insert(to.end(), lines.begin(), lines.end());
}

double Latitude(const TrackPoint& point) {
    return point.Position().Latitude().DecimalDegrees();
}

double Longitude(const TrackPoint& point) {
    return point.Position().Longitude().DecimalDegrees();
}

std::string TimeText(CalendarTime time) {
    return FormatCalendarTime(time, "%Y-%m-%d %H:%M:%S");
}

TEST(TrackPointRule, EpochsBecomePoints) {
    const double lat = 46.9;
    const double lon = 7.4;
    struct Case {
        const char* label;
        std::vector<std::string> lines;
        int points;
        bool firstHasAltitude;
        const char* firstTime;
    };
    const Case cases[] = {
        {"GGA then RMC of one second", Epoch(kNoon, lat, lon, 5.0), 1, true, "2026-05-01 12:00:00"},
        {"RMC then GGA of one second",
         {Rmc(kNoon, lat, lon, 5.0), Gga(kNoon, lat, lon)},
         1,
         true,
         "2026-05-01 12:00:00"},
        {"lines after a complete epoch add nothing",
         {Gga(kNoon, lat, lon), Rmc(kNoon, lat, lon, 5.0),
          Line("GPGSA,A,3,01,02,03,04,,,,,,,,,1.8,1.0,1.5"),
          Line("GPVTG,0.00,T,,M,5.00,N,9.26,K,A"),
          Line("GPGLL,4654.0000,N,00724.0000,E,120000,A,A")},
         1,
         true,
         "2026-05-01 12:00:00"},
        {"three RMC-only epochs: one point per cycle, one cycle late",
         {Rmc(kNoon, lat, lon, 5.0), Rmc(kNoon + 1, lat + 0.001, lon, 5.0),
          Rmc(kNoon + 2, lat + 0.002, lon, 5.0)},
         2,
         false,
         "2026-05-01 12:00:00"},
        {"GGA only never completes",
         {Gga(kNoon, lat, lon), Gga(kNoon + 1, lat + 0.001, lon)},
         0,
         false,
         ""},
        {"GGA without a fix: the RMC epochs count as RMC-only",
         {Gga(kNoon, lat, lon, "100.0", "0.9", 0), Rmc(kNoon, lat, lon, 5.0),
          Gga(kNoon + 1, lat + 0.001, lon, "100.0", "0.9", 0),
          Rmc(kNoon + 1, lat + 0.001, lon, 5.0)},
         1,
         false,
         "2026-05-01 12:00:00"},
        {"HDOP 10.0 is still a fix",
         {Gga(kNoon, lat, lon, "100.0", "10.0"), Rmc(kNoon, lat, lon, 5.0)},
         1,
         true,
         "2026-05-01 12:00:00"},
        {"HDOP 10.1 is not",
         {Gga(kNoon, lat, lon, "100.0", "10.1"), Rmc(kNoon, lat, lon, 5.0)},
         0,
         false,
         ""},
        {"GGA and RMC of different seconds do not join",
         {Gga(kNoon, lat, lon), Rmc(kNoon + 1, lat, lon, 5.0)},
         0,
         false,
         ""},
        {"talker GN decodes like GP",
         {Line("GNGGA,120000,4654.000000,N,00724.000000,E,1,8,0.9,100.0,M,47.0,M,,"),
          Line("GNRMC,120000,A,4654.000000,N,00724.000000,E,5.00,0.00,010526,,,A")},
         1,
         true,
         "2026-05-01 12:00:00"},
        {"an RMC without coordinates is no point",
         {Rmc(kNoon, lat, lon, 5.0), Line("GPRMC,120001,A,,,,,5.0,0.0,010526,,,A"),
          Rmc(kNoon + 2, lat + 0.001, lon, 5.0), Rmc(kNoon + 3, lat + 0.002, lon, 5.0)},
         2,
         false,
         "2026-05-01 12:00:00"},
        {"record file header lines and unknown sentences change nothing",
         {Line("PZRVPVD,Velmora Recorder 3,v3.9.91"), Line("GPZDA,120000,01,05,2026,,"),
          Gga(kNoon, lat, lon), Rmc(kNoon, lat, lon, 5.0)},
         1,
         true,
         "2026-05-01 12:00:00"},
    };
    for (const Case& c : cases) {
        const auto track = std::make_unique<CTrack>();
        Feed(*track, c.lines);
        ASSERT_EQ(track->PointCount(), c.points) << c.label;
        EXPECT_EQ(track->CurrentIndex(), c.points > 0 ? 0 : -1) << c.label;
        if (c.points > 0) {
            const TrackPoint first = track->PointAt(0);
            EXPECT_EQ(first.HasAltitude(), c.firstHasAltitude) << c.label;
            EXPECT_EQ(TimeText(first.Time()), c.firstTime) << c.label;
            EXPECT_NEAR(Latitude(first), lat, 1e-9) << c.label;
        }
    }
}

// Survey receivers send more decimals than fit in 82 characters; the point keeps them.
TEST(TrackPointRule, HighPrecisionSentencesLongerThan82CharactersBecomePoints) {
    const std::string gga = Line("GNGGA,120000.00,4916.4512345678,N,12311.1234567890,W,4,12,0.55,"
                                 "545.4321,M,46.9012,M,1.0,0000");
    const std::string rmc = Line("GNRMC,120000.00,A,4916.4512345678,N,12311.1234567890,W,"
                                 "5.123456,45.654321,010526,,,R,V");
    ASSERT_GT(gga.size(), 90u);
    ASSERT_GT(rmc.size(), 82u);
    CTrack track;
    bool outOfMemory = false;
    EXPECT_TRUE(track.DecodeLine(gga, outOfMemory));
    EXPECT_TRUE(track.DecodeLine(rmc, outOfMemory));
    ASSERT_EQ(track.PointCount(), 1);
    const TrackPoint point = track.PointAt(0);
    EXPECT_NEAR(point.Position().Latitude().DecimalDegrees(), 49.0 + 16.4512345678 / 60.0, 1e-12);
    EXPECT_NEAR(point.Position().Longitude().DecimalDegrees(), -(123.0 + 11.123456789 / 60.0),
                1e-12);
    EXPECT_DOUBLE_EQ(point.Altitude(), 545.4321);
}

TEST(TrackStatistics, SamePositionCollapsesIntoOnePoint) {
    const auto track = std::make_unique<CTrack>();
    // The first fix has no altitude (RMC-only point); a later one at the same place has.
    std::vector<std::string> lines = {Rmc(kNoon, 46.9, 7.4, 0.0), Rmc(kNoon + 1, 46.9, 7.4, 0.0)};
    for (int s = 2; s < 10; ++s) {
        Append(lines, Epoch(kNoon + s, 46.9, 7.4, 0.0, "512.5"));
    }
    Feed(*track, lines);
    ASSERT_EQ(track->PointCount(), 1);
    const TrackPoint point = track->PointAt(0);
    EXPECT_EQ(TimeText(point.Time()), "2026-05-01 12:00:09") << "takes the last fix's time";
    ASSERT_TRUE(point.HasAltitude()) << "takes the altitude it lacked";
    EXPECT_EQ(point.Altitude(), 512.5);
    EXPECT_EQ(track->TripDistance(), 0.0);
    EXPECT_EQ(track->ElapsedSeconds(), 9);
}

TEST(TrackStatistics, StationaryJitterAddsPointsButNoTrip) {
    const auto track = std::make_unique<CTrack>();
    // Up to about 20 m around one place, in units of 0.0001 degrees (11 m of latitude); the
    // last fix repeats the one before.
    const std::pair<double, double> offsets[] = {{0, 0},      {1, 0}, {-1, 1}, {1.5, -1},
                                                 {-0.5, 0.5}, {1, 1}, {1, 1}};
    std::vector<std::string> lines;
    int second = kNoon;
    for (const auto& [north, east] : offsets) {
        Append(lines, Epoch(second++, 46.9 + north * 1e-4, 7.4 + east * 1e-4, 0.3));
    }
    Feed(*track, lines);
    EXPECT_EQ(track->PointCount(), 6) << "the last fix repeats the previous position";
    EXPECT_EQ(track->TripDistance(), 0.0);
    EXPECT_EQ(track->TripTimeSeconds(), 0) << "never faster than 0.5 kn";
    EXPECT_EQ(track->ElapsedSeconds(), 6);
}

TEST(TrackStatistics, OdometerAdvancesInStepsBeyond50Metres) {
    const struct {
        const char* label;
        double stepDegrees; // along a meridian
        int fixes;
    } cases[] = {
        {"steps of 111 m: every step counts", 0.001, 11},
        {"steps of 22 m: the anchor moves every third step", 0.0002, 10},
    };
    for (const auto& c : cases) {
        const auto track = std::make_unique<CTrack>();
        std::vector<std::string> lines;
        for (int i = 0; i < c.fixes; ++i) {
            Append(lines, Epoch(kNoon + i, 46.9 + i * c.stepDegrees, 7.4, 10.0));
        }
        Feed(*track, lines);
        ASSERT_EQ(track->PointCount(), c.fixes) << c.label;
        // Replay the anchor rule over the stored positions.
        double trip = 0.0;
        TrackPoint anchor = track->PointAt(0);
        for (int i = 0; i < c.fixes; ++i) {
            const TrackPoint point = track->PointAt(i);
            const double d =
                GetDistance(Latitude(anchor), Longitude(anchor), Latitude(point), Longitude(point));
            if (d > CTrack::kOdometerStepNmi) {
                trip += d;
                anchor = point;
            }
            EXPECT_DOUBLE_EQ(point.TripDistance(), trip) << c.label << " point " << i;
        }
        EXPECT_DOUBLE_EQ(track->TripDistance(), trip) << c.label;
        EXPECT_GT(trip, 0.0) << c.label;
    }
}

TEST(TrackStatistics, ExtremesAndAverageLeaveOutTheFirstPoint) {
    const auto track = std::make_unique<CTrack>();
    std::vector<std::string> lines;
    // The first point is the fastest and the highest; it enters no statistic.
    Append(lines, Epoch(kNoon, 46.900, 7.4, 50.0, "900.0"));
    Append(lines, Epoch(kNoon + 1, 46.901, 7.4, 10.0, "300.0"));
    Append(lines, Epoch(kNoon + 2, 46.902, 7.4, 30.0, "200.0"));
    Append(lines, Epoch(kNoon + 3, 46.903, 7.4, 20.0, "400.0"));
    Append(lines, Epoch(kNoon + 4, 46.904, 7.4, 0.0, "250.0")); // stopped, but moved
    Feed(*track, lines);
    ASSERT_EQ(track->PointCount(), 5);
    EXPECT_EQ(track->MaxSpeed(), 30.0);
    EXPECT_EQ(track->MaxSpeedIndex(), 2);
    EXPECT_EQ(track->MaxAltitude(), 400.0);
    EXPECT_EQ(track->MaxAltitudeIndex(), 3);
    EXPECT_EQ(track->MinAltitude(), 200.0);
    EXPECT_EQ(track->MinAltitudeIndex(), 2);
    EXPECT_DOUBLE_EQ(track->AverageSpeed(), (10.0 + 30.0 + 20.0 + 0.0) / 4);
    EXPECT_EQ(track->TripTimeSeconds(), 3) << "the stopped fix is not moving time";
}

TEST(TrackStatistics, AltitudeOfAGgaAfterVtgEntersTheExtremes) {
    // RMC, VTG, GGA per second: the VTG stores the RMC-only point, the GGA completes it.
    const auto track = std::make_unique<CTrack>();
    std::vector<std::string> lines;
    const char* altitudes[] = {"900.0", "300.0", "200.0", "400.0", "250.0"};
    for (int i = 0; i < 5; ++i) {
        const double lat = 46.9 + i * 0.001;
        Append(lines, {Rmc(kNoon + i, lat, 7.4, 10.0), Line("GPVTG,0.00,T,,M,10.00,N,18.52,K,A"),
                       Gga(kNoon + i, lat, 7.4, altitudes[i], "0.9", 1, 7)});
    }
    Feed(*track, lines);
    ASSERT_EQ(track->PointCount(), 5) << "the points stay as they were stored";
    EXPECT_EQ(track->MaxAltitude(), 400.0);
    EXPECT_EQ(track->MaxAltitudeIndex(), 3);
    EXPECT_EQ(track->MinAltitude(), 200.0);
    EXPECT_EQ(track->MinAltitudeIndex(), 2) << "the first point's 900 m enters no extreme";
    for (int i = 0; i < 5; ++i) {
        const TrackPoint point = track->PointAt(i);
        EXPECT_EQ(TimeText(point.Time()), "2026-05-01 12:00:0" + std::to_string(i));
        EXPECT_EQ(point.Altitude(), std::stod(altitudes[i])) << i;
        EXPECT_EQ(point.GeoidalSeparation(), 47.0) << i;
        EXPECT_EQ(point.SatellitesInUse(), 7) << i;
    }
    ASSERT_TRUE(track->SetCurrentIndex(3));
    ASSERT_TRUE(track->Compose("GGA"));
    EXPECT_NE(track->Output().Text().find(",400.0,M,47.0,M,"), std::string::npos)
        << track->Output().Text();
}

TEST(TrackStatistics, AbsurdSpeedsKeepTheAverageFinite) {
    const auto track = std::make_unique<CTrack>();
    std::vector<std::string> lines;
    const char* speeds[] = {"1.0", "1e308", "1e308", "1e308", "-1e308"};
    for (int i = 0; i < 5; ++i) {
        const std::string position = nmealines::Coordinates(46.9 + i * 0.001, 7.4);
        Append(lines, {Gga(kNoon + i, 46.9 + i * 0.001, 7.4),
                       Line("GPRMC," + nmealines::Hms(kNoon + i) + ",A," + position + "," +
                            speeds[i] + ",0.0,010526,,,A")});
    }
    Feed(*track, lines);
    ASSERT_EQ(track->PointCount(), 5);
    EXPECT_EQ(track->MaxSpeed(), 1e308);
    EXPECT_TRUE(std::isfinite(track->AverageSpeed())) << track->AverageSpeed();
    EXPECT_DOUBLE_EQ(track->AverageSpeed(), 5e307) << "(3 x 1e308 - 1e308) / 4";
}

TEST(TrackStatistics, WithoutAltitudesTheExtremesStayUnset) {
    const auto track = std::make_unique<CTrack>();
    std::vector<std::string> lines;
    for (int i = 0; i < 4; ++i) {
        Append(lines, Epoch(kNoon + i, 46.9 + i * 0.001, 7.4, 10.0, ""));
    }
    Feed(*track, lines);
    ASSERT_EQ(track->PointCount(), 4);
    EXPECT_EQ(track->MaxAltitude(), -kAbsentReal);
    EXPECT_EQ(track->MinAltitude(), kAbsentReal);
    EXPECT_EQ(track->MaxAltitudeIndex(), -1);
    EXPECT_EQ(track->MinAltitudeIndex(), -1);
}

TEST(TrackStatistics, ElapsedAndTripTime) {
    const struct {
        const char* label;
        std::vector<int> seconds; // since noon, in feeding order
        int elapsed;
        int tripTime;
    } cases[] = {
        {"fixes every second", {0, 1, 2, 3, 4}, 4, 4},
        {"fixes every 2 s count one second each", {0, 2, 4, 6, 8}, 8, 4},
        {"a fix before the start (clock wrap) changes neither", {10, 11, 5}, 1, 1},
    };
    for (const auto& c : cases) {
        const auto track = std::make_unique<CTrack>();
        std::vector<std::string> lines;
        double lat = 46.9;
        for (const int s : c.seconds) {
            Append(lines, Epoch(kNoon + s, lat, 7.4, 20.0));
            lat += 0.001;
        }
        Feed(*track, lines);
        EXPECT_EQ(track->ElapsedSeconds(), c.elapsed) << c.label;
        EXPECT_EQ(track->TripTimeSeconds(), c.tripTime) << c.label;
    }
}

TEST(TrackStatistics, SatelliteCounts) {
    const struct {
        const char* label;
        std::vector<std::string> lines;
        int inUse;
        int inView;
        std::array<int, 3> firstPrns;
    } cases[] = {
        {"in use within the count in view",
         {Line("GPGSV,3,1,10"), Gga(kNoon, 46.9, 7.4, "100.0", "0.9", 1, 8),
          Line("GPGSA,A,3,33,48,05,,,,,,,,,,1.8,1.0,1.5")},
         8,
         10,
         {33, 48, 5}},
        {"more in use than in view: in view minus 3",
         {Line("GPGSV,3,1,10"), Gga(kNoon, 46.9, 7.4, "100.0", "0.9", 1, 11)},
         7,
         10,
         {0, 0, 0}},
        {"nothing in view yet: never a negative count, the list cleared",
         {Gga(kNoon, 46.9, 7.4, "100.0", "0.9", 1, 8),
          Line("GPGSA,A,3,33,48,05,,,,,,,,,,1.8,1.0,1.5")},
         0,
         0,
         {0, 0, 0}},
    };
    for (const auto& c : cases) {
        const auto track = std::make_unique<CTrack>();
        Feed(*track, c.lines);
        EXPECT_EQ(track->SatellitesInUse(), c.inUse) << c.label;
        EXPECT_EQ(track->SatellitesInView(), c.inView) << c.label;
        for (std::size_t i = 0; i < c.firstPrns.size(); ++i) {
            EXPECT_EQ(track->SatellitesUsed()[i], c.firstPrns[i]) << c.label << " slot " << i;
        }
    }
}

TEST(TrackStatistics, BoundsHoldEveryPoint) {
    const struct {
        const char* label;
        std::vector<std::pair<double, double>> positions; // latitude, longitude
        double west, east, south, north;
    } cases[] = {
        {"northward, eastward, then back",
         {{46.9, 7.4}, {47.0, 7.4}, {47.1, 7.6}, {46.8, 7.3}},
         7.3,
         7.6,
         46.8,
         47.1},
        {"across the 180 meridian eastward",
         {{-17.0, 179.8}, {-17.0, 179.95}, {-17.1, -179.9}, {-17.2, -179.7}},
         179.8,
         -179.7,
         -17.2,
         -17.0},
        {"across the 180 meridian westward",
         {{-17.0, -179.7}, {-17.0, -179.95}, {-17.1, 179.9}},
         179.9,
         -179.7,
         -17.1,
         -17.0},
    };
    for (const auto& c : cases) {
        const auto track = std::make_unique<CTrack>();
        std::vector<std::string> lines;
        int second = kNoon;
        for (const auto& [lat, lon] : c.positions) {
            // A course that points away from the motion must not matter.
            Append(lines, Epoch(second++, lat, lon, 20.0, "100.0", 180.0));
        }
        Feed(*track, lines);
        ASSERT_EQ(track->PointCount(), static_cast<int>(c.positions.size())) << c.label;
        EXPECT_NEAR(track->West(), c.west, 1e-6) << c.label;
        EXPECT_NEAR(track->East(), c.east, 1e-6) << c.label;
        EXPECT_NEAR(track->South(), c.south, 1e-6) << c.label;
        EXPECT_NEAR(track->North(), c.north, 1e-6) << c.label;
    }
}

// Every statistic, count, time, satellite value, bound and name as text.
std::string Statistics(const CTrack& t) {
    std::ostringstream text;
    text << t.TripDistance() << ' ' << t.MaxSpeed() << ' ' << t.AverageSpeed() << ' '
         << t.MaxAltitude() << ' ' << t.MinAltitude() << ' ' << t.West() << ' ' << t.East() << ' '
         << t.South() << ' ' << t.North() << ' ' << t.PointCount() << ' ' << t.CurrentIndex() << ' '
         << t.MaxSpeedIndex() << ' ' << t.MaxAltitudeIndex() << ' ' << t.MinAltitudeIndex() << ' '
         << t.StartTime() << ' ' << t.LastTime() << ' ' << t.ElapsedSeconds() << ' '
         << t.TripTimeSeconds() << ' ' << t.SatellitesInView() << ' ' << t.SatellitesInUse() << ' '
         << t.DisplayName() << '|' << t.FileName();
    for (const int prn : t.SatellitesUsed()) {
        text << ',' << prn;
    }
    return text.str();
}

TEST(TrackLifecycle, ResetKeepsOnlyThePlaybackSettings) {
    const auto track = std::make_unique<CTrack>();
    const std::string initial = Statistics(*track);
    track->SetPlaybackMode(PlaybackMode::Play);
    track->SetPlaybackDirection(PlaybackDirection::Reverse);
    track->SetSpeedZoom(30);
    track->SetDisplayName("drive.txt");
    track->SetFileName("/home/u/drive.txt");
    std::vector<std::string> lines = {Line("GPGSV,3,1,10"),
                                      Line("GPGSA,A,3,33,48,05,,,,,,,,,,1.8,1.0,1.5")};
    for (int i = 0; i < 3; ++i) {
        Append(lines, Epoch(kNoon + i, 46.9 + i * 0.001, 7.4 + i * 0.001, 10.0 + i));
    }
    Feed(*track, lines);
    ASSERT_EQ(track->PointCount(), 3);

    track->Reset();
    EXPECT_EQ(Statistics(*track), initial);
    EXPECT_EQ(track->DisplayName(), kApplicationName);
    EXPECT_EQ(track->GetPlaybackMode(), PlaybackMode::Play);
    EXPECT_EQ(track->GetPlaybackDirection(), PlaybackDirection::Reverse);
    EXPECT_EQ(track->GetSpeedZoom(), 30);

    // A reset track starts over: the first point again enters no statistic.
    Feed(*track, Epoch(kNoon + 100, 10.0, 10.0, 40.0));
    ASSERT_EQ(track->PointCount(), 1);
    EXPECT_EQ(track->MaxSpeed(), 0.0);
    EXPECT_EQ(track->StartTime(), track->PointAt(0).Time());
}

TEST(TrackCompose, FromThePointUnderTheCursor) {
    const auto track = std::make_unique<CTrack>();
    EXPECT_FALSE(track->SetCurrentIndex(0));
    EXPECT_FALSE(track->Compose("GSV")) << "empty track";
    EXPECT_TRUE(track->Output().IsEmpty());

    // An RMC-only track: its points have no altitude.
    Feed(*track, {Rmc(kNoon, 46.9, 7.4, 10.0, 45.0), Rmc(kNoon + 1, 46.91, 7.4, 10.0, 45.0),
                  Rmc(kNoon + 2, 46.92, 7.4, 10.0, 45.0)});
    ASSERT_EQ(track->PointCount(), 2);
    EXPECT_FALSE(track->SetCurrentIndex(2));
    EXPECT_FALSE(track->SetCurrentIndex(-1));
    EXPECT_EQ(track->CurrentIndex(), 0);
    EXPECT_TRUE(track->PointAt(2).Position().IsUnset());
    ASSERT_TRUE(track->SetCurrentIndex(1));
    for (const char* mnemonic : {"GGA", "GSA", "GSV", "RMC", "VTG", "GLL"}) {
        EXPECT_TRUE(track->Compose(mnemonic)) << mnemonic;
        const std::string& text = track->Output().Text();
        EXPECT_EQ(text.rfind(std::string("$GP") + mnemonic, 0), 0u) << text;
        EXPECT_TRUE(IsWellFormedOutput(text)) << text;
    }
    ASSERT_TRUE(track->Compose("RMC"));
    EXPECT_NE(track->Output().Text().find(",4654.6000,N,00724.0000,E,10.0,45.0,010526,"),
              std::string::npos)
        << track->Output().Text();
    ASSERT_TRUE(track->Compose("GGA")) << "a point without altitude still gives its GGA";
    EXPECT_NE(track->Output().Text().find(",,M,"), std::string::npos) << track->Output().Text();

    EXPECT_FALSE(track->Compose("ZDA"));
    EXPECT_TRUE(track->Output().IsEmpty());
    EXPECT_FALSE(track->Compose("WPL")) << "not a track type";
}

} // namespace
