// Real receiver logs against gpsd's reading of them: every point the track stores must be a
// fix that gpsd also reported, in the same second and at the same place (within 1e-6 degrees),
// and its speed and course must be those gpsd reported for that place. The track's own rules
// make it store fewer points than gpsd reports fixes (one epoch is one point; a fix of the
// same position only moves the last point's time; GGA needs a fix and HDOP <= 10; a receiver
// without GGA is stored one cycle late), and the assertions follow those rules rather than
// widen the tolerance.
#include "tests/support/TestPaths.h"
#include "tracks/RecordLineReader.h"
#include "tracks/Track.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr double kPositionTolerance = 1e-6;         // degrees
constexpr double kSpeedTolerance = 0.0005 + 1e-9;   // m/s: gpsd prints 3 decimals
constexpr double kCourseTolerance = 0.00005 + 1e-9; // degrees: gpsd prints 4 decimals
constexpr double kMetresPerSecondPerKnot = 1852.0 / 3600.0;

// A position that gpsd reported in one second: a TPV report with a 2D or 3D fix, or a
// sentence that gpsd accepted (it echoes each one before its reports).
struct GpsdPosition {
    bool isReport; // TPV report; otherwise an echoed sentence
    int secondOfDay;
    double latitude;
    double longitude;
    std::optional<double> speed; // m/s
    std::optional<double> course;
};

std::optional<double> JsonNumber(const std::string& object, const std::string& key) {
    const std::string pattern = "\"" + key + "\":";
    const std::size_t at = object.find(pattern);
    if (at == std::string::npos) {
        return std::nullopt;
    }
    return std::strtod(object.c_str() + at + pattern.size(), nullptr);
}

// Second of the day from a "hhmmss" text; -1 when there is none.
int SecondOfDay(const std::string& text) {
    if (text.size() < 6) {
        return -1;
    }
    for (std::size_t i = 0; i < 6; ++i) {
        if (text[i] < '0' || text[i] > '9') {
            return -1;
        }
    }
    return std::stoi(text.substr(0, 2)) * 3600 + std::stoi(text.substr(2, 2)) * 60 +
           std::stoi(text.substr(4, 2));
}

std::vector<std::string> SplitFields(const std::string& sentence) {
    std::vector<std::string> fields;
    std::size_t start = 1;
    for (std::size_t i = 1; i <= sentence.size(); ++i) {
        if (i == sentence.size() || sentence[i] == ',' || sentence[i] == '*') {
            fields.push_back(sentence.substr(start, i - start));
            start = i + 1;
        }
    }
    return fields;
}

// ddmm.mmmm with its hemisphere letter as signed degrees.
std::optional<double> Degrees(const std::string& value, const std::string& hemisphere) {
    if (value.empty() || hemisphere.empty()) {
        return std::nullopt;
    }
    const double nmea = std::strtod(value.c_str(), nullptr);
    const double degrees = static_cast<int>(nmea) / 100;
    const double magnitude = degrees + (nmea - degrees * 100) / 60.0;
    return (hemisphere == "S" || hemisphere == "W") ? -magnitude : magnitude;
}

// The time and position an echoed GGA (with a fix), RMC (status A), GLL or GNS carries.
std::optional<GpsdPosition> SentencePosition(const std::string& sentence) {
    const std::vector<std::string> f = SplitFields(sentence);
    const std::string type = f[0].size() >= 3 ? f[0].substr(f[0].size() - 3) : "";
    std::size_t timeField = 1;
    std::size_t latitudeField = 2;
    if (type == "RMC" && f.size() > 8 && f[2] == "A") {
        latitudeField = 3;
    } else if (type == "GLL" && f.size() > 5) {
        timeField = 5;
        latitudeField = 1;
    } else if (!((type == "GGA" && f.size() > 6 && f[6] != "0") ||
                 (type == "GNS" && f.size() > 5))) {
        return std::nullopt;
    }
    const auto latitude = Degrees(f[latitudeField], f[latitudeField + 1]);
    const auto longitude = Degrees(f[latitudeField + 2], f[latitudeField + 3]);
    const int second = SecondOfDay(f[timeField]);
    if (!latitude || !longitude || second < 0) {
        return std::nullopt;
    }
    GpsdPosition position{false, second, *latitude, *longitude, std::nullopt, std::nullopt};
    if (type == "RMC") {
        position.speed = std::strtod(f[7].c_str(), nullptr) * 1852.0 / 3600.0;
        position.course = std::strtod(f[8].c_str(), nullptr);
    }
    return position;
}

std::vector<GpsdPosition> ReadGpsdPositions(const std::filesystem::path& path) {
    std::vector<GpsdPosition> positions;
    std::ifstream in(path);
    std::string line;
    int sentenceSecond = -1;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (line.starts_with("$")) {
            const auto position = SentencePosition(line);
            sentenceSecond = position ? position->secondOfDay : -1;
            if (position) {
                positions.push_back(*position);
            }
            continue;
        }
        if (!line.starts_with("{\"class\":\"TPV\"")) {
            continue;
        }
        const auto mode = JsonNumber(line, "mode");
        const auto latitude = JsonNumber(line, "lat");
        const auto longitude = JsonNumber(line, "lon");
        if (!mode || *mode < 2 || !latitude || !longitude) {
            continue;
        }
        int second = sentenceSecond;
        if (const std::size_t t = line.find("\"time\":\""); t != std::string::npos) {
            // "YYYY-MM-DDThh:mm:ss"
            second = SecondOfDay(line.substr(t + 19, 2) + line.substr(t + 22, 2) +
                                 line.substr(t + 25, 2));
        }
        if (second >= 0) {
            positions.push_back({true, second, *latitude, *longitude, JsonNumber(line, "speed"),
                                 JsonNumber(line, "track")});
        }
    }
    return positions;
}

// RMC sentences with status A that fit a line of 82 characters with CR LF and carry a good
// checksum and 11 to 13 data fields, whatever their line end: two of them in different
// seconds make at least one point.
int CountUsableRmcFixes(const std::filesystem::path& log) {
    std::ifstream in(log, std::ios::binary);
    std::string line;
    int count = 0;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        const std::size_t star = line.find('*');
        if (line.size() > 80 || line.size() < 6 || line[0] != '$' || line.substr(3, 3) != "RMC" ||
            star == std::string::npos || star + 3 != line.size()) {
            continue;
        }
        unsigned sum = 0;
        int commas = 0;
        for (std::size_t i = 1; i < star; ++i) {
            sum ^= static_cast<unsigned char>(line[i]);
            commas += line[i] == ',' ? 1 : 0;
        }
        const std::vector<std::string> f = SplitFields(line);
        if (std::strtoul(line.c_str() + star + 1, nullptr, 16) == sum && commas >= 11 &&
            commas <= 13 && f[2] == "A") {
            ++count;
        }
    }
    return count;
}

bool SamePlace(const GpsdPosition& fix, double latitude, double longitude) {
    return std::fabs(fix.latitude - latitude) <= kPositionTolerance &&
           std::fabs(fix.longitude - longitude) <= kPositionTolerance;
}

// How the stored points compare with gpsd.
struct LogResult {
    int points = 0;
    int agree = 0;             // a gpsd fix report of the same second at the same place
    int firstPositionWins = 0; // gpsd's report of that second has a later sentence's position
    int unreported = 0;        // gpsd made no report for that second
};

LogResult CrossCheck(const std::filesystem::path& log, const std::filesystem::path& expected) {
    const auto track = std::make_unique<CTrack>();
    RecordLineReader reader;
    EXPECT_TRUE(reader.Open(log.string())) << reader.Error();
    std::string_view line;
    while (reader.NextLine(line)) {
        bool outOfMemory = false;
        track->DecodeLine(line, outOfMemory);
    }
    const std::vector<GpsdPosition> positions = ReadGpsdPositions(expected);
    LogResult result;
    result.points = track->PointCount();
    if (CountUsableRmcFixes(log) >= 2) {
        EXPECT_GT(result.points, 0) << log.filename() << " has RMC fixes but loads empty";
    }
    for (int i = 0; i < track->PointCount(); ++i) {
        const TrackPoint point = track->PointAt(i);
        const double latitude = point.Position().Latitude().DecimalDegrees();
        const double longitude = point.Position().Longitude().DecimalDegrees();
        const int second = static_cast<int>(((point.Time() % 86400) + 86400) % 86400);
        SCOPED_TRACE(log.filename().string() + " point " + std::to_string(i) + " at " +
                     FormatCalendarTime(point.Time(), "%H:%M:%S"));

        bool reportHere = false;
        bool reportThisSecond = false;
        bool sentenceHere = false;
        bool motionReported = false;
        bool motionMatches = false;
        for (const GpsdPosition& p : positions) {
            const bool samePlace = SamePlace(p, latitude, longitude);
            if (p.secondOfDay == second) {
                reportThisSecond = reportThisSecond || p.isReport;
                reportHere = reportHere || (p.isReport && samePlace);
                sentenceHere = sentenceHere || (!p.isReport && samePlace);
            }
            // The speed and course come from the RMC of the point's epoch, whose position may
            // be another sentence's of that second; and a point keeps them while its time
            // moves on with later fixes at the same place.
            if ((samePlace || p.secondOfDay == second) && p.speed) {
                motionReported = true;
                const bool speedMatches =
                    std::fabs(point.SpeedOverGround() * kMetresPerSecondPerKnot - *p.speed) <=
                    kSpeedTolerance;
                const bool courseMatches = !p.course || std::fabs(point.CourseOverGround() -
                                                                  *p.course) <= kCourseTolerance;
                motionMatches = motionMatches || (speedMatches && courseMatches);
            }
        }
        if (reportHere) {
            ++result.agree;
        } else if (sentenceHere) {
            // The epoch takes the position of its first sentence; gpsd reports the latest one,
            // or reports a second only when its cycle ends.
            ++(reportThisSecond ? result.firstPositionWins : result.unreported);
        } else {
            ADD_FAILURE() << "neither a gpsd report nor a sentence gpsd accepted has " << latitude
                          << ", " << longitude << " in this second";
        }
        if (motionReported) {
            EXPECT_TRUE(motionMatches)
                << "speed " << point.SpeedOverGround() << " kn, course " << point.CourseOverGround()
                << " not reported by gpsd at this place";
        }
    }
    return result;
}

TEST(GpsdCrossCheck, StoredPointsAreFixesGpsdReported) {
    CORPUS_DIR_OR_SKIP(corpus);
    int logs = 0;
    for (const auto& entry : std::filesystem::directory_iterator(corpus / "expected")) {
        const std::string name = entry.path().filename().string();
        if (!name.ends_with(".chk")) {
            continue;
        }
        const auto log = corpus / "nmea" / name.substr(0, name.size() - 4);
        if (!std::filesystem::exists(log)) {
            continue;
        }
        ++logs;
        const LogResult r = CrossCheck(log, entry.path());
        std::cout << name.substr(0, name.size() - 4) << ": " << r.points << " points, " << r.agree
                  << " as gpsd reports, " << r.firstPositionWins
                  << " first position of the second, " << r.unreported
                  << " in seconds gpsd did not report\n";
    }
    EXPECT_GT(logs, 0);
}

} // namespace
