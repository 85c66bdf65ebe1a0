#pragma once

#include "tracks/Track.h"

#include <span>
#include <vector>

// A straight piece of a track between two stored points (indices into the points).
struct TrackSegment {
    int start = 0;
    int end = 0;
    bool operator==(const TrackSegment&) const = default;
};

// Cuts a track into straight segments for the speed-coloured line, in track order. A segment
// runs from its start A while the course from A to each further point stays within 0.5 degrees
// of the course from A to the first point taken after A; the point that turns further, or the
// last point of the track, ends it and starts the next one. Points at A's position are passed
// over. The first course is always taken, so a straight track gives two segments: its first to
// its second point, and its second to its last point.
std::vector<TrackSegment> BuildStraightSegments(std::span<const TrackPoint> points);
