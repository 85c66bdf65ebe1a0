#pragma once

#include "navigation/DistanceUnits.h"

class CTrack;

// What the track commands print of a track.

// The stored points as CSV with a header line: the values as stored (knots, metres, nautical
// miles), each the shortest text that reads back as the same number.
void PrintTrackPointsCsv(const CTrack& track);

// The statistics panel's lines, one "  LABEL: value" line each.
void PrintStatisticsLines(const CTrack& track, DistanceUnit units);
