#include "tracks/KmlSegments.h"

#include "navigation/Geodesy.h"

#include <cmath>

namespace {

constexpr double kStraightToleranceDegrees = 0.5;

double Latitude(const TrackPoint& point) {
    return point.Position().Latitude().DecimalDegrees();
}

double Longitude(const TrackPoint& point) {
    return point.Position().Longitude().DecimalDegrees();
}

// |a - b| folded into 0..180.
double CourseDifference(double a, double b) {
    const double difference = std::fabs(a - b);
    return difference > 180.0 ? 360.0 - difference : difference;
}

} // namespace

std::vector<TrackSegment> BuildStraightSegments(std::span<const TrackPoint> points) {
    std::vector<TrackSegment> segments;
    const int last = static_cast<int>(points.size()) - 1;
    int start = -1;
    TrackPoint a;
    double previousCourse = -1.0;
    for (int index = 0; index <= last; ++index) {
        const TrackPoint& c = points[static_cast<std::size_t>(index)];
        if (start < 0) {
            start = index;
            a = c;
            continue;
        }
        if (c.Position() == a.Position()) {
            continue;
        }
        // Shifted by 360, so that no course can be taken for the -1 that marks none yet.
        const double course =
            GetAzimuth(Latitude(a), Longitude(a), Latitude(c), Longitude(c)) + 360.0;
        const bool ends = previousCourse == -1.0 ||
                          CourseDifference(previousCourse, course) > kStraightToleranceDegrees ||
                          index == last;
        if (!ends) {
            continue;
        }
        previousCourse = course;
        segments.push_back({start, index});
        start = index;
        a = c;
    }
    return segments;
}
