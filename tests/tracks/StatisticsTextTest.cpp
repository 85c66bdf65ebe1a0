#include "tracks/StatisticsText.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(StatisticsText, ValuesInTheThreeUnits) {
    const struct {
        DistanceUnit units;
        const char* distance; // 10 nmi
        const char* speed;    // 10 kn
        const char* altitude; // 100 m
    } cases[] = {
        {DistanceUnit::Kilometers, "18.5km", "18.5km/h", "100.0m"},
        {DistanceUnit::StatuteMiles, "11.5mi", "11.5mph", "328.1ft"},
        {DistanceUnit::NauticalMiles, "10.0nmi", "10.0kn", "328.1ft"},
    };
    for (const auto& c : cases) {
        const int label = static_cast<int>(c.units);
        EXPECT_EQ(FormatTripDistance(10.0, c.units), c.distance) << label;
        EXPECT_EQ(FormatSpeed(10.0, c.units), c.speed) << label;
        EXPECT_EQ(FormatAltitude(100.0, c.units), c.altitude) << label;
    }
    // The feet factor is 3.28083, not 3.28084: 10000 m shows 32808.3 ft, not 32808.4.
    EXPECT_EQ(FormatAltitude(10000.0, DistanceUnit::NauticalMiles), "32808.3ft");
    // A broken receiver's absurd value is shown whole, with its unit.
    const std::string absurd = FormatSpeed(1e308, DistanceUnit::NauticalMiles);
    EXPECT_EQ(absurd.substr(0, 4), "1000");
    EXPECT_EQ(absurd.size(), 309u + 2u + 2u) << "309 digits, \".0\", \"kn\"";
    EXPECT_TRUE(FormatSpeed(1e308, DistanceUnit::Kilometers).ends_with("km/h"));
    EXPECT_TRUE(FormatTripDistance(-1e308, DistanceUnit::StatuteMiles).ends_with("mi"));
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

} // namespace
