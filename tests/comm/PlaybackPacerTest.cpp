#include "comm/PlaybackPacer.h"
#include "comm/PlaybackCursor.h"
#include "nmea/Sentence.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

using namespace std::chrono_literals;
using std::chrono::milliseconds;

namespace {

// Adds one point per receiver time ("hhmmss.ss"), each a little further north, all on `date`
// ("ddmmyy", or empty for a receiver without a date).
void Fill(CTrack& track, const std::vector<std::string>& times,
          const std::string& date = "010526") {
    bool outOfMemory = false;
    for (std::size_t i = 0; i < times.size(); ++i) {
        char latitude[16];
        std::snprintf(latitude, sizeof latitude, "4806.%04d", static_cast<int>(i) * 100);
        const std::string at = times[i] + "," + latitude + ",N,01130.0000,E,";
        // RMC first: the GGA without a date then joins the epoch of the RMC that has one.
        for (const std::string& text : {"$GPRMC," + times[i] + ",A," + latitude +
                                            ",N,01130.0000,E,20.5,045.0," + date + ",,*",
                                        "$GPGGA," + at + "1,08,0.9,500.0,M,46.9,M,,*"}) {
            track.DecodeLine(FinishLine(text).value(), outOfMemory);
        }
    }
}

// A send thread's view of time: it wakes when the pacer asks, until `until`; each burst as
// (milliseconds from the start, point index). `between` runs before each wake, at its time.
using Burst = std::pair<long long, int>;
template <typename Between>
std::vector<Burst> Play(PlaybackPacer& pacer, CTrack& track, milliseconds until, Between between) {
    const auto start = PlaybackPacer::Clock::time_point() + 1h;
    std::vector<Burst> bursts;
    for (auto now = start; now - start <= until;) {
        between(std::chrono::duration_cast<milliseconds>(now - start));
        const PlaybackPacer::Step step = pacer.Advance(track, now);
        if (step.send) {
            EXPECT_EQ(step.point.Time(), track.CurrentPoint().Time());
            bursts.emplace_back(std::chrono::duration_cast<milliseconds>(now - start).count(),
                                track.CurrentIndex());
        }
        EXPECT_GT(step.wakeAt, now);
        EXPECT_LE(step.wakeAt - now, PlaybackPacer::kLongestWait);
        now = step.wakeAt;
    }
    return bursts;
}

std::vector<Burst> Play(PlaybackPacer& pacer, CTrack& track, milliseconds until) {
    return Play(pacer, track, until, [](milliseconds) {});
}

TEST(LogGap, FollowsTheLogsTimesSpreadsOneSecondsEpochsAndIsBounded) {
    CTrack fiveHertz;
    Fill(fiveHertz, {"073000.00", "073000.20", "073000.40", "073000.60", "073000.80", "073001.00",
                     "073005.00", "073305.00"});
    ASSERT_EQ(fiveHertz.PointCount(), 8);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(LogGap(fiveHertz, i, i + 1, 60s), 200ms) << i;
    }
    EXPECT_EQ(LogGap(fiveHertz, 6, 5, 60s), 4s); // either order
    EXPECT_EQ(LogGap(fiveHertz, 6, 7, 60s), 60s);
    EXPECT_EQ(LogGap(fiveHertz, 6, 7, 10s), 10s);

    // Without a date the log passes midnight; with one, a time that goes back is no gap.
    CTrack undated;
    // Undated, each sentence starts an epoch of its own; the RMC epochs are stored one late.
    Fill(undated, {"235959.00", "000001.00", "000002.00"}, "");
    ASSERT_GE(undated.PointCount(), 2);
    EXPECT_EQ(LogGap(undated, 0, 1, 60s), 2s);
    CTrack backwards;
    Fill(backwards, {"073010.00", "073005.00"});
    EXPECT_EQ(LogGap(backwards, 0, 1, 60s), 0ms);
}

TEST(PlaybackPacer, SendsEachEpochWhenTheLogSaysDividedByTheZoom) {
    CTrack track;
    Fill(track, {"073000.00", "073000.20", "073000.40", "073000.60", "073000.80", "073001.00",
                 "073005.00", "073305.00", "073306.00"});
    track.SetPlaybackMode(PlaybackMode::Play);
    PlaybackPacer pacer;
    // Five bursts a second, 4 s of silence, a long gap cut to 60 s, then once a second at the
    // end.
    EXPECT_EQ(Play(pacer, track, 67s), (std::vector<Burst>{{0, 0},
                                                           {200, 1},
                                                           {400, 2},
                                                           {600, 3},
                                                           {800, 4},
                                                           {1000, 5},
                                                           {5000, 6},
                                                           {65000, 7},
                                                           {66000, 8},
                                                           {67000, 8}}));

    CTrack faster;
    Fill(faster, {"073000.00", "073001.00", "073011.00", "073111.00"});
    faster.SetPlaybackMode(PlaybackMode::Play);
    faster.SetSpeedZoom(10);
    PlaybackPacer tenfold;
    tenfold.SetMaxGap(30s);
    EXPECT_EQ(Play(tenfold, faster, 4100ms),
              (std::vector<Burst>{{0, 0}, {100, 1}, {1100, 2}, {4100, 3}}));
}

TEST(PlaybackPacer, PauseReverseAndGoToActOnTheCursorAsInBurstPlayback) {
    CTrack track;
    Fill(track, {"073000.00", "073001.00", "073003.00", "073004.00", "073005.00"});
    track.SetPlaybackMode(PlaybackMode::Play);
    PlaybackPacer pacer;
    const auto bursts = Play(pacer, track, 10s, [&](milliseconds at) {
        if (at == 4s) {
            track.SetPlaybackMode(PlaybackMode::Pause);
        } else if (at == 6s) {
            track.SetPlaybackMode(PlaybackMode::Play);
            track.SetPlaybackDirection(PlaybackDirection::Reverse);
        } else if (at == 9s) {
            GoToEnd(track);
        }
    });
    // Paused, the point is sent again once a second; reverse walks back over the same gaps and
    // stays at the first point; a go-to is sent at the next wake, and the log's pace goes on
    // from there.
    EXPECT_EQ(bursts, (std::vector<Burst>{{0, 0},
                                          {1000, 1},
                                          {3000, 2},
                                          {4000, 2},
                                          {5000, 2},
                                          {7000, 1},
                                          {8000, 0},
                                          {9000, 4},
                                          {10000, 3}}));
}

TEST(PlaybackPacer, AnEmptyTrackSendsNothingAndALoadedOneStartsAtItsCursor) {
    CTrack track;
    track.SetPlaybackMode(PlaybackMode::Play);
    PlaybackPacer pacer;
    EXPECT_TRUE(Play(pacer, track, 3s).empty());
    Fill(track, {"073000.00", "073002.00"});
    track.SetPlaybackMode(PlaybackMode::Play);
    EXPECT_EQ(Play(pacer, track, 2s), (std::vector<Burst>{{0, 0}, {2000, 1}}));
}

} // namespace
