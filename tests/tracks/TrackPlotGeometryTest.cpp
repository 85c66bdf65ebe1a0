#include "tracks/TrackPlotGeometry.h"
#include "tests/tracks/NmeaLines.h"
#include "tracks/StatisticsPanelText.h"
#include "tracks/TrackScreenPoints.h"

#include <gtest/gtest.h>

namespace {

void Fill(CTrack& track, std::initializer_list<std::array<double, 4>> points,
          int firstSecond = 36000) {
    bool outOfMemory = false;
    int second = firstSecond;
    for (const auto& [latitude, longitude, knots, altitude] : points) {
        char text[32];
        std::snprintf(text, sizeof text, "%.1f", altitude);
        track.DecodeLine(nmealines::Gga(second, latitude, longitude, text), outOfMemory);
        track.DecodeLine(nmealines::Rmc(second, latitude, longitude, knots, 90.0), outOfMemory);
        ++second;
    }
    track.DecodeLine(nmealines::Gga(second, 0.0, 0.0), outOfMemory);
}

TEST(ScreenRounding, HalfRoundsDownAndAboveHalfUp) {
    EXPECT_EQ(RoundScreenCoordinate(2.5), 2);
    EXPECT_EQ(RoundScreenCoordinate(2.500001), 3);
    EXPECT_EQ(RoundScreenCoordinate(2.49), 2);
    EXPECT_EQ(RoundScreenCoordinate(7.0), 7);
}

TEST(TrackPlotScale, OneScaleCentresTheTrackNorthUp) {
    // A tall area: the latitude span decides; the track is centred across.
    const TrackPlotScale tall({10.0, 10.01, 50.0, 50.02}, {0, 0, 101, 101});
    EXPECT_NEAR(tall.DegreesPerPixel(), 0.0002, 1e-12);
    EXPECT_EQ(tall.ToScreen(50.0, 10.0), (ScreenPoint{25, 100}));
    EXPECT_EQ(tall.ToScreen(50.02, 10.01), (ScreenPoint{75, 0}));
    EXPECT_EQ(tall.ToScreen(50.01, 10.005), (ScreenPoint{50, 50}));

    // A wide area offset in the image: the width would decide, but the track would not fit
    // vertically, so the latitude raises the scale.
    const TrackPlotScale wide({10.0, 10.01, 50.0, 50.02}, {30, 20, 201, 101});
    EXPECT_NEAR(wide.DegreesPerPixel(), 0.0002, 1e-12);
    EXPECT_EQ(wide.ToScreen(50.0, 10.0), (ScreenPoint{30 + 75, 20 + 100}));

    // The rounding rule applies to each coordinate: 10.0001 is half a pixel east.
    EXPECT_EQ(tall.ToScreen(50.0, 10.0001), (ScreenPoint{25, 100}));
    EXPECT_EQ(tall.ToScreen(50.0, 10.000101), (ScreenPoint{26, 100}));
}

TEST(TrackPlotScale, TrackAcrossTheDateLineAndSinglePointStayInTheArea) {
    const TrackPlotScale across({179.99, -179.99, 0.0, 0.0}, {0, 0, 101, 51});
    EXPECT_NEAR(across.DegreesPerPixel(), 0.0002, 1e-12);
    EXPECT_EQ(across.ToScreen(0.0, 179.99).x, 0);
    EXPECT_EQ(across.ToScreen(0.0, -179.99).x, 100);
    EXPECT_EQ(across.ToScreen(0.0, 180.0).x, 50);

    const TrackPlotScale single({5.0, 5.0, 45.0, 45.0}, {0, 0, 101, 101});
    EXPECT_EQ(single.ToScreen(45.0, 5.0), (ScreenPoint{50, 50}));
}

TEST(AltitudeProfileScale, DistanceAcrossAltitudeUpFromTheBottom) {
    const AltitudeProfileScale profile(1.0, 100.0, 20.0, {15, 3, 101, 51});
    EXPECT_EQ(profile.ToScreen(0.0, 0.0), (ScreenPoint{15, 53}));
    EXPECT_EQ(profile.ToScreen(1.0, 100.0), (ScreenPoint{115, 3}));
    EXPECT_EQ(profile.ToScreen(0.5, 50.0), (ScreenPoint{65, 28}));
    // Exactly half a pixel (0.005 nmi) rounds down, a little more rounds up.
    EXPECT_EQ(profile.ToScreen(0.005, 0.0).x, 15);
    EXPECT_EQ(profile.ToScreen(0.00501, 0.0).x, 16);

    // Below sea level the axis starts at the lowest altitude, so no point falls outside.
    const AltitudeProfileScale low(1.0, 100.0, -100.0, {0, 0, 101, 101});
    EXPECT_EQ(low.ToScreen(0.0, -100.0).y, 100);
    EXPECT_EQ(low.ToScreen(0.0, 100.0).y, 0);
}

TEST(TrackScreenPoints, StoredInThePointRecords) {
    CTrack track;
    Fill(track,
         {{50.0, 10.0, 1.0, 100.0}, {50.01, 10.005, 10.0, 150.0}, {50.02, 10.01, 600.0, 200.0}});
    ASSERT_EQ(track.PointCount(), 3);
    std::vector<PlottedPoint> plotted;
    LayOutPlotPoints(track, {0, 0, 101, 101}, 0, plotted);
    ASSERT_EQ(plotted.size(), 3u);
    EXPECT_EQ(track.PointAt(0).PlotPoint(), (ScreenPoint{25, 100}));
    EXPECT_EQ(track.PointAt(2).PlotPoint(), (ScreenPoint{75, 0}));
    EXPECT_EQ(plotted[1].at, track.PointAt(1).PlotPoint());
    // 1 kn = 1.85 km/h, 10 kn = 18.5 km/h, 600 kn = 1111 km/h.
    EXPECT_EQ(plotted[0].band, 0);
    EXPECT_EQ(plotted[1].band, 2);
    EXPECT_EQ(plotted[2].band, 28);

    std::vector<PlottedPoint> profile;
    LayOutProfilePoints(track, {15, 3, 101, 51}, 1, profile);
    ASSERT_EQ(profile.size(), 2u);
    const TrackPoint last = track.PointAt(2);
    EXPECT_EQ(last.ProfilePoint(), (ScreenPoint{115, 3}));
    EXPECT_EQ(track.PointAt(0).ProfilePoint(), ScreenPoint{}) << "before `from`: untouched";
}

TEST(TrackScreenPoints, EachKindIsKeyedByItsOwnScaleInputs) {
    CTrack track;
    Fill(track, {{50.0, 10.0, 10.0, 100.0}, {50.02, 10.02, 10.0, 150.0}});
    const PlotScaleKey plot = TrackPlotKeyOf(track);
    const PlotScaleKey profile = ProfileKeyOf(track);
    // Back inside the box, higher than ever: the odometer and the altitude extremes move.
    Fill(track, {{50.01, 10.01, 10.0, 900.0}}, 36010);
    EXPECT_EQ(TrackPlotKeyOf(track), plot);
    EXPECT_NE(ProfileKeyOf(track), profile);
    // Out of the box.
    Fill(track, {{50.03, 10.01, 10.0, 900.0}}, 36020);
    EXPECT_NE(TrackPlotKeyOf(track), plot);
}

TEST(SpeedBands, BoundsAndLegendNames) {
    EXPECT_EQ(SpeedBandOfKnots(5.0 / 1.852), 0);
    EXPECT_EQ(SpeedBandOfKnots(5.01 / 1.852), 1);
    EXPECT_EQ(SpeedBandOfKnots(1000.0 / 1.852), 28);
    EXPECT_EQ(SpeedBandOfKnots(2000.0), 28);
    EXPECT_EQ(SpeedBandLegendName(0), "0-5");
    EXPECT_EQ(SpeedBandLegendName(21), "201-300");
    EXPECT_EQ(SpeedBandLegendName(28), "901-1000");
}

TEST(ProfileAxes, LabelsAndGridDivisions) {
    EXPECT_EQ(AltitudeAxisLabel(123.7, DistanceUnit::Kilometers), "123 m");
    EXPECT_EQ(AltitudeAxisLabel(100.0, DistanceUnit::StatuteMiles), "328.1 ft");
    EXPECT_EQ(DistanceAxisLabel(1.0, DistanceUnit::Kilometers), "1.852km,");
    EXPECT_EQ(DistanceAxisLabel(1.0, DistanceUnit::StatuteMiles), "1.151mi,");
    EXPECT_EQ(DistanceAxisLabel(1.0, DistanceUnit::NauticalMiles), "1.000nmi");
    EXPECT_EQ(GridDivisions(1000, 24), 10);
    EXPECT_EQ(GridDivisions(100, 24), 4);
    EXPECT_EQ(GridDivisions(5, 24), 1);
}

TEST(StatisticsPanelText, LinesInTheThreeUnits) {
    CTrack track;
    Fill(track, {{50.0, 10.0, 10.0, 100.0}, {50.01, 10.0, 10.0, 100.0}});
    const struct {
        DistanceUnit units;
        const char* speed;
        const char* altitude;
    } cases[] = {
        {DistanceUnit::Kilometers, "SPD: 18.5km/h", "ALT: 100.0m"},
        {DistanceUnit::StatuteMiles, "SPD: 11.5mph", "ALT: 328.1ft"},
        {DistanceUnit::NauticalMiles, "SPD: 10.0kn", "ALT: 328.1ft"},
    };
    for (const auto& expected : cases) {
        StatisticsPanelText panel;
        panel.Configure(expected.units, true, 2);
        panel.Read(track, true);
        const auto& texts = panel.Texts();
        EXPECT_EQ(texts[1], expected.speed);
        EXPECT_EQ(texts[2], "TRK: 90.00\u00b0 ");
        EXPECT_EQ(texts[3], expected.altitude);
        EXPECT_EQ(panel.SelectedSlot(), 1);
        EXPECT_EQ(texts[11], "N 50\u00b000.6000'");
        EXPECT_EQ(texts[12], "E 010\u00b000.0000'");
    }
}

TEST(StatisticsPanelText, WithoutSatellitesInUseOnlyTheTrackLinesChange) {
    // These sentences report no satellites in view, so none count as in use.
    CTrack track;
    Fill(track, {{50.0, 10.0, 10.0, 100.0}, {50.01, 10.0, 10.0, 100.0}});
    ASSERT_EQ(track.SatellitesInUse(), 0);
    StatisticsPanelText panel;
    panel.Configure(DistanceUnit::NauticalMiles, true, 1);
    panel.Read(track, true);
    Fill(track, {{50.02, 10.0, 20.0, 300.0}}, 36010);
    panel.Read(track, false);
    EXPECT_EQ(panel.Texts()[0], "TRIP: 1.2nmi");
    EXPECT_EQ(panel.Texts()[1], "SPD: 10.0kn");
    EXPECT_EQ(panel.Texts()[4], "MXSPD: 20.0kn");
    panel.Read(track, true);
    EXPECT_EQ(panel.Texts()[1], "SPD: 20.0kn");
}

TEST(StatisticsPanelText, AnEmptiedTrackKeepsNothingOfItsLastPoint) {
    // A recording that was stopped and not kept leaves track 2 empty.
    CTrack track;
    Fill(track, {{50.0, 10.0, 10.0, 100.0}, {50.01, 10.0, 12.0, 120.0}});
    StatisticsPanelText panel;
    panel.Configure(DistanceUnit::NauticalMiles, true, 1);
    panel.Read(track, true);
    ASSERT_EQ(panel.Texts()[1], "SPD: 12.0kn");
    track.Reset();
    panel.Read(track, true);
    EXPECT_EQ(panel.Texts()[0], "TRIP: 0.0nmi");
    EXPECT_EQ(panel.Texts()[1], "SPD: Unknown");
    EXPECT_EQ(panel.Texts()[2], "TRK: Unknown");
    EXPECT_EQ(panel.Texts()[3], "ALT: Unknown");
    EXPECT_EQ(panel.Texts()[11], "Unknown");
    EXPECT_EQ(panel.Texts()[12], "Unknown");
}

TEST(StatisticsPanelText, FullStatisticProgressAndUnknown) {
    StatisticsPanelText panel;
    panel.Configure(DistanceUnit::Kilometers, false, 6);
    CTrack empty;
    panel.Read(empty, true);
    EXPECT_EQ(panel.Texts()[3], "ALT: Unknown");
    EXPECT_EQ(panel.Texts()[5], "AVSPD: 0.0km/h");
    // Without the full statistic: no altitude extremes and no position lines.
    EXPECT_EQ(panel.Texts()[6], "ELPSD: 0, 00:00:00");
    EXPECT_EQ(panel.Texts()[8], "Satellites: (0)(Searching)");
    EXPECT_EQ(panel.Texts()[9], "");
    EXPECT_EQ(panel.SelectedSlot(), 3);

    panel.SetProgress(42, "drive.txt");
    EXPECT_EQ(panel.Texts()[StatisticsPanelText::kProgressSlot], "file reading:42 drive.txt");
    panel.Clear();
    EXPECT_EQ(panel.Texts()[0], "");
}

} // namespace
