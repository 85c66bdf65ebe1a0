#include "tests/tracks/KmlTestTracks.h"

#include "tests/support/TestPaths.h"
#include "tracks/KmlCoordinates.h"
#include "tracks/KmlExport.h"
#include "tracks/KmlSegments.h"
#include "tracks/KmlSpeedBands.h"
#include "tracks/KmzArchive.h"
#include "tracks/TextConversion.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using kmltest::Fix;
using kmltest::StraightTrack;

std::string DocumentText(const CTrack& track, const KmlExportOptions& options,
                         const std::string& name = "t.kml") {
    return Utf16ToUtf8(BuildKmlDocument(CopyTrackPoints(track), name, options).GetDocument());
}

int Occurrences(const std::string& text, const std::string& what) {
    int count = 0;
    for (auto pos = text.find(what); pos != std::string::npos; pos = text.find(what, pos + 1)) {
        ++count;
    }
    return count;
}

TEST(KmlSpeedBands, BandEdgesFollowTheUpperBounds) {
    const struct {
        double kmh;
        int band;
    } cases[] = {{0.0, 0},    {5.0, 0},    {5.01, 1},   {10.0, 1},    {10.0001, 2}, {200.0, 20},
                 {200.5, 21}, {300.0, 21}, {999.9, 28}, {1000.0, 28}, {1500.0, 28}, {1.0e300, 28}};
    for (const auto& c : cases) {
        EXPECT_EQ(SpeedBandIndex(c.kmh), c.band) << c.kmh << " km/h";
    }
    EXPECT_STREQ(SpeedBandAt(1).styleName, "6-10_kmh");
    EXPECT_STREQ(SpeedBandAt(28).styleName, "901-1000_kmh_and_more");
    EXPECT_EQ(KmlColourText(SpeedBandAt(0).colour), "ff8c0000");
    EXPECT_EQ(KmlColourText(SpeedBandAt(8).colour), "ff00d250");
    EXPECT_EQ(KmlColourText(SpeedBandAt(28).colour), "ff000032");
}

TEST(KmlSegments, StraightTrackGivesFirstStepAndTheRest) {
    const auto track = StraightTrack(12);
    EXPECT_EQ(BuildStraightSegments(CopyTrackPoints(*track)),
              (std::vector<TrackSegment>{{0, 1}, {1, 11}}));
}

TEST(KmlSegments, TurnsEndSegmentsAndRepeatsOfTheStartArePassedOver) {
    CTrack track;
    bool oom = false;
    // North for three steps, then east for three.
    const double points[][2] = {{47.000, 8.000}, {47.001, 8.000}, {47.002, 8.000}, {47.003, 8.000},
                                {47.003, 8.002}, {47.003, 8.004}, {47.003, 8.006}};
    for (const auto& p : points) {
        track.AddPoint(Fix(p[0], p[1]), oom);
    }
    // 0-1 takes the first course; 2 and 3 keep it; 4 turns: 1-4. From 4 the course to 5 is
    // east, far from the course 1-4: 4-5. 6 is the last point: 5-6.
    EXPECT_EQ(BuildStraightSegments(CopyTrackPoints(track)),
              (std::vector<TrackSegment>{{0, 1}, {1, 4}, {4, 5}, {5, 6}}));
    EXPECT_TRUE(BuildStraightSegments(CopyTrackPoints(CTrack())).empty());
    EXPECT_TRUE(BuildStraightSegments(CopyTrackPoints(*StraightTrack(1))).empty());
}

TEST(KmlLabels, EveryUnitAndAltitudeMode) {
    TrackPoint start = Fix(47.0, 8.0, 10.0, 123.4);
    start.SetTripDistance(2.0);
    TrackPoint noAltitude = Fix(47.0, 8.0, 10.0);
    noAltitude.SetTripDistance(2.0);
    const auto clamped = KmlAltitudeMode::ClampedToGround;
    const auto absolute = KmlAltitudeMode::Absolute;
    const struct {
        DistanceUnit units;
        KmlAltitudeMode mode;
        const TrackPoint* point;
        const char* label;
    } cases[] = {
        {DistanceUnit::Kilometers, clamped, &start, "3.704km, 18.5kmh;"},
        {DistanceUnit::StatuteMiles, clamped, &start, "2.302mi, 11.5mph;"},
        {DistanceUnit::NauticalMiles, clamped, &start, "2.000nmi, 10.0kn;"},
        {DistanceUnit::Kilometers, absolute, &start, "3.704km, 18.5kmh, 123.4m;"},
        {DistanceUnit::StatuteMiles, absolute, &start, "2.302mi, 11.5mph, 404.9ft;"},
        {DistanceUnit::NauticalMiles, absolute, &start, "2.000nmi, 10.0kn, 404.9ft;"},
        {DistanceUnit::Kilometers, absolute, &noAltitude, "3.704km, 18.5kmh, 75.0m;"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(KmlSegmentLabel(*c.point, {true, c.mode, c.units}), c.label);
    }
}

TEST(KmlPositions, DegreesAndWholeMetresTowardZero) {
    const struct {
        TrackPoint point;
        const char* text;
    } cases[] = {
        {Fix(47.1234567, 8.5, 10.0, 420.9), "8.500000,47.123457,420 "},
        {Fix(-33.9, -70.25, 10.0, -12.7), "-70.250000,-33.900000,-12 "},
        {Fix(10.0, 20.0), "20.000000,10.000000,75 "},
        {Fix(91.5, 20.0), ""}, // refused by the import, so never written
        {Fix(10.0, -180.5), ""},
    };
    for (const auto& c : cases) {
        std::string text;
        AppendKmlPosition(c.point, text);
        EXPECT_EQ(text, c.text);
    }
    // Whatever the export writes, the import reads back, even an absurd altitude.
    std::string text;
    AppendKmlPosition(Fix(-90.0, 180.0, 10.0, 1.7e308), text);
    AppendKmlPosition(Fix(10.0, 20.0), text);
    const std::vector<KmlPosition> back = ParseKmlCoordinateList(Utf8ToUtf16(text));
    ASSERT_EQ(back.size(), 2u) << text;
    EXPECT_EQ(back[0].latitude, -90.0);
    EXPECT_EQ(back[0].longitude, 180.0);
    EXPECT_EQ(back[1].longitude, 20.0);
}

TEST(KmlDocument, EmptyTrackHoldsNameStylesAndAnEmptyLine) {
    const CTrack track;
    EXPECT_EQ(
        DocumentText(track, {false, KmlAltitudeMode::ClampedToGround, DistanceUnit::Kilometers}),
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
        "<kml xmlns=\"http://www.opengis.net/kml/2.2\">\r\n<Document>\r\n"
        "<name>t.kml</name>\r\n<Style id=\"AllPathStyle\">\r\n<LineStyle>\r\n"
        "<color>ffff0000</color>\r\n<width>6</width>\r\n</LineStyle>\r\n</Style>\r\n"
        "<Placemark>\r\n<name>All Velmora for Playback</name>\r\n"
        "<styleUrl>#AllPathStyle</styleUrl>\r\n<LineString>\r\n"
        "<tessellate>1</tessellate>\r\n<coordinates>\r\n</coordinates>\r\n"
        "</LineString>\r\n</Placemark>\r\n</Document>\r\n</kml>\r\n");
    const std::string coloured = DocumentText(track, {});
    EXPECT_EQ(Occurrences(coloured, "<Style id="), 30);
    EXPECT_NE(coloured.find("<Style id=\"AllPathStyle\">\r\n<LineStyle>\r\n<color>00ffffff</color>"
                            "\r\n<width>1</width>"),
              std::string::npos);
    EXPECT_NE(coloured.find("<Style id=\"6-10_kmh\">\r\n<LineStyle>\r\n<color>ffb43c00</color>"
                            "\r\n<width>6</width>"),
              std::string::npos);
    EXPECT_EQ(Occurrences(coloured, "<Placemark>"), 1);
}

TEST(KmlDocument, WholeTrackTakesEveryTenthPointAndSegmentsFollow) {
    const auto track = StraightTrack(25, 2.7); // 5.0004 km/h: band 1
    const std::string text =
        DocumentText(*track, {true, KmlAltitudeMode::Absolute, DistanceUnit::Kilometers});
    EXPECT_NE(text.find("<altitudeMode>absolute</altitudeMode>\r\n<coordinates>\r\n"
                        "8.000000,47.000000,400 8.000000,47.010000,410 "
                        "8.000000,47.020000,420 </coordinates>"),
              std::string::npos);
    EXPECT_EQ(Occurrences(text, "<Placemark>"), 3);
    EXPECT_NE(text.find("<name>0.000km, 5.0kmh, 400.0m;</name>\r\n<styleUrl>#6-10_kmh</styleUrl>"
                        "\r\n<LineString>\r\n<tessellate>1</tessellate>\r\n"
                        "<altitudeMode>absolute</altitudeMode>\r\n"
                        "<coordinates>8.000000,47.000000,400 8.000000,47.001000,401 "
                        "</coordinates>"),
              std::string::npos);
    const std::string clamped = DocumentText(*track, {});
    EXPECT_EQ(clamped.find("altitudeMode"), std::string::npos);
    EXPECT_NE(clamped.find("8.000000,47.001000,401 8.000000,47.024000,424 </coordinates>"),
              std::string::npos)
        << "coordinates keep their altitude when clamped to ground";
}

TEST(KmlDocument, NamesAreEscaped) {
    const std::string text = DocumentText(CTrack(), {}, "a&b<c>.kml");
    EXPECT_NE(text.find("<name>a&amp;b&lt;c&gt;.kml</name>"), std::string::npos);
}

TEST(KmlFiles, KmzHoldsDocKmlNamedAfterTheArchive) {
    testpaths::TempDir dir;
    const auto track = StraightTrack(3);
    ASSERT_EQ(ExportTrackToFile(*track, dir / "Trip.KMZ", {}, kNoDateTime), "");
    const KmzDocument kmz = ReadKmzDocument(dir / "Trip.KMZ", 1 << 20);
    ASSERT_EQ(kmz.status, KmzReadStatus::Ok);
    EXPECT_NE(kmz.bytes.find("<name>Trip.kml</name>"), std::string::npos);

    ASSERT_EQ(ExportTrackToFile(*track, dir / "plain.kml", {}, kNoDateTime), "");
    EXPECT_EQ(testpaths::ReadFileBytes(dir / "plain.kml"), DocumentText(*track, {}, "plain.kml"));
    EXPECT_NE(ExportTrackToFile(*track, dir / "missing" / "x.kml", {}, kNoDateTime), "");
}

} // namespace
