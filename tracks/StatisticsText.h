#pragma once

#include "navigation/DistanceUnits.h"
#include "tracks/Track.h"

#include <cstdint>
#include <string>
#include <vector>

// Distances arrive in nautical miles, speeds in knots and altitudes in metres, and are shown
// in the unit the user chose.

// metres -> m (kilometres) or ft (statute and nautical miles).
double AltitudeInUnits(double metres, DistanceUnit units);

// "12.3km", "12.3mi", "12.3nmi": the one-decimal form of the statistics panel.
std::string FormatTripDistance(double nauticalMiles, DistanceUnit units);
// "12.3km/h", "12.3mph", "12.3kn".
std::string FormatSpeed(double knots, DistanceUnit units);
// "123.4m" or "404.9ft".
std::string FormatAltitude(double metres, DistanceUnit units);
// A span of seconds as days, hours, minutes, seconds: "0, 01:02:03".
std::string FormatTimeSpan(std::int64_t seconds);
// The satellites line: "(0)(Searching)" with none in view; "in-use(in-view) " and then
// "(Acquiring)" with none in use, or the augmentation systems among the satellites in use:
// "(EGNOS)", "(WAAS)", "(MTSAT-1)", "(MTSAT-2)".
std::string FormatSatellites(int inUse, int inView, const CTrack::SatelliteNumbers& used);

// One line of the statistics panel: its label ("TRIP: ") and its value text.
struct StatisticsLine {
    std::string label;
    std::string value;
};

// What the statistics panel shows of a track, in this order: TRIP, MXSPD, AVSPD, ALT(max),
// ALT(min), ELPSD, TTIME, satellites. A value that does not exist yet reads "Unknown".
std::vector<StatisticsLine> TrackStatisticsLines(const CTrack& track, DistanceUnit units);
