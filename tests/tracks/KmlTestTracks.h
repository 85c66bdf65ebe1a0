#pragma once

#include "nmea/Coordinates.h"
#include "tracks/Track.h"

#include <memory>

// Tracks built point by point for the KML tests.
namespace kmltest {

// A complete fix at that position; speed in knots, altitude in metres (absent when omitted).
inline TrackPoint Fix(double latitude, double longitude, double knots = 10.0,
                      double altitude = kAbsentReal) {
    TrackPoint fix;
    fix.ApplyEpochRule(kNoDateTime + 86400 * 365);
    fix.SetPosition(CLatLong::FromDecimalDegrees(latitude, longitude));
    fix.SetSpeedOverGround(knots);
    fix.SetAltitude(altitude);
    fix.SetRmcDataPresent(true);
    fix.SetGgaDataPresent(true);
    fix.UpdateCompleteness();
    return fix;
}

// `count` points due north from 47N 8E, 0.001 degrees apart (about 111 m).
inline std::unique_ptr<CTrack> StraightTrack(int count, double knots = 10.0) {
    auto track = std::make_unique<CTrack>();
    for (int i = 0; i < count; ++i) {
        bool outOfMemory = false;
        track->AddPoint(Fix(47.0 + 0.001 * i, 8.0, knots, 400.0 + i), outOfMemory);
    }
    return track;
}

} // namespace kmltest
