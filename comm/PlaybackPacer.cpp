#include "comm/PlaybackPacer.h"

#include "platform/CalendarTime.h"

#include <algorithm>
#include <cstdint>

namespace {

using std::chrono::milliseconds;

// How far the spread of one second looks for points of the same second: enough for any
// receiver's rate, and a bound on the work per burst for a log whose times stand still.
constexpr int kLongestEpochRun = 100;
constexpr std::int64_t kDayMilliseconds = 86'400'000;

// The point's time in milliseconds: its second, and its place among the points of that second.
std::int64_t EpochMilliseconds(const CTrack& track, int index) {
    const CalendarTime second = track.PointAt(index).Time();
    int first = index;
    while (first > 0 && index - first < kLongestEpochRun &&
           track.PointAt(first - 1).Time() == second) {
        --first;
    }
    int end = index + 1;
    while (end < track.PointCount() && end - index < kLongestEpochRun &&
           track.PointAt(end).Time() == second) {
        ++end;
    }
    return second * 1000 + std::int64_t{index - first} * 1000 / (end - first);
}

} // namespace

milliseconds LogGap(const CTrack& track, int from, int to, milliseconds maxGap) {
    const int earlier = std::min(from, to);
    const int later = std::max(from, to);
    std::int64_t gap = EpochMilliseconds(track, later) - EpochMilliseconds(track, earlier);
    if (gap < 0 && !HasDate(track.PointAt(later).Time())) {
        gap += kDayMilliseconds;
    }
    return std::clamp(milliseconds(gap), milliseconds(0), maxGap);
}

PlaybackPacer::Step PlaybackPacer::Advance(CTrack& track, Clock::time_point now) {
    Step step;
    step.wakeAt = now + kLongestWait;
    if (track.PointCount() == 0) {
        m_lastIndex = -1;
        return step;
    }
    if (track.CurrentIndex() == m_lastIndex) {
        int next = 0;
        const Clock::time_point due = NextDue(track, next);
        if (now < due) {
            step.wakeAt = std::min(due, step.wakeAt);
            return step;
        }
        track.SetCurrentIndex(next);
        // The bursts keep the log's rhythm, unless a slow device held them back by more than
        // a wait: then the rhythm starts again from now instead of racing to catch up.
        m_lastAt = now - due < kLongestWait ? due : now;
    } else {
        m_lastAt = now;
    }
    m_lastIndex = track.CurrentIndex();
    step.send = true;
    step.point = track.CurrentPoint();
    int next = 0;
    step.wakeAt = std::min(NextDue(track, next), step.wakeAt);
    return step;
}

PlaybackPacer::Clock::time_point PlaybackPacer::NextDue(const CTrack& track, int& nextIndex) const {
    const int current = track.CurrentIndex();
    nextIndex = current;
    if (track.GetPlaybackMode() == PlaybackMode::Play) {
        const int step = track.GetPlaybackDirection() == PlaybackDirection::Reverse ? -1 : 1;
        nextIndex = std::clamp(current + step, 0, track.LastIndex());
    }
    if (nextIndex == current) {
        return m_lastAt + kLongestWait;
    }
    const int zoom = std::max(track.GetSpeedZoom(), 1);
    return m_lastAt + LogGap(track, current, nextIndex, m_maxGap) / zoom;
}
