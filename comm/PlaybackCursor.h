#pragma once

#include "tracks/Track.h"

// The playback cursor commands on a track. The caller holds the track's lock.

// The point to send in one burst: the cursor moves by the speed zoom when the track plays (not
// at all when paused), backwards when the direction is Reverse, clamped to the first and the
// last point; the point under it is returned. An empty point for an empty track.
TrackPoint FetchAndAdvance(CTrack& track);

// Go to Begin / End: the first or last point; false for an empty track.
bool GoToBegin(CTrack& track);
bool GoToEnd(CTrack& track);
// Go to Max Speed / Max Altitude / Min Altitude Point: false, and the cursor stays, while the
// track knows no such point.
bool GoToMaxSpeedPoint(CTrack& track);
bool GoToMaxAltitudePoint(CTrack& track);
bool GoToMinAltitudePoint(CTrack& track);
// Go to Next: steps by the speed zoom in the playback direction, clamped; Previous steps the
// other way. False for an empty track.
bool GoToNextPoint(CTrack& track);
bool GoToPreviousPoint(CTrack& track);

// The speed zoom values the menu offers.
inline constexpr int kSpeedZooms[] = {1, 3, 5, 10, 20, 30, 40, 50, 60, 70, 80, 90, 100};
bool IsSpeedZoom(int zoom);
