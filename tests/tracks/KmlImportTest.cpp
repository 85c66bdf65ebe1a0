#include "tests/navigation/StoreTestSupport.h"
#include "tests/support/TestPaths.h"
#include "tests/tracks/KmlTestTracks.h"

#include "tracks/KmlCoordinates.h"
#include "tracks/KmlExport.h"
#include "tracks/KmlFileText.h"
#include "tracks/KmlImport.h"
#include "tracks/TextConversion.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

namespace {

std::string PositionsText(const std::vector<KmlPosition>& positions) {
    std::string text;
    for (const KmlPosition& p : positions) {
        char item[96];
        std::snprintf(item, sizeof item, "%.6f,%.6f%s;", p.longitude, p.latitude,
                      p.altitude ? "+" : "");
        text += item;
    }
    return text;
}

KmlGeometry Collect(const std::string& kml) {
    CXmlMarkup markup;
    EXPECT_TRUE(markup.SetDocument(Utf8ToUtf16(kml))) << kml;
    return CollectKmlGeometry(markup);
}

std::string Kml(const std::string& body) {
    return "<?xml version=\"1.0\"?>\n<kml xmlns=\"http://www.opengis.net/kml/2.2\">" + body +
           "</kml>";
}

TEST(KmlCoordinateList, PiecesEndingInWhitespaceAreThePositions) {
    const struct {
        const char* text;
        const char* positions;
    } cases[] = {
        {"1,2,3 4,5 ", "1.000000,2.000000+;4.000000,5.000000;"},
        {"1,2,3 4,5,6", "1.000000,2.000000+;"}, // without the trailing space the last is lost
        {"\n\t1,2,0\n\t-3.5,-4.25,0\n\t", "1.000000,2.000000+;-3.500000,-4.250000+;"},
        {"1,2  x,1 200,1 3,95 1,2,z +7,8 ", "1.000000,2.000000;7.000000,8.000000;"},
        {"1,2", ""},
        {"", ""},
    };
    const std::string overlong = "1." + std::string(kLongestKmlPosition, '0') + ",2 3,4 ";
    for (const auto& c : cases) {
        EXPECT_EQ(PositionsText(ParseKmlCoordinateList(Utf8ToUtf16(c.text))), c.positions)
            << c.text;
    }
    EXPECT_EQ(PositionsText(ParseKmlCoordinateList(Utf8ToUtf16(overlong))), "3.000000,4.000000;")
        << "a piece longer than any position is skipped unkept";
}

TEST(KmlImportLimits, CollectionStopsAtTheLimitsAndKeepsWhatItRead) {
    const KmlLimits limits{2, 3};
    const auto collect = [&](const std::string& body) {
        CXmlMarkup markup;
        EXPECT_TRUE(markup.SetDocument(Utf8ToUtf16(Kml("<Document>" + body + "</Document>"))));
        return CollectKmlGeometry(markup, limits);
    };
    const std::string line = "<Placemark><LineString><coordinates>%</coordinates></LineString>"
                             "</Placemark>";
    const auto lineOf = [&](const char* coordinates) {
        std::string l = line;
        return l.replace(l.find('%'), 1, coordinates);
    };
    // A comment and a character data section cut the text into pieces; a position may span
    // them.
    const KmlGeometry exact = collect(lineOf("1,<!-- x -->1 2,2 ") + lineOf("<![CDATA[3,3 ]]>"));
    EXPECT_EQ(PositionsText(exact.lines), "1.000000,1.000000;2.000000,2.000000;3.000000,3.000000;");
    EXPECT_TRUE(exact.stopped.empty()) << "exactly the limit is the whole file";

    const KmlGeometry lines = collect(lineOf("1,1 2,2 ") + lineOf("3,3 4,4 5,5 ") + lineOf("6,6 "));
    EXPECT_EQ(PositionsText(lines.lines), "1.000000,1.000000;2.000000,2.000000;3.000000,3.000000;");
    EXPECT_EQ(lines.stopped, "The file holds more than 3 line positions: the import stopped "
                             "there and keeps the first 3");

    const std::string point =
        "<Placemark><Point><coordinates>1,1</coordinates></Point></Placemark>";
    const KmlGeometry points = collect(point + point + point + lineOf("7,7 "));
    EXPECT_EQ(points.points.size(), 2u);
    EXPECT_TRUE(points.lines.empty()) << "nothing after the stop is read";
    EXPECT_EQ(points.stopped, "The file holds more than 2 point placemarks: the import stopped "
                              "there and keeps the first 2");

    testpaths::TempDir dir;
    testpaths::WriteFileBytes(dir / "long.kml",
                              Kml("<Document>" + lineOf("1,1 2,2 3,3 4,4 ") + "</Document>"));
    ScriptedPrompts prompts;
    const auto read = ReadKmlGeometry(dir / "long.kml", prompts, limits);
    ASSERT_TRUE(read) << "what was read is kept";
    EXPECT_EQ(read->lines.size(), 3u);
    EXPECT_EQ(prompts.Texts(), std::vector<std::string>{read->stopped});
}

TEST(KmlGeometryCollection, EachShapeOfPlacemark) {
    const KmlGeometry g = Collect(Kml(
        "<Document><Placemark><Point><coordinates>1,1,0</coordinates></Point></Placemark>"
        "<Placemark><LineString><coordinates>2,2 3,3 </coordinates></LineString>"
        "<LineString><coordinates>4,4 </coordinates></LineString></Placemark>"
        "<Placemark><MultiGeometry><LineString><coordinates>5,5 </coordinates></LineString>"
        "<Point><coordinates>9,9</coordinates></Point>"
        "<LineString><coordinates>6,6 </coordinates></LineString></MultiGeometry></Placemark>"
        "<Placemark><GeometryCollection><LineString><coordinates>7,7 </coordinates>"
        "</LineString></GeometryCollection></Placemark>"
        "<Placemark><LineString><coordinates>8,8 </coordinates></LineString>"
        "<Point><coordinates> 10,10 </coordinates></Point></Placemark>"
        "<Folder><Placemark><Point><coordinates>11,11</coordinates></Point></Placemark></Folder>"
        "</Document>"));
    EXPECT_EQ(PositionsText(g.points), "1.000000,1.000000+;10.000000,10.000000;")
        << "a placemark with a Point and a LineString gives only the point; Folders are "
           "searched only when the Document gave no point";
    EXPECT_EQ(PositionsText(g.lines), "2.000000,2.000000;3.000000,3.000000;4.000000,4.000000;"
                                      "5.000000,5.000000;6.000000,6.000000;7.000000,7.000000;");
}

TEST(KmlGeometryCollection, FoldersGivePointsWhenTheDocumentHasNone) {
    const std::string point = "<Placemark><Point><coordinates>%,0</coordinates></Point>"
                              "</Placemark>";
    const auto at = [&](const char* x) {
        std::string p = point;
        return p.replace(p.find('%'), 1, x);
    };
    const KmlGeometry inDocument =
        Collect(Kml("<Document><Placemark><LineString><coordinates>1,1 </coordinates></LineString>"
                    "</Placemark><Folder>" +
                    at("2") + "<Folder>" + at("3") + "</Folder>" + at("4") + "</Folder><Folder>" +
                    at("5") + "</Folder></Document>"));
    EXPECT_EQ(PositionsText(inDocument.points), "2.000000,0.000000;4.000000,0.000000;"
                                                "3.000000,0.000000;5.000000,0.000000;");
    EXPECT_EQ(inDocument.lines.size(), 1u);

    const KmlGeometry withoutDocument = Collect(Kml("<Folder>" + at("6") + "</Folder>" + at("7")));
    EXPECT_EQ(PositionsText(withoutDocument.points), "6.000000,0.000000;");
    EXPECT_TRUE(Collect("<gpx/>").points.empty());
}

TEST(KmlReading, FailuresShowTheirMessages) {
    testpaths::TempDir dir;
    ScriptedPrompts prompts;
    EXPECT_FALSE(ReadKmlGeometry(dir / "missing.kml", prompts));
    testpaths::WriteFileBytes(dir / "bad.kml", Kml("<Document><a><b></a></Document>"));
    EXPECT_FALSE(ReadKmlGeometry(dir / "bad.kml", prompts));
    testpaths::WriteFileBytes(dir / "binary.kml",
                              std::string("<kml>\0\0\0", 8) + std::string(200, '\x01'));
    EXPECT_FALSE(ReadKmlGeometry(dir / "binary.kml", prompts));
    std::string elements;
    for (std::size_t i = 0; i <= CXmlMarkup::kMaxElements; ++i) {
        elements += "<a/>";
    }
    testpaths::WriteFileBytes(dir / "elements.kml", Kml(elements));
    EXPECT_FALSE(ReadKmlGeometry(dir / "elements.kml", prompts));
    EXPECT_EQ(prompts.Texts(), (std::vector<std::string>{kUnableToOpenFile, kXmlParseFailed,
                                                         kBinaryDataInFile, kKmlTooManyElements}));
    EXPECT_EQ(prompts.Shown().front().caption, "Irreparable Error");
}

TEST(KmlReading, Utf16FileImportsLikeItsUtf8Twin) {
    testpaths::TempDir dir;
    const std::string utf8 =
        Kml("<Document><name>Zürich</name><Placemark><LineString><coordinates>8.5,47.3,400 "
            "8.6,47.4,410 </coordinates></LineString></Placemark></Document>");
    std::string utf16 = "\xFF\xFE";
    for (const char16_t c : Utf8ToUtf16(utf8)) {
        utf16.push_back(static_cast<char>(c & 0xFF));
        utf16.push_back(static_cast<char>(c >> 8));
    }
    testpaths::WriteFileBytes(dir / "a.kml", utf8);
    testpaths::WriteFileBytes(dir / "b.kml", utf16);
    ScriptedPrompts prompts;
    const auto a = ReadKmlGeometry(dir / "a.kml", prompts);
    const auto b = ReadKmlGeometry(dir / "b.kml", prompts);
    ASSERT_TRUE(a && b);
    EXPECT_EQ(PositionsText(a->lines), "8.500000,47.300000+;8.600000,47.400000+;");
    EXPECT_EQ(PositionsText(b->lines), PositionsText(a->lines));
}

class KmlRouteImportTest : public ::testing::Test {
protected:
    ScriptedPrompts prompts;
    MemorySettings settings;
    CNavigationDataBase store{prompts, settings};
};

TEST_F(KmlRouteImportTest, PointsWithinTheArrivalRadiusAreLeftOut) {
    // Walk: 0.010799136 nmi (20 m). Points 0.0001 degrees of latitude (11 m) apart.
    std::vector<KmlPosition> points;
    for (int i = 0; i < 5; ++i) {
        points.push_back({47.0 + 0.0001 * i, 8.0, std::nullopt});
    }
    const KmlRouteImport walk = StoreKmlRoute(points, "/x/Alpine Pass.kml", 1, store, 7);
    ASSERT_GE(walk.routeIndex, 0);
    EXPECT_EQ(walk.waypointsStored, 3);
    const CRoute route = store.Route(walk.routeIndex);
    EXPECT_EQ(route.Name(), "Alpine Pass.kml");
    EXPECT_EQ(route.WaypointNames(),
              (std::vector<std::string>{"Alpine_0001", "Alpine_0003", "Alpine_0005"}));
    EXPECT_EQ(store.Waypoint(store.FindWaypoint("Alpine_0003")).PlaceToStore(),
              "/x/Alpine Pass.kml");

    const KmlRouteImport drive = StoreKmlRoute(points, "/x/d.kml", 2, store, 7);
    EXPECT_EQ(store.Route(drive.routeIndex).WaypointNames(), (std::vector<std::string>{"d_0001"}));
    EXPECT_TRUE(prompts.Texts().empty());
}

TEST_F(KmlRouteImportTest, PointsFromTheTenThousandthOnGetFreshRandomNames) {
    std::vector<KmlPosition> points;
    for (int i = 0; i < 10002; ++i) {
        points.push_back({10.0 + 0.001 * (i / 100), 0.001 * (i % 100), std::nullopt});
    }
    const KmlRouteImport imported = StoreKmlRoute(points, "many.kml", 1, store, 42);
    ASSERT_EQ(imported.waypointsStored, 10002);
    const CRoute route = store.Route(imported.routeIndex);
    const std::vector<std::string>& names = route.WaypointNames();
    EXPECT_EQ(names[9998], "many_9999");
    EXPECT_EQ(names[9999].size(), 12u);
    EXPECT_EQ(std::set<std::string>(names.begin(), names.end()).size(), names.size());
    EXPECT_TRUE(prompts.Texts().empty()) << "no name conflict among the random names";
}

TEST_F(KmlRouteImportTest, ARefusedNameConflictEndsTheWalk) {
    store.StoreWaypoint(CWaypoint("r_0002", At(1.0, 1.0)), true, "");
    prompts.Answer(PromptAnswer::No); // Replace?
    prompts.Answer(PromptAnswer::No); // Save with an another name?
    const std::vector<KmlPosition> points = {{0.0, 0.0, {}}, {0.0, 1.0, {}}, {0.0, 2.0, {}}};
    const KmlRouteImport imported = StoreKmlRoute(points, "r.kml", 2, store, 1);
    EXPECT_EQ(imported.waypointsStored, 1);
    EXPECT_EQ(store.Route(imported.routeIndex).WaypointNames(),
              (std::vector<std::string>{"r_0001"}));
}

TEST(KmlTrackImport, LinePositionsBecomeFixesOfTrackOne) {
    const std::vector<KmlPosition> lines = {
        {47.0, 8.0, 500.0}, {47.001, 8.0, {}}, {47.001, 8.0, {}}, {47.001, 8.001, {}}};
    CTrack track;
    ASSERT_TRUE(FillTrackFromKmlLines(lines, "/tmp/some/Way.kml", track));
    ASSERT_EQ(track.PointCount(), 3) << "the repeated position collapses";
    const TrackPoint second = track.PointAt(1);
    EXPECT_EQ(FormatCalendarTime(second.Time(), "%F %T"), "2008-01-01 12:00:00");
    EXPECT_DOUBLE_EQ(second.SpeedOverGround(), 60.0);
    EXPECT_NEAR(second.CourseOverGround(), 0.0, 1e-9);
    EXPECT_NEAR(track.PointAt(2).CourseOverGround(), 90.0, 0.1);
    EXPECT_EQ(second.SatellitesInUse(), 12);
    EXPECT_DOUBLE_EQ(track.PointAt(0).Altitude(), 500.0) << "the altitude the file gives";
    EXPECT_DOUBLE_EQ(second.Altitude(), 75.0) << "none given";
    EXPECT_DOUBLE_EQ(second.GeoidalSeparation(), 47.5);
    EXPECT_TRUE(second.IsComplete());
    EXPECT_EQ(track.ElapsedSeconds(), 0);
    EXPECT_EQ(track.TripTimeSeconds(), 0);
    EXPECT_GT(track.TripDistance(), 0.1);
    EXPECT_EQ(track.FileName(), "/tmp/some/Way.kml");
    EXPECT_EQ(track.DisplayName(), "Way.kml");
}

// Alternately north and east from 47N 8E, so that every point turns the track and ends a
// straight segment; altitudes in whole metres, as the export writes them.
std::unique_ptr<CTrack> ZigZagTrack(int count) {
    auto track = std::make_unique<CTrack>();
    double latitude = 47.0;
    double longitude = 8.0;
    for (int i = 0; i < count; ++i) {
        bool outOfMemory = false;
        track->AddPoint(kmltest::Fix(latitude, longitude, 10.0, 400.0 + 7 * i), outOfMemory);
        (i % 2 == 0 ? latitude : longitude) += 0.001;
    }
    return track;
}

void ExpectSamePoint(const TrackPoint& imported, const TrackPoint& exported, int index) {
    EXPECT_NEAR(imported.Position().Latitude().DecimalDegrees(),
                exported.Position().Latitude().DecimalDegrees(), 5e-7)
        << index;
    EXPECT_NEAR(imported.Position().Longitude().DecimalDegrees(),
                exported.Position().Longitude().DecimalDegrees(), 5e-7)
        << index;
    EXPECT_EQ(imported.Altitude(), exported.Altitude()) << index;
}

TEST(KmlRoundTrip, ASpeedColouredExportComesBackAsTheSameTrackOnce) {
    testpaths::TempDir dir;
    const auto track = ZigZagTrack(14);
    ScriptedPrompts prompts;
    for (const char* name : {"r.kml", "r.kmz"}) {
        ASSERT_EQ(ExportTrackToFile(*track, dir / name, {}, kNoDateTime), "");
        const auto geometry = ReadKmlGeometry(dir / name, prompts);
        ASSERT_TRUE(geometry) << name;
        CTrack imported;
        ASSERT_TRUE(FillTrackFromKmlLines(geometry->lines, dir / name, imported));
        ASSERT_EQ(imported.PointCount(), track->PointCount())
            << name << ": the segments alone, their shared ends collapsed";
        for (int i = 0; i < track->PointCount(); ++i) {
            ExpectSamePoint(imported.PointAt(i), track->PointAt(i), i);
        }
        EXPECT_NEAR(imported.TripDistance(), track->TripDistance(), 1e-4 * track->TripDistance())
            << name;
    }
    EXPECT_TRUE(prompts.Texts().empty());
}

TEST(KmlRoundTrip, APlainExportComesBackAsItsWholeTrackLine) {
    testpaths::TempDir dir;
    const auto track = ZigZagTrack(25);
    KmlExportOptions options;
    options.speedColoured = false;
    ASSERT_EQ(ExportTrackToFile(*track, dir / "plain.kml", options, kNoDateTime), "");
    ScriptedPrompts prompts;
    const auto geometry = ReadKmlGeometry(dir / "plain.kml", prompts);
    ASSERT_TRUE(geometry);
    CTrack imported;
    ASSERT_TRUE(FillTrackFromKmlLines(geometry->lines, dir / "plain.kml", imported));
    ASSERT_EQ(imported.PointCount(), 3) << "points 0, 10 and 20";
    for (int i = 0; i < 3; ++i) {
        ExpectSamePoint(imported.PointAt(i), track->PointAt(10 * i), 10 * i);
    }
}

TEST(KmlCorpus, EveryFileImportsOrFailsWithAKnownMessage) {
    CORPUS_DIR_OR_SKIP(corpus);
    const std::set<std::string> known = {kUnableToOpenFile,  kBinaryDataInFile, kXmlParseFailed,
                                         kKmlTooLarge,       kKmzNotAnArchive,  kKmzWithoutKml,
                                         kKmzDocumentDamaged};
    int files = 0;
    int withPositions = 0;
    for (const auto& entry : std::filesystem::directory_iterator(corpus / "kml")) {
        const std::string extension = entry.path().extension().string();
        if (extension != ".kml" && extension != ".kmz") {
            continue;
        }
        ++files;
        ScriptedPrompts prompts;
        const auto geometry = ReadKmlGeometry(entry.path(), prompts);
        if (!geometry) {
            ASSERT_EQ(prompts.Texts().size(), 1u) << entry.path();
            EXPECT_TRUE(known.contains(prompts.Texts()[0])) << entry.path();
            continue;
        }
        for (const KmlPosition& p : geometry->points) {
            EXPECT_LE(std::fabs(p.latitude), 90.0) << entry.path();
        }
        if (!geometry->points.empty() || !geometry->lines.empty()) {
            ++withPositions;
        }
    }
    EXPECT_GT(files, 0);
    EXPECT_GT(withPositions, files / 3);
}

TEST(KmlCorpus, LineStringCoordinatesOfAKnownFile) {
    CORPUS_DIR_OR_SKIP(corpus);
    ScriptedPrompts prompts;
    const auto geometry = ReadKmlGeometry(corpus / "kml" / "linestring.kml", prompts);
    ASSERT_TRUE(geometry);
    EXPECT_TRUE(geometry->points.empty());
    EXPECT_EQ(PositionsText(geometry->lines), "-122.364383,37.824664+;-122.364152,37.824322+;"
                                              "-122.364167,37.824787+;-122.363917,37.824423+;");
}

} // namespace
