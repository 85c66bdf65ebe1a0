#pragma once

#include "navigation/Waypoint.h"
#include "tracks/Track.h"

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

// GPX 1.1 namespace and schema, and the program's own namespace for what GPX has no element
// for: the speed over ground (knots) and the course over ground (degrees true) of a point.
inline constexpr const char* kGpxNamespace = "http://www.topografix.com/GPX/1/1";
inline constexpr const char* kGpxSchemaLocation =
    "http://www.topografix.com/GPX/1/1 http://www.topografix.com/GPX/1/1/gpx.xsd";
inline constexpr const char* kGpxVelmoraNamespace = "urn:velmora:recorder3:gpx:1";
inline constexpr const char* kGpxVelmoraPrefix = "vr";

// Writes a GPX 1.1 file as it goes: each call appends its element to a small buffer that is
// written out when full, so that memory does not grow with the file. The elements must come in
// the order GPX requires: waypoints, then routes, then tracks.
//
// Coordinates are written with 7 decimals, altitudes and geoidal separations with 2, times in
// UTC ("Z") to the second; a point outside +-90 / +-180 degrees is left out (counted), a time
// without a date is left out. Names are escaped; control characters, which XML cannot carry,
// become spaces and broken UTF-8 becomes U+FFFD.
//
// The first failure (creating or writing the file) is kept and later calls do nothing; Finish
// then reports it. A file that failed or was never finished is removed, so that no cut
// document is left behind.
class CGpxWriter {
public:
    explicit CGpxWriter(const std::filesystem::path& path);
    ~CGpxWriter();
    CGpxWriter(const CGpxWriter&) = delete;
    CGpxWriter& operator=(const CGpxWriter&) = delete;

    void AddWaypoint(const CWaypoint& waypoint);
    void BeginRoute(std::string_view name);
    void AddRoutePoint(const CWaypoint& waypoint);
    void EndRoute();
    void BeginTrack(std::string_view name);
    void AddTrackPoint(const TrackPoint& point);
    void EndTrack();

    // Closes the document and the file. Empty on success, else the message for the user.
    std::string Finish();

    bool Failed() const { return !m_error.empty(); }
    // Points left out for a position outside the ranges.
    std::size_t SkippedPoints() const { return m_skipped; }
    std::size_t TrackPointsWritten() const { return m_trackPoints; }

private:
    void AppendPointStart(const char* element, double latitude, double longitude);
    void Flush();
    void Fail(const char* what);

    std::filesystem::path m_path;
    int m_fd = -1;
    std::string m_buffer;
    std::string m_error;
    std::size_t m_skipped = 0;
    std::size_t m_trackPoints = 0;
    bool m_created = false; // a regular file this writer opened, which a failure removes
    bool m_finished = false;
};
