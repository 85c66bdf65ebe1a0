#include "tests/support/TestPaths.h"
#include "tests/tracks/KmlTestTracks.h"

#include "tracks/KmlExport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

// Other programs as judges of the export: xmllint for well-formedness, gpsbabel reading the
// lines back. Skipped when a tool is not installed.
namespace {

bool HasTool(const std::string& tool) {
    return std::system(("command -v " + tool + " >/dev/null 2>&1").c_str()) == 0;
}

int RunQuiet(const std::string& command) {
    return std::system((command + " 2>/dev/null").c_str());
}

// A track that turns, speeds up and climbs: 57 points.
std::unique_ptr<CTrack> WindingTrack() {
    auto track = std::make_unique<CTrack>();
    bool oom = false;
    for (int i = 0; i < 57; ++i) {
        const double lat = 46.5 + 0.0009 * i + 0.0004 * (i % 7);
        const double lon = -7.25 + 0.0011 * i * (i % 3 == 0 ? 1.0 : 1.01);
        track->AddPoint(kmltest::Fix(lat, lon, 3.0 * i, 1000.0 + 7.3 * i), oom);
    }
    return track;
}

// "latitude,longitude" rows of gpsbabel's unicsv output, as written ("%.6f").
std::vector<std::string> GpsbabelRows(const std::filesystem::path& kml,
                                      const std::filesystem::path& csv) {
    std::vector<std::string> rows;
    if (RunQuiet("gpsbabel -t -i kml -f '" + kml.string() + "' -o unicsv -F '" + csv.string() +
                 "'") != 0) {
        return rows;
    }
    std::istringstream in(testpaths::ReadFileBytes(csv));
    std::string line;
    std::getline(in, line); // header
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string number;
        std::string latitude;
        std::string longitude;
        std::getline(fields, number, ',');
        std::getline(fields, latitude, ',');
        std::getline(fields, longitude, ',');
        char text[64];
        std::snprintf(text, sizeof text, "%.6f,%.6f", std::stod(latitude), std::stod(longitude));
        rows.push_back(text);
    }
    return rows;
}

std::vector<std::string> WholeTrackRows(const CTrack& track) {
    std::vector<std::string> rows;
    for (int i = 0; i < track.PointCount(); i += 10) {
        const TrackPoint p = track.PointAt(i);
        char text[64];
        std::snprintf(text, sizeof text, "%.6f,%.6f", p.Position().Latitude().DecimalDegrees(),
                      p.Position().Longitude().DecimalDegrees());
        rows.push_back(text);
    }
    return rows;
}

TEST(KmlJudges, ExportsAreWellFormedAndReadBackByGpsbabel) {
    const bool xmllint = HasTool("xmllint");
    const bool gpsbabel = HasTool("gpsbabel");
    if (!xmllint && !gpsbabel) {
        GTEST_SKIP() << "neither xmllint nor gpsbabel is installed";
    }
    testpaths::TempDir dir;
    const auto track = WindingTrack();
    const std::vector<std::string> whole = WholeTrackRows(*track);
    for (const bool coloured : {false, true}) {
        for (const auto mode : {KmlAltitudeMode::ClampedToGround, KmlAltitudeMode::Absolute}) {
            SCOPED_TRACE(std::string(coloured ? "coloured" : "plain") +
                         (mode == KmlAltitudeMode::Absolute ? ", absolute" : ", clamped"));
            const auto kml = dir / "judged.kml";
            ASSERT_EQ(ExportTrackToFile(*track, kml, {coloured, mode, DistanceUnit::Kilometers},
                                        kNoDateTime),
                      "");
            if (xmllint) {
                EXPECT_EQ(RunQuiet("xmllint --noout '" + kml.string() + "'"), 0);
            }
            if (!gpsbabel) {
                continue;
            }
            const std::vector<std::string> rows = GpsbabelRows(kml, dir / "judged.csv");
            if (!coloured) {
                EXPECT_EQ(rows, whole);
                continue;
            }
            // The whole-track line comes first, then the segments.
            ASSERT_GT(rows.size(), whole.size());
            EXPECT_EQ(std::vector<std::string>(rows.begin(),
                                               rows.begin() + static_cast<long>(whole.size())),
                      whole);
        }
    }
    if (!xmllint || !gpsbabel) {
        GTEST_SKIP() << (xmllint ? "gpsbabel" : "xmllint") << " is not installed";
    }
}

} // namespace
