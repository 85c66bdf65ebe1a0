#include "tests/support/TestPaths.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

namespace {

// One point as every reader reports it.
struct Row {
    double latitude = 0.0;
    double longitude = 0.0;
    std::string altitude; // empty when the point has none
    std::string time;     // "YYYY-MM-DD HH:MM:SS", empty when the point has none
};

// The fields of a line, without the CR of a CR LF line end.
std::vector<std::string> Split(std::string line, char separator) {
    if (!line.empty() && line.back() == '\r') {
        line.pop_back();
    }
    std::vector<std::string> fields;
    std::stringstream stream(line);
    std::string field;
    while (std::getline(stream, field, separator)) {
        fields.push_back(field);
    }
    if (!line.empty() && line.back() == separator) {
        fields.emplace_back();
    }
    return fields;
}

// The rows of CSV text from the columns of those names in its header line; the time is the
// date column and the time column joined, or the time column alone without a date column.
std::vector<Row> CsvRows(const std::string& text, const char* latitude, const char* longitude,
                         const char* altitude, const char* date, const char* time) {
    std::stringstream stream(text);
    std::string line;
    std::getline(stream, line);
    const std::vector<std::string> header = Split(line, ',');
    const auto column = [&header](const char* name) {
        const auto it = std::find(header.begin(), header.end(), name);
        return it == header.end() ? -1 : static_cast<int>(it - header.begin());
    };
    const int columns[] = {column(latitude), column(longitude), column(altitude), column(date),
                           column(time)};
    const bool found = columns[0] >= 0 && columns[1] >= 0 && columns[2] >= 0 && columns[4] >= 0;
    std::vector<Row> rows;
    while (std::getline(stream, line)) {
        EXPECT_TRUE(found) << "the columns in the header of " << text.substr(0, 200);
        const std::vector<std::string> f = Split(line, ',');
        const auto at = [&f](int i) {
            return i >= 0 && i < static_cast<int>(f.size()) ? f[i] : std::string();
        };
        Row row{std::atof(at(columns[0]).c_str()), std::atof(at(columns[1]).c_str()),
                at(columns[2]),
                columns[3] < 0 ? at(columns[4]) : at(columns[3]) + " " + at(columns[4])};
        std::replace(row.time.begin(), row.time.end(), '/', '-');
        if (row.time == " " || row.time.starts_with("1999-01-01")) {
            row.time.clear(); // a time without a date is not exported
        }
        rows.push_back(row);
    }
    return rows;
}

// The python3 that has gpxpy (Debian's, which a version manager may hide), or empty.
std::string PythonWithGpxpy(const std::filesystem::path& dir) {
    for (const char* python : {"/usr/bin/python3", "python3"}) {
        if (testpaths::RunCommand(std::string(python) + " -c 'import gpxpy'", dir).exit == 0) {
            return python;
        }
    }
    return {};
}

class GpxCommandsTest : public ::testing::Test {
protected:
    testpaths::TempDir dir;

    testpaths::CommandRun Cli(const std::string& arguments) {
        return testpaths::RunCommand(std::string("'") + ZRV_CLI_PATH + "' " + arguments,
                                     dir.Path());
    }
    std::string Quoted(const std::string& name) { return "'" + (dir / name).string() + "'"; }

    // Exports the record file and checks that each reader gets the points "points" lists.
    void ExpectSamePointsInEveryReader(const std::filesystem::path& record) {
        const std::string file = "'" + record.string() + "'";
        const testpaths::CommandRun points = Cli("points " + file);
        ASSERT_EQ(points.exit, 0) << points.err;
        const std::vector<Row> expected =
            CsvRows(points.out, "latitude", "longitude", "altitude_m", "", "time");
        const testpaths::CommandRun gpx = Cli("gpx " + file + " " + Quoted("out.gpx"));
        ASSERT_EQ(gpx.exit, 0) << gpx.err;
        EXPECT_NE(gpx.out.find("Wrote " + std::to_string(expected.size()) + " track points"),
                  std::string::npos)
            << gpx.out;

        std::vector<std::pair<std::string, std::vector<Row>>> readers;
        if (const std::string python = PythonWithGpxpy(dir.Path()); !python.empty()) {
            testpaths::WriteFileBytes(
                dir / "read.py",
                "import sys, gpxpy\n"
                "g = gpxpy.parse(open(sys.argv[1], encoding='utf-8'))\n"
                "print('lat,lon,ele,time')\n"
                "for t in g.tracks:\n"
                "  for s in t.segments:\n"
                "    for p in s.points:\n"
                "      e = '' if p.elevation is None else repr(p.elevation)\n"
                "      w = '' if p.time is None else p.time.strftime('%Y-%m-%d %H:%M:%S')\n"
                "      print(f'{p.latitude!r},{p.longitude!r},{e},{w}')\n");
            const testpaths::CommandRun read = testpaths::RunCommand(
                python + " " + Quoted("read.py") + " " + Quoted("out.gpx"), dir.Path());
            ASSERT_EQ(read.exit, 0) << read.err;
            readers.emplace_back("gpxpy", CsvRows(read.out, "lat", "lon", "ele", "", "time"));
        } else {
            std::printf("gpxpy is not installed: its read-back is skipped\n");
        }
        if (testpaths::RunCommand("command -v gpsbabel", dir.Path()).exit == 0) {
            const testpaths::CommandRun read = testpaths::RunCommand(
                "gpsbabel -t -i gpx -f " + Quoted("out.gpx") + " -o unicsv,utc=0 -F -", dir.Path());
            ASSERT_EQ(read.exit, 0) << read.err;
            readers.emplace_back(
                "gpsbabel", CsvRows(read.out, "Latitude", "Longitude", "Altitude", "Date", "Time"));
        } else {
            std::printf("gpsbabel is not installed: its read-back is skipped\n");
        }
        for (const auto& [reader, rows] : readers) {
            ASSERT_EQ(rows.size(), expected.size()) << reader << " " << record;
            for (std::size_t i = 0; i < rows.size(); ++i) {
                const Row& a = expected[i];
                const Row& b = rows[i];
                ASSERT_NEAR(a.latitude, b.latitude, 1e-6) << reader << " point " << i;
                ASSERT_NEAR(a.longitude, b.longitude, 1e-6) << reader << " point " << i;
                ASSERT_EQ(a.altitude.empty(), b.altitude.empty()) << reader << " point " << i;
                if (!a.altitude.empty()) {
                    ASSERT_NEAR(std::atof(a.altitude.c_str()), std::atof(b.altitude.c_str()), 0.1)
                        << reader << " point " << i;
                }
                ASSERT_EQ(a.time, b.time) << reader << " point " << i;
            }
        }
    }
};

#ifdef ZRV_GENDRIVE_PATH
TEST_F(GpxCommandsTest, AGeneratedDriveReadsBackAsTheSamePoints) {
    ASSERT_EQ(testpaths::RunCommand(std::string(ZRV_GENDRIVE_PATH) +
                                        " --seconds 900 --start '2026-12-31 23:50:00' -o " +
                                        Quoted("drive.txt"),
                                    dir.Path())
                  .exit,
              0);
    ExpectSamePointsInEveryReader(dir / "drive.txt");
}
#endif

TEST_F(GpxCommandsTest, CorpusRecordingsReadBackAsTheSamePoints) {
    CORPUS_DIR_OR_SKIP(corpus);
    for (const char* name :
         {"adddate.nmea", "garmin38.log", "bu353s4.log", "sl869.log", "gpsdf.log", "ublox-8.log"}) {
        if (std::filesystem::exists(corpus / "nmea" / name)) {
            SCOPED_TRACE(name);
            ExpectSamePointsInEveryReader(corpus / "nmea" / name);
        }
    }
}

TEST_F(GpxCommandsTest, ImportSaysWhatItTookAndFailsOnWhatItCannotRead) {
    testpaths::WriteFileBytes(
        dir / "trip.gpx",
        "<?xml version=\"1.0\"?><gpx version=\"1.1\"><wpt lat=\"46.5\" lon=\"7.5\">"
        "<name>Hut, upper</name></wpt><rte><name>Up</name><rtept lat=\"46.6\" lon=\"7.6\"/>"
        "<rtept lat=\"46.7\" lon=\"7.7\"><name>Top</name></rtept></rte><trk><trkseg>"
        "<trkpt lat=\"46.5\" lon=\"7.5\"><time>2024-05-01T10:00:00Z</time></trkpt>"
        "<trkpt lat=\"46.6\" lon=\"7.5\"><time>2024-05-01T11:00:00Z</time></trkpt>"
        "</trkseg></trk></gpx>");
    const testpaths::CommandRun run =
        Cli("import " + Quoted("trip.gpx") + " --store " + Quoted("NaviStor.zrv"));
    EXPECT_EQ(run.exit, 0) << run.err;
    EXPECT_EQ(run.out.substr(0, run.out.find("  TRIP")),
              "Waypoints: 1 stored of 1\nRoutes: 1 stored of 1, with 2 of 2 points\n"
              "Names the store cannot keep were changed: 'Hut, upper' to 'Hut_ upper'\n"
              "Track 'trip.gpx'\n  Track points: 2 read, 2 stored\n");
    const testpaths::CommandRun listed =
        Cli("store --file " + Quoted("NaviStor.zrv") + " waypoints");
    EXPECT_NE(listed.out.find("Hut_ upper"), std::string::npos) << listed.out;
    EXPECT_NE(listed.out.find("Top"), std::string::npos) << listed.out;

    testpaths::WriteFileBytes(dir / "bad.gpx", "<gpx><wpt></gpx>");
    const struct {
        std::string arguments;
        std::string error;
    } failures[] = {
        {"import " + Quoted("missing.gpx"), "Unable to open file"},
        {"import " + Quoted("bad.gpx"), "Xml parse failed or empty document"},
    };
    for (const auto& c : failures) {
        const testpaths::CommandRun failed = Cli(c.arguments);
        EXPECT_EQ(failed.exit, 1) << c.arguments;
        EXPECT_NE(failed.err.find(c.error), std::string::npos) << failed.err;
    }
}

TEST_F(GpxCommandsTest, ExportRefusesOtherNamesAndReportsUnreadableRecords) {
    testpaths::WriteFileBytes(dir / "r.txt", "");
    EXPECT_EQ(Cli("gpx " + Quoted("r.txt") + " " + Quoted("out.kml")).exit, 2);
    EXPECT_EQ(Cli("gpx " + Quoted("r.txt")).exit, 2);
    EXPECT_EQ(Cli("gpx " + Quoted("r.txt") + " " + Quoted("o.gpx") + " --store").exit, 2);
    const testpaths::CommandRun missing = Cli("gpx " + Quoted("none.txt") + " " + Quoted("o.gpx"));
    EXPECT_EQ(missing.exit, 1);
    EXPECT_NE(missing.err.find("none.txt: No such file or directory"), std::string::npos)
        << missing.err;
    EXPECT_FALSE(std::filesystem::exists(dir / "o.gpx"));
}

} // namespace
