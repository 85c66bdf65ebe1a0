#pragma once

#include "tracks/Track.h"

#include <chrono>

// Playback at the log's own pace: each stored point (the fix of one receiver epoch) is sent
// when the log's time stamps say, the gaps divided by the speed zoom, instead of one burst a
// second. Pause, direction and the go-to commands act on the same cursor as in the
// burst-per-second playback.

// The longest silence a gap in the log becomes, unless the user chooses another.
inline constexpr std::chrono::seconds kDefaultMaxLogGap{60};

// The log's time from the point at `from` to the point at `to` (neighbours, either order):
// never negative, a day added where a log without dates passes midnight, at most `maxGap`.
// Points keep whole seconds, so the epochs that share one second are spread evenly over it: a
// 5 Hz log gives 200 ms steps.
std::chrono::milliseconds LogGap(const CTrack& track, int from, int to,
                                 std::chrono::milliseconds maxGap);

class PlaybackPacer {
public:
    using Clock = std::chrono::steady_clock;
    // The send thread wakes at least this often, so that a command (pause, go to, a new speed
    // zoom) takes effect as soon as in the burst-per-second playback.
    static constexpr std::chrono::milliseconds kLongestWait{1000};

    struct Step {
        bool send = false; // a burst of the point under the cursor is due now
        TrackPoint point;  // the point to send
        Clock::time_point wakeAt;
    };

    // Under the track's lock, at `now`: whether a burst is due, with the cursor moved to its
    // point. The first burst, and the first after a command moved the cursor, is the point
    // under the cursor at once; playing, the next point follows after its log gap divided by
    // the zoom; paused or at the end of the track, the same point is sent again once a
    // second. An empty track sends nothing.
    Step Advance(CTrack& track, Clock::time_point now);

    void SetMaxGap(std::chrono::milliseconds maxGap) { m_maxGap = maxGap; }

private:
    // When the burst after the last one is due, and at which index.
    Clock::time_point NextDue(const CTrack& track, int& nextIndex) const;

    std::chrono::milliseconds m_maxGap = kDefaultMaxLogGap;
    int m_lastIndex = -1;
    Clock::time_point m_lastAt;
};
