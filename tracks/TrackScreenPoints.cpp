#include "tracks/TrackScreenPoints.h"

PlotScaleKey TrackPlotKeyOf(const CTrack& track) {
    PlotScaleKey key;
    key.box = {track.West(), track.East(), track.South(), track.North()};
    return key;
}

PlotScaleKey ProfileKeyOf(const CTrack& track) {
    PlotScaleKey key;
    key.totalDistance = track.TripDistance();
    key.maxAltitude = track.MaxAltitude();
    key.minAltitude = track.MinAltitude();
    return key;
}

void LayOutPlotPoints(CTrack& track, const PixelArea& area, int from,
                      std::vector<PlottedPoint>& out) {
    const TrackPlotScale scale({track.West(), track.East(), track.South(), track.North()}, area);
    for (int index = std::max(from, 0); index < track.PointCount(); ++index) {
        TrackPoint& point = *track.StoredPoint(index);
        const ScreenPoint at = scale.ToScreen(point.Position().Latitude().DecimalDegrees(),
                                              point.Position().Longitude().DecimalDegrees());
        point.SetPlotPoint(at);
        out.push_back({at, SpeedBandOfKnots(point.SpeedOverGround())});
    }
}

void LayOutProfilePoints(CTrack& track, const PixelArea& area, int from,
                         std::vector<PlottedPoint>& out) {
    if (track.MaxAltitudeIndex() < 0) {
        return;
    }
    const AltitudeProfileScale scale(track.TripDistance(), track.MaxAltitude(), track.MinAltitude(),
                                     area);
    for (int index = std::max(from, 0); index < track.PointCount(); ++index) {
        TrackPoint& point = *track.StoredPoint(index);
        if (!point.HasAltitude()) {
            continue;
        }
        const ScreenPoint at = scale.ToScreen(point.TripDistance(), point.Altitude());
        point.SetProfilePoint(at);
        out.push_back({at, SpeedBandOfKnots(point.SpeedOverGround())});
    }
}
