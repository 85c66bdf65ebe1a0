#pragma once

#include "tracks/Track.h"
#include "tracks/TrackPlotGeometry.h"

#include <algorithm>
#include <vector>

// One point as a driving view draws it: its pixel and its speed band.
struct PlottedPoint {
    ScreenPoint at;
    int band = 0;
};

// What a track plot or profile is drawn from: the inputs of its scale, so that a view knows
// when it must draw everything again. The plot's scale depends on the track's box alone (the
// other fields stay 0), the profile's on the total distance and the altitude extremes alone
// (the box stays 0): a live plot is not drawn anew for every step of the odometer.
struct PlotScaleKey {
    TrackBox box;
    double totalDistance = 0.0;
    double maxAltitude = 0.0;
    double minAltitude = 0.0;
    bool operator==(const PlotScaleKey&) const = default;
};
PlotScaleKey TrackPlotKeyOf(const CTrack& track);
PlotScaleKey ProfileKeyOf(const CTrack& track);

// The screen points of the track's points from index `from` on, stored in their point records
// and appended to `out`. The caller holds the track's lock. The profile leaves out points
// without an altitude, and the whole track while no point has one.
void LayOutPlotPoints(CTrack& track, const PixelArea& area, int from,
                      std::vector<PlottedPoint>& out);
void LayOutProfilePoints(CTrack& track, const PixelArea& area, int from,
                         std::vector<PlottedPoint>& out);
