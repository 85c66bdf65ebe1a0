#include "comm/PlaybackCursor.h"
#include "tests/comm/TestLogs.h"

#include <gtest/gtest.h>

#include <string_view>
#include <vector>

namespace {

// Fills a track with `count` points (a straight drive, one point per second).
void Fill(CTrack& track, int count) {
    const std::string log = testlogs::SyntheticDrive(count);
    bool outOfMemory = false;
    std::string_view rest = log;
    while (!rest.empty()) {
        const std::size_t end = rest.find('\n') + 1;
        track.DecodeLine(rest.substr(0, end), outOfMemory);
        rest.remove_prefix(end);
    }
}

std::vector<int> Bursts(CTrack& track, int count) {
    std::vector<int> sent;
    for (int i = 0; i < count; ++i) {
        FetchAndAdvance(track);
        sent.push_back(track.CurrentIndex());
    }
    return sent;
}

TEST(FetchAndAdvance, StepsBySpeedZoomInThePlaybackDirectionAndStopsAtTheEnds) {
    CTrack track;
    Fill(track, 250);
    ASSERT_EQ(track.PointCount(), 250);
    ASSERT_EQ(track.CurrentIndex(), 0);
    track.SetPlaybackMode(PlaybackMode::Play);
    track.SetSpeedZoom(100);
    EXPECT_EQ(Bursts(track, 5), (std::vector<int>{100, 200, 249, 249, 249}));
    track.SetPlaybackDirection(PlaybackDirection::Reverse);
    EXPECT_EQ(Bursts(track, 5), (std::vector<int>{149, 49, 0, 0, 0}));
    track.SetPlaybackMode(PlaybackMode::Pause);
    track.SetPlaybackDirection(PlaybackDirection::Forward);
    EXPECT_EQ(Bursts(track, 3), (std::vector<int>{0, 0, 0}));
}

TEST(FetchAndAdvance, ReturnsThePointUnderTheCursorAndAnEmptyPointForAnEmptyTrack) {
    CTrack track;
    Fill(track, 10);
    track.SetPlaybackMode(PlaybackMode::Play);
    track.SetSpeedZoom(3);
    const TrackPoint sent = FetchAndAdvance(track);
    EXPECT_EQ(track.CurrentIndex(), 3);
    EXPECT_EQ(sent.Time(), track.PointAt(3).Time());
    EXPECT_TRUE(sent.Position() == track.PointAt(3).Position());

    CTrack empty;
    empty.SetPlaybackMode(PlaybackMode::Play);
    EXPECT_FALSE(FetchAndAdvance(empty).IsComplete());
    EXPECT_EQ(empty.CurrentIndex(), -1);
}

TEST(FetchAndAdvance, ValuesOutsideTheMenusChoicesNeitherCrashNorLeaveTheTrack) {
    // Mode, direction and zoom come from the settings file, which a person may edit.
    struct Case {
        int mode, direction, zoom;
        int expected;
    };
    const Case cases[] = {
        {2, 7, 5, 15},          // unknown direction plays forward
        {9, 1, 5, 10},          // unknown mode pauses
        {2, 1, 1000000000, 19}, // a huge zoom stops at the end
        {2, 2, 1000000000, 0},  // and at the beginning
        {2, 1, -4, 6},          // a negative zoom walks back, clamped
    };
    for (const Case& c : cases) {
        CTrack track;
        Fill(track, 20);
        track.SetCurrentIndex(10);
        track.SetPlaybackMode(static_cast<PlaybackMode>(c.mode));
        track.SetPlaybackDirection(static_cast<PlaybackDirection>(c.direction));
        track.SetSpeedZoom(c.zoom);
        FetchAndAdvance(track);
        EXPECT_EQ(track.CurrentIndex(), c.expected)
            << c.mode << "/" << c.direction << "/" << c.zoom;
    }
}

TEST(GoToCommands, MoveTheCursorOrLeaveItWhereThereIsNoSuchPoint) {
    struct Case {
        const char* label;
        bool (*command)(CTrack&);
        PlaybackDirection direction;
        int from;
        int expected;
        bool moved;
    };
    const Case cases[] = {
        {"begin", GoToBegin, PlaybackDirection::Forward, 7, 0, true},
        {"end", GoToEnd, PlaybackDirection::Forward, 7, 29, true},
        {"next forward", GoToNextPoint, PlaybackDirection::Forward, 7, 12, true},
        {"next reverse", GoToNextPoint, PlaybackDirection::Reverse, 7, 2, true},
        {"previous forward", GoToPreviousPoint, PlaybackDirection::Forward, 7, 2, true},
        {"previous reverse", GoToPreviousPoint, PlaybackDirection::Reverse, 7, 12, true},
        {"next clamps at the end", GoToNextPoint, PlaybackDirection::Forward, 27, 29, true},
        {"previous clamps at 0", GoToPreviousPoint, PlaybackDirection::Forward, 3, 0, true},
        {"max altitude", GoToMaxAltitudePoint, PlaybackDirection::Forward, 7, 29, true},
        {"min altitude", GoToMinAltitudePoint, PlaybackDirection::Forward, 7, 1, true},
    };
    for (const Case& c : cases) {
        CTrack track;
        Fill(track, 30);
        track.SetSpeedZoom(5);
        track.SetPlaybackDirection(c.direction);
        track.SetCurrentIndex(c.from);
        EXPECT_EQ(c.command(track), c.moved) << c.label;
        EXPECT_EQ(track.CurrentIndex(), c.expected) << c.label;
    }
}

TEST(GoToCommands, AreRefusedOnAnEmptyTrackAndWithoutAMaximum) {
    CTrack empty;
    for (auto command : {GoToBegin, GoToEnd, GoToNextPoint, GoToPreviousPoint, GoToMaxSpeedPoint,
                         GoToMaxAltitudePoint, GoToMinAltitudePoint}) {
        EXPECT_FALSE(command(empty));
        EXPECT_EQ(empty.CurrentIndex(), -1);
    }
    // A one-point track knows no maximum speed (the first point never enters the maxima).
    CTrack single;
    Fill(single, 1);
    ASSERT_EQ(single.PointCount(), 1);
    EXPECT_FALSE(GoToMaxSpeedPoint(single));
    EXPECT_EQ(single.CurrentIndex(), 0);
}

} // namespace
