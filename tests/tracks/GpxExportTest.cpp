#include "tests/navigation/StoreTestSupport.h"
#include "tests/support/CommaLocale.h"
#include "tests/support/TestPaths.h"
#include "tests/tracks/NmeaLines.h"

#include "tracks/GpxExport.h"
#include "tracks/GpxImport.h"
#include "tracks/GpxWriter.h"
#include "tracks/TextConversion.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

using nmealines::Gga;
using nmealines::Rmc;

TrackPoint Fix(double latitude, double longitude, CalendarFields time) {
    TrackPoint fix;
    fix.ApplyEpochRule(MakeCalendarTime(time));
    fix.SetPosition(CLatLong::FromDecimalDegrees(latitude, longitude));
    return fix;
}

GpxData ReadBack(const std::filesystem::path& path) {
    CXmlMarkup markup;
    const std::string error = ParseGpxDocument(Utf8ToUtf16(testpaths::ReadFileBytes(path)), markup);
    EXPECT_EQ(error, "") << testpaths::ReadFileBytes(path);
    return CollectGpxData(markup);
}

// A record file whose epochs end in GGA, so that the point of each epoch is stored by RMC and
// completed by the GGA after it: the last point changes after it was stored.
std::vector<std::string> RecordLines(int seconds) {
    std::vector<std::string> lines;
    for (int i = 0; i < seconds; ++i) {
        const double latitude = 46.9 + 0.0003 * i;
        lines.push_back(Rmc(43200 + i, latitude, 7.4 + 0.0001 * i, 20.0 + i % 7, 10.0 + i % 5));
        lines.push_back(Gga(43200 + i, latitude, 7.4 + 0.0001 * i, i % 3 == 0 ? "" : "512.3"));
    }
    return lines;
}

std::string RecordFile(int seconds) {
    std::string text;
    for (const std::string& line : RecordLines(seconds)) {
        text += line;
    }
    return text;
}

TEST(GpxExport, EveryPointComesBackWithItsValuesInAnyLocale) {
    testpaths::TempDir dir;
    std::vector<TrackPoint> points;
    points.push_back(Fix(-33.8567844, 151.2152967, {2026, 5, 1, 23, 59, 59}));
    points.back().SetAltitude(-12.34);
    points.back().SetGeoidalSeparation(22.5);
    points.back().SetSatellitesInUse(11);
    points.back().SetSpeedOverGround(12.345);
    points.back().SetCourseOverGround(359.99);
    points.push_back(Fix(89.9999999, -179.9999999, {1999, 1, 1, 12, 0, 0})); // no date
    points.push_back(Fix(0.0, 0.0, {2026, 5, 2, 0, 0, 0}));
    points[2].SetPosition(CLatLong::FromDecimalDegrees(95.0, 0.0)); // already present: kept
    GpxExportResult result;
    {
        const testpaths::CommaLocale comma;
        result = ExportPointsToGpx(points, "a <b> & 'c'\x01", dir / "t.gpx");
    }
    ASSERT_EQ(result.error, "");
    EXPECT_EQ(result.trackPoints, 3u);
    const std::string text = testpaths::ReadFileBytes(dir / "t.gpx");
    EXPECT_NE(text.find("<name>a &lt;b&gt; &amp; &apos;c&apos; </name>"), std::string::npos);
    EXPECT_NE(text.find("xmlns=\"http://www.topografix.com/GPX/1/1\""), std::string::npos);

    const GpxData back = ReadBack(dir / "t.gpx");
    ASSERT_EQ(back.track.size(), 3u);
    const GpxTrackPoint& first = back.track[0];
    EXPECT_NEAR(first.latitude, -33.8567844, 1e-7);
    EXPECT_NEAR(first.longitude, 151.2152967, 1e-7);
    EXPECT_NEAR(*first.altitude, -12.34, 1e-9);
    EXPECT_NEAR(*first.geoidalSeparation, 22.5, 1e-9);
    EXPECT_EQ(*first.time, MakeCalendarTime({2026, 5, 1, 23, 59, 59}));
    EXPECT_EQ(*first.satellites, 11);
    EXPECT_NEAR(*first.speedKnots, 12.345, 1e-9);
    EXPECT_NEAR(*first.courseDegrees, 359.99, 1e-9);
    EXPECT_FALSE(back.track[1].time) << "a time without a date is not written";
    EXPECT_FALSE(back.track[1].altitude);
    EXPECT_NEAR(back.track[1].longitude, -179.9999999, 1e-7);
}

TEST(GpxExport, ARecordFileStreamsTheSamePointsThatPlaybackLoads) {
    testpaths::TempDir dir;
    testpaths::WriteFileBytes(dir / "drive.txt", RecordFile(500));
    CTrack loaded;
    for (const std::string& line : RecordLines(500)) {
        bool outOfMemory = false;
        loaded.DecodeLine(line, outOfMemory);
    }
    ASSERT_GT(loaded.PointCount(), 400);

    const GpxExportResult result = ExportRecordFileToGpx(dir / "drive.txt", dir / "d.gpx", nullptr);
    ASSERT_EQ(result.error, "");
    const GpxData back = ReadBack(dir / "d.gpx");
    ASSERT_EQ(back.track.size(), static_cast<std::size_t>(loaded.PointCount()));
    for (int i = 0; i < loaded.PointCount(); ++i) {
        const TrackPoint point = loaded.PointAt(i);
        const GpxTrackPoint& gpx = back.track[static_cast<std::size_t>(i)];
        ASSERT_NEAR(gpx.latitude, point.Position().Latitude().DecimalDegrees(), 1e-7) << i;
        ASSERT_EQ(gpx.altitude.has_value(), point.HasAltitude()) << i;
        if (point.HasAltitude()) {
            ASSERT_NEAR(*gpx.altitude, point.Altitude(), 0.005) << i;
        }
        ASSERT_EQ(*gpx.time, point.Time()) << i;
    }
}

TEST(GpxExport, TheTrackHoldsAPointOrTwoWhileItIsHandedOn) {
    CTrack track;
    std::size_t handed = 0;
    for (const std::string& line : RecordLines(50)) {
        bool outOfMemory = false;
        track.DecodeLine(line, outOfMemory);
        track.HandOnSettledPoints([&handed](const TrackPoint&) { ++handed; });
        ASSERT_LE(track.PointCount(), 1);
    }
    EXPECT_EQ(handed + 1, 50u);
    EXPECT_GT(track.TripDistance(), 0.0) << "the statistics go on";
}

TEST_F(StoreTest, GpxExportWritesTheStoreBeforeTheTrack) {
    testpaths::TempDir dir;
    testpaths::WriteFileBytes(dir / "drive.txt", RecordFile(3));
    AddWaypoint("Home", 46.5, 7.25);
    AddWaypoint("Work & Play", -1.5, -2.25);
    AddRoute("Commute", {"Home", "Nowhere", "Work & Play"});
    const GpxExportResult result = ExportRecordFileToGpx(dir / "drive.txt", dir / "s.gpx", &store);
    ASSERT_EQ(result.error, "");
    EXPECT_EQ(result.waypoints, 2u);
    EXPECT_EQ(result.routes, 1u);
    const GpxData back = ReadBack(dir / "s.gpx");
    ASSERT_EQ(back.waypoints.size(), 2u);
    EXPECT_EQ(back.waypoints[1].name, "Work & Play");
    EXPECT_NEAR(back.waypoints[1].longitude, -2.25, 1e-9);
    ASSERT_EQ(back.routes.size(), 1u);
    EXPECT_EQ(back.routes[0].name, "Commute");
    ASSERT_EQ(back.routes[0].points.size(), 2u) << "a name that does not resolve is left out";
    EXPECT_EQ(back.routes[0].points[1].name, "Work & Play");
    EXPECT_EQ(back.track.size(), 3u);
}

TEST(GpxExport, FailuresReportAndLeaveNoCutFile) {
    testpaths::TempDir dir;
    testpaths::WriteFileBytes(dir / "drive.txt", RecordFile(3));
    const GpxExportResult missing =
        ExportRecordFileToGpx(dir / "missing.txt", dir / "m.gpx", nullptr);
    EXPECT_NE(missing.error.find("missing.txt: No such file or directory"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir / "m.gpx"));
    const GpxExportResult folder =
        ExportRecordFileToGpx(dir / "drive.txt", dir / "no/x.gpx", nullptr);
    EXPECT_NE(folder.error.find("Unable to create file"), std::string::npos);
    if (std::filesystem::exists("/dev/full")) {
        const GpxExportResult full = ExportRecordFileToGpx(dir / "drive.txt", "/dev/full", nullptr);
        EXPECT_NE(full.error.find("Unable to write file '/dev/full'"), std::string::npos);
        EXPECT_TRUE(std::filesystem::exists("/dev/full")) << "a device is never removed";
    }
}

} // namespace
