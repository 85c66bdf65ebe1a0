#include "comm/PlaybackCursor.h"

#include <algorithm>

namespace {

// The cursor moved by `step` points, clamped to the track. The track is not empty.
int Stepped(const CTrack& track, long long step) {
    const long long index = static_cast<long long>(track.CurrentIndex()) + step;
    return static_cast<int>(std::clamp<long long>(index, 0, track.LastIndex()));
}

bool Step(CTrack& track, bool towardsPlaybackDirection) {
    if (track.PointCount() == 0) {
        return false;
    }
    const bool reverse = track.GetPlaybackDirection() == PlaybackDirection::Reverse;
    const long long zoom = track.GetSpeedZoom();
    return track.SetCurrentIndex(
        Stepped(track, reverse == towardsPlaybackDirection ? -zoom : zoom));
}

bool GoToIndex(CTrack& track, int index) {
    return index >= 0 && track.SetCurrentIndex(index);
}

} // namespace

TrackPoint FetchAndAdvance(CTrack& track) {
    if (track.PointCount() == 0) {
        return TrackPoint();
    }
    const long long step = track.GetPlaybackMode() == PlaybackMode::Play ? track.GetSpeedZoom() : 0;
    const bool reverse = track.GetPlaybackDirection() == PlaybackDirection::Reverse;
    track.SetCurrentIndex(Stepped(track, reverse ? -step : step));
    return track.CurrentPoint();
}

bool GoToBegin(CTrack& track) {
    return GoToIndex(track, 0);
}

bool GoToEnd(CTrack& track) {
    return GoToIndex(track, track.LastIndex());
}

bool GoToMaxSpeedPoint(CTrack& track) {
    return GoToIndex(track, track.MaxSpeedIndex());
}

bool GoToMaxAltitudePoint(CTrack& track) {
    return GoToIndex(track, track.MaxAltitudeIndex());
}

bool GoToMinAltitudePoint(CTrack& track) {
    return GoToIndex(track, track.MinAltitudeIndex());
}

bool GoToNextPoint(CTrack& track) {
    return Step(track, true);
}

bool GoToPreviousPoint(CTrack& track) {
    return Step(track, false);
}

bool IsSpeedZoom(int zoom) {
    return std::find(std::begin(kSpeedZooms), std::end(kSpeedZooms), zoom) != std::end(kSpeedZooms);
}
