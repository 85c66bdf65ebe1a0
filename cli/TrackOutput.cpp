#include "cli/TrackOutput.h"

#include "platform/CalendarTime.h"
#include "tracks/StatisticsText.h"
#include "tracks/Track.h"

#include <charconv>
#include <cstdio>
#include <string>

namespace {

std::string NumberText(double value) {
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, value);
    return std::string(text, result.ptr);
}

std::string CountText(int count) {
    return count == kUnknownCount ? std::string() : std::to_string(count);
}

} // namespace

void PrintTrackPointsCsv(const CTrack& track) {
    std::printf("index,time,latitude,longitude,speed_kn,course_deg,altitude_m,"
                "satellites_in_use,satellites_in_view,trip_nmi\n");
    for (int i = 0; i < track.PointCount(); ++i) {
        const TrackPoint point = track.PointAt(i);
        std::printf("%d,%s,%.9f,%.9f,%s,%s,%s,%s,%s,%s\n", i,
                    FormatCalendarTime(point.Time(), "%Y-%m-%d %H:%M:%S").c_str(),
                    point.Position().Latitude().DecimalDegrees(),
                    point.Position().Longitude().DecimalDegrees(),
                    NumberText(point.SpeedOverGround()).c_str(),
                    NumberText(point.CourseOverGround()).c_str(),
                    point.HasAltitude() ? NumberText(point.Altitude()).c_str() : "",
                    CountText(point.SatellitesInUse()).c_str(),
                    CountText(point.SatellitesInView()).c_str(),
                    NumberText(point.TripDistance()).c_str());
    }
}

void PrintStatisticsLines(const CTrack& track, DistanceUnit units) {
    for (const StatisticsLine& line : TrackStatisticsLines(track, units)) {
        std::printf("  %s%s\n", line.label.c_str(), line.value.c_str());
    }
}
