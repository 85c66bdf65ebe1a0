#include "tests/navigation/StoreTestSupport.h"
#include "tests/support/TestPaths.h"

#include "tracks/GpxImport.h"
#include "tracks/KmlFileText.h"
#include "tracks/TextConversion.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

namespace {

std::string Gpx(const std::string& body, const char* version = "1.1") {
    return std::string("<?xml version=\"1.0\"?>\n<gpx version=\"") + version +
           "\" xmlns=\"http://www.topografix.com/GPX/1/1\">" + body + "</gpx>";
}

GpxData Collect(const std::string& text, const GpxLimits& limits = {}) {
    CXmlMarkup markup;
    EXPECT_EQ(ParseGpxDocument(Utf8ToUtf16(text), markup), "") << text;
    return CollectGpxData(markup, limits);
}

std::string Trkpt(int i) {
    return "<trkpt lat=\"" + std::to_string(i) + "\" lon=\"1\"/>";
}

TEST(GpxCollection, Gpx10And11PointsRoutesAndEverySegmentInOrder) {
    const GpxData data = Collect(
        Gpx("<metadata><name>m</name></metadata>"
            "<wpt lat=\"46.5\" lon='7.25'><ele>500</ele><name> Summit &amp; hut </name></wpt>"
            "<rte><name>R1</name><rtept lat=\"1\" lon=\"2\"/><rtept lat=\"3\" lon=\"4\">"
            "<name>B</name></rtept></rte>"
            "<trk><name>t</name><trkseg>"
            "<trkpt lat=\"10\" lon=\"20\"><ele>1.5</ele><time>2024-05-01T12:00:00Z</time>"
            "<speed>10</speed><course>90</course><sat>7</sat></trkpt></trkseg>"
            "<trkseg><trkpt lat=\"11\" lon=\"21\"><extensions><vr:speed>5.5</vr:speed>"
            "<vr:course>45</vr:course><other><deeper/></other></extensions></trkpt></trkseg></trk>"
            "<trk><trkseg><trkpt lat=\"12\" lon=\"-22\"/></trkseg></trk>",
            "1.0"));
    ASSERT_EQ(data.waypoints.size(), 1u);
    EXPECT_EQ(data.waypoints[0].name, "Summit & hut");
    EXPECT_DOUBLE_EQ(data.waypoints[0].longitude, 7.25);
    ASSERT_EQ(data.routes.size(), 1u);
    EXPECT_EQ(data.routes[0].name, "R1");
    ASSERT_EQ(data.routes[0].points.size(), 2u);
    EXPECT_EQ(data.routes[0].points[1].name, "B");
    ASSERT_EQ(data.track.size(), 3u);
    EXPECT_NEAR(*data.track[0].speedKnots, 10 * 3600.0 / 1852.0, 1e-9) << "GPX 1.0: m/s";
    EXPECT_EQ(*data.track[0].courseDegrees, 90.0);
    EXPECT_EQ(*data.track[0].satellites, 7);
    EXPECT_EQ(*data.track[0].time, MakeCalendarTime({2024, 5, 1, 12, 0, 0}));
    EXPECT_EQ(*data.track[1].speedKnots, 5.5) << "the program's own extensions";
    EXPECT_EQ(*data.track[1].courseDegrees, 45.0);
    EXPECT_EQ(data.track[2].longitude, -22.0);
    EXPECT_EQ(data.withoutPosition, 0u);
}

TEST(GpxCollection, PointsWithoutAUsablePositionAreLeftOutAndCounted) {
    const std::string huge(100000, '1');
    const GpxData data =
        Collect(Gpx("<wpt lat=\"91\" lon=\"0\"/><wpt lon=\"0\"/><wpt lat=\"x\" lon=\"1\"/>"
                    "<wpt lat=\"1,5\" lon=\"1\"/><wpt lat=\"" +
                    huge +
                    "\" lon=\"1\"/><wpt lat=\"inf\" lon=\"1\"/>"
                    "<wpt lat=\" -1.5 \" lon=\"+180\"><name>" +
                    huge + "</name></wpt><trk><trkseg><trkpt lat=\"nan\" lon=\"1\"/>" + Trkpt(2) +
                    "</trkseg></trk>"));
    ASSERT_EQ(data.waypoints.size(), 1u);
    EXPECT_EQ(data.waypoints[0].latitude, -1.5);
    EXPECT_EQ(data.waypoints[0].name, "") << "a name longer than any kept is not read";
    EXPECT_EQ(data.track.size(), 1u);
    EXPECT_EQ(data.withoutPosition, 7u);
}

TEST(GpxCollection, CollectionStopsAtTheLimitsAndKeepsTheFirst) {
    std::string points;
    for (int i = 0; i < 5; ++i) {
        points += Trkpt(i);
    }
    const GpxData track = Collect(Gpx("<trk><trkseg>" + points + "</trkseg></trk>"), {9, 9, 3});
    EXPECT_EQ(track.track.size(), 3u);
    EXPECT_EQ(track.track[2].latitude, 2.0);
    EXPECT_EQ(track.stopped, "The file holds more than 3 track points: the import stopped there "
                             "and keeps the first 3");
    const GpxData route = Collect(
        Gpx("<rte><rtept lat='1' lon='1'/><rtept lat='2' lon='1'/></rte><rte><rtept lat='3' "
            "lon='1'/></rte><trk><trkseg>" +
            points + "</trkseg></trk>"),
        {9, 2, 9});
    ASSERT_EQ(route.routes.size(), 2u);
    EXPECT_EQ(route.routes[1].points.size(), 0u);
    EXPECT_TRUE(route.track.empty()) << "nothing after the stop is read";
    const GpxData waypoints = Collect(Gpx("<wpt lat='1' lon='1'/><wpt lat='2' lon='1'/>"), {1});
    EXPECT_EQ(waypoints.waypoints.size(), 1u);
    EXPECT_NE(waypoints.stopped.find("more than 1 waypoints"), std::string::npos);
}

TEST(GpxReading, HostileAndBrokenFilesAreRefusedWithTheirMessages) {
    testpaths::TempDir dir;
    // Inside "gpx": one level more than allowed, and as many as allowed.
    std::string deep;
    std::string allowed;
    for (std::size_t level = 2; level <= kMaxGpxDepth + 1; ++level) {
        deep += "<a>";
        allowed += level < kMaxGpxDepth ? "<a>" : level == kMaxGpxDepth ? "<a/>" : "";
    }
    for (std::size_t level = 2; level < kMaxGpxDepth; ++level) {
        allowed += "</a>";
    }
    std::string lol = "<?xml version=\"1.0\"?><!DOCTYPE gpx [<!ENTITY a \"aaaaaaaa\">"
                      "<!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;\">]><gpx><wpt lat='1' lon='1'>"
                      "<name>&b;</name></wpt></gpx>";
    const struct {
        const char* file;
        std::string bytes;
        std::string message;
    } cases[] = {
        {"lol.gpx", lol, kGpxWithDocumentType},
        {"deep.gpx", Gpx(deep), kGpxTooDeep},
        {"kml.gpx", "<kml><Document/></kml>", kGpxNotGpx},
        {"cut.gpx", Gpx("<wpt lat='1' lon='1'>"), kXmlParseFailed},
        {"binary.gpx", std::string("<gpx>\0\0\0", 8) + std::string(200, '\x01'), kBinaryDataInFile},
    };
    for (const auto& c : cases) {
        testpaths::WriteFileBytes(dir / c.file, c.bytes);
        ScriptedPrompts prompts;
        EXPECT_FALSE(ReadGpxFile(dir / c.file, prompts)) << c.file;
        EXPECT_EQ(prompts.Texts(), std::vector<std::string>{c.message}) << c.file;
    }
    ScriptedPrompts prompts;
    EXPECT_FALSE(ReadGpxFile(dir / "missing.gpx", prompts));
    {
        // Sparse: the size is refused before anything is read.
        std::ofstream large(dir / "large.gpx");
        large.seekp(static_cast<std::streamoff>(kMaxGpxDocumentBytes));
        large.put('x');
    }
    EXPECT_FALSE(ReadGpxFile(dir / "large.gpx", prompts));
    EXPECT_EQ(prompts.Texts(), (std::vector<std::string>{kUnableToOpenFile, kGpxTooLarge}));

    // Allowed depth, an undeclared entity left as it stands, and the partial-result messages.
    testpaths::WriteFileBytes(dir / "ok.gpx",
                              Gpx("<wpt lat='1' lon='1'><name>&x;</name></wpt><wpt/>" + allowed));
    ScriptedPrompts shown;
    const auto data = ReadGpxFile(dir / "ok.gpx", shown, {1});
    ASSERT_TRUE(data);
    EXPECT_EQ(data->waypoints[0].name, "&x;");
    EXPECT_EQ(shown.Texts().size(), 1u);
    EXPECT_EQ(shown.Texts()[0], "1 points without a valid lat and lon were left out");
}

TEST(GpxTime, UtcTimesWithFractionsAndZones) {
    const CalendarTime noon = MakeCalendarTime({2024, 5, 1, 12, 0, 0});
    const struct {
        const char* text;
        std::optional<CalendarTime> time;
    } cases[] = {
        {"2024-05-01T12:00:00Z", noon},
        {" 2024-05-01T12:00:00.987Z\n", noon},
        {"2024-05-01T12:00:00", noon},
        {"2024-05-01T14:30:00+02:30", noon},
        {"2024-05-01T07:00:00-0500", noon},
        {"2024-05-01T12:00:60Z", noon + 59},
        {"2024-05-01 12:00:00Z", std::nullopt},
        {"2024-13-01T12:00:00Z", std::nullopt},
        {"2024-05-01T12:00Z", std::nullopt},
        {"2024-05-01T12:00:00+2", std::nullopt},
        {"2024-05-01T12:00:00Zjunk", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ParseGpxTime(Utf8ToUtf16(c.text)), c.time) << c.text;
    }
}

TEST(GpxNames, NamesAreMadeStorable) {
    const struct {
        std::string name;
        std::string storable;
    } cases[] = {
        {"Home", "Home"},
        {"a,b*c$d\te", "a_b_c_d_e"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZ", "ABCDEFGHIJKLMNOPQRST"},
        {"ABCDEFGHIJKLMNOPQRS\xC3\xA9", "ABCDEFGHIJKLMNOPQRS"}, // a UTF-8 sequence is never cut
        {"", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(StorableName(c.name), c.storable) << c.name;
    }
}

TEST_F(StoreTest, GpxItemsGoToTheStoreUnderNamesItCanKeep) {
    GpxData data;
    data.waypoints = {{46.5, 7.25, "Home"}, {46.6, 7.3, ""}, {46.7, 7.4, "a,b"}};
    data.routes = {{"To work", {{1.0, 2.0, "W1"}, {1.1, 2.1, ""}}}, {"", {{3.0, 4.0, "R"}}}};
    const GpxStoreResult result = StoreGpxItems(data, "/x/trip.gpx", store, settings, 7);
    EXPECT_EQ(result.waypoints, 3);
    EXPECT_EQ(result.routes, 2);
    EXPECT_EQ(result.routeWaypoints, 3);
    EXPECT_EQ(WaypointNames(),
              (std::vector<std::string>{"Home", "WPL_0000", "a_b", "W1", "WPL_0001", "R"}));
    EXPECT_EQ(store.Route(0).WaypointNames(), (std::vector<std::string>{"W1", "WPL_0001"}));
    EXPECT_EQ(store.Route(1).Name(), "RTE_0000");
    EXPECT_EQ(store.Waypoint(0).PlaceToStore(), "/x/trip.gpx");
    EXPECT_EQ(RenamedNamesMessage(result),
              "Names the store cannot keep were changed: 'a,b' to 'a_b'");
    EXPECT_TRUE(prompts.Texts().empty());
}

TEST_F(StoreTest, ARefusedGpxConflictLeavesTheWaypointOutAndEndsItsRoute) {
    AddWaypoint("Taken", 10.0, 10.0);
    for (int i = 0; i < 4; ++i) {
        prompts.Answer(PromptAnswer::No); // Replace? Save with an another name?
    }
    GpxData data;
    data.waypoints = {{1.0, 1.0, "Taken"}, {2.0, 2.0, "Free"}};
    data.routes = {{"R", {{1.0, 1.0, "A"}, {1.0, 1.0, "Taken"}, {3.0, 3.0, "C"}}}};
    const GpxStoreResult result = StoreGpxItems(data, "r.gpx", store, settings, 1);
    EXPECT_EQ(result.waypoints, 1);
    EXPECT_EQ(store.Route(0).WaypointNames(), std::vector<std::string>{"A"});
    EXPECT_EQ(store.FindWaypoint("C"), -1);
}

TEST(GpxTrack, PointsBecomeFixesWithWhatTheFileLacksFromTheirNeighbours) {
    std::vector<GpxTrackPoint> points(3);
    points[0] = {47.0, 8.0, 500.0, 47.5, MakeCalendarTime({2024, 5, 1, 12, 0, 0}), 9, {}, {}};
    points[1] = {47.01, 8.0, {}, {}, MakeCalendarTime({2024, 5, 1, 12, 1, 0}), {}, {}, {}};
    points[2] = {47.01, 8.01, {}, {}, {}, {}, 3.0, 123.0};
    CTrack track;
    ASSERT_TRUE(FillTrackFromGpx(points, "/x/ride.gpx", track));
    ASSERT_EQ(track.PointCount(), 3);
    EXPECT_EQ(track.DisplayName(), "ride.gpx");
    const TrackPoint first = track.PointAt(0);
    EXPECT_EQ(first.Altitude(), 500.0);
    EXPECT_EQ(first.GeoidalSeparation(), 47.5);
    EXPECT_EQ(first.SatellitesInUse(), 9);
    EXPECT_EQ(first.SpeedOverGround(), 0.0);
    const TrackPoint second = track.PointAt(1);
    EXPECT_NEAR(second.SpeedOverGround(), 0.6 * 60.0, 0.2) << "0.6 nmi in a minute";
    EXPECT_NEAR(second.CourseOverGround(), 0.0, 1e-6);
    EXPECT_FALSE(second.HasAltitude());
    EXPECT_EQ(track.PointAt(2).SpeedOverGround(), 3.0);
    EXPECT_EQ(track.PointAt(2).CourseOverGround(), 123.0);
    EXPECT_EQ(track.PointAt(2).Time(), kNoDateTime);
    EXPECT_EQ(track.ElapsedSeconds(), 60);
}

TEST(GpxCorpus, EveryFileImportsItsPoints) {
    CORPUS_DIR_OR_SKIP(corpus);
    std::size_t files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(corpus / "gpx")) {
        ScriptedPrompts prompts;
        const auto data = ReadGpxFile(entry.path(), prompts);
        ASSERT_TRUE(data) << entry.path();
        EXPECT_TRUE(prompts.Texts().empty()) << entry.path();
        EXPECT_FALSE(data->track.empty() && data->waypoints.empty() && data->routes.empty())
            << entry.path();
        ++files;
    }
    EXPECT_GT(files, 0u);
}

} // namespace
