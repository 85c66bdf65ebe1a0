#include "tracks/StatisticsText.h"

#include "tests/tracks/NmeaLines.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

TEST(StatisticsText, ValuesInTheThreeUnits) {
    const struct {
        DistanceUnits units;
        const char* distance; // 10 nmi
        const char* speed;    // 10 kn
        const char* altitude; // 100 m
    } cases[] = {
        {DistanceUnits::Kilometres, "18.5km", "18.5km/h", "100.0m"},
        {DistanceUnits::StatuteMiles, "11.5mi", "11.5mph", "328.1ft"},
        {DistanceUnits::NauticalMiles, "10.0nmi", "10.0kn", "328.1ft"},
    };
    for (const auto& c : cases) {
        const int label = static_cast<int>(c.units);
        EXPECT_EQ(FormatDistance(10.0, c.units), c.distance) << label;
        EXPECT_EQ(FormatSpeed(10.0, c.units), c.speed) << label;
        EXPECT_EQ(FormatAltitude(100.0, c.units), c.altitude) << label;
    }
    // The feet factor is 3.28083, not 3.28084: 10000 m shows 32808.3 ft, not 32808.4.
    EXPECT_EQ(FormatAltitude(10000.0, DistanceUnits::NauticalMiles), "32808.3ft");
}

TEST(StatisticsText, TimeSpans) {
    const struct {
        std::int64_t seconds;
        const char* text;
    } cases[] = {
        {0, "0, 00:00:00"},
        {3723, "0, 01:02:03"},
        {86399, "0, 23:59:59"},
        {90061, "1, 01:01:01"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FormatTimeSpan(c.seconds), c.text) << c.seconds;
    }
}

TEST(StatisticsText, SatellitesLine) {
    const auto prns = [](std::initializer_list<int> list) {
        CTrack::SatelliteNumbers numbers{};
        std::copy(list.begin(), list.end(), numbers.begin());
        return numbers;
    };
    const struct {
        int inUse;
        int inView;
        CTrack::SatelliteNumbers used;
        const char* text;
    } cases[] = {
        {0, 0, prns({}), "(0)(Searching)"},
        {5, 0, prns({5}), "(0)(Searching)"},
        {0, 9, prns({}), "0(9) (Acquiring)"},
        {7, 11, prns({2, 5, 7}), "7(11) "},
        {8, 12, prns({48, 2, 33}), "8(12) (EGNOS)(WAAS)"},
        {8, 12, prns({50, 42, 39, 35}), "8(12) (EGNOS)(WAAS)(MTSAT-1)(MTSAT-2)"},
        {8, 12, prns({37, 39, 33}), "8(12) (EGNOS)"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FormatSatellites(c.inUse, c.inView, c.used), c.text) << c.text;
    }
}

TEST(StatisticsText, PanelLinesOfATrack) {
    using nmealines::Gga;
    using nmealines::Rmc;
    const auto track = std::make_unique<CTrack>();
    const auto lines = [&] {
        std::vector<std::string> all = {nmealines::Line("GPGSV,3,1,10")};
        const char* altitudes[] = {"", "", "250.0"};
        for (int i = 0; i < 3; ++i) {
            all.push_back(Gga(43200 + i, 46.9 + i * 0.01, 7.4, altitudes[i]));
            all.push_back(Rmc(43200 + i, 46.9 + i * 0.01, 7.4, 20.0 + i));
        }
        return all;
    }();
    for (const std::string& line : lines) {
        bool outOfMemory = false;
        track->DecodeLine(line, outOfMemory);
    }
    ASSERT_EQ(track->PointCount(), 3);
    std::string panel;
    for (const StatisticsLine& line : TrackStatisticsLines(*track, DistanceUnits::Kilometres)) {
        panel += line.label + line.value + "\n";
    }
    EXPECT_EQ(panel, "TRIP: 2.2km\n"
                     "MXSPD: 40.7km/h\n"
                     "AVSPD: 39.8km/h\n"
                     "ALT(max): 250.0m\n"
                     "ALT(min): 250.0m\n"
                     "ELPSD: 0, 00:00:02\n"
                     "TTIME: 0, 00:00:02\n"
                     "Satellites: 8(10) \n");

    track->Reset();
    const auto empty = TrackStatisticsLines(*track, DistanceUnits::NauticalMiles);
    ASSERT_EQ(empty.size(), 8u);
    EXPECT_EQ(empty[3].value, "Unknown");
    EXPECT_EQ(empty[4].value, "Unknown");
    EXPECT_EQ(empty[7].value, "(0)(Searching)");
}

} // namespace
