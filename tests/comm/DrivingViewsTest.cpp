#include "comm/DrivingViews.h"
#include "comm/ViewHost.h"

#include <gtest/gtest.h>

namespace {

using namespace command_ids;

TEST(DrivingViews, CommandsAndPairsMapBothWays) {
    for (const int command : {kViewRouteGuidance, kViewRecordedTrack, kViewRecordedAltitude,
                              kViewRecordingTrack, kViewRecordingAltitude}) {
        EXPECT_EQ(DrivingViewCommand(DrivingViewOfCommand(command)), command);
    }
    EXPECT_EQ(DrivingViewOfCommand(kViewRecordedAltitude), (DrivingViewChoice{1, 2}));
    // Any other pair is route guidance.
    EXPECT_EQ(DrivingViewCommand({1, 3}), kViewRouteGuidance);
    EXPECT_EQ(DrivingViewCommand({0, 1}), kViewRouteGuidance);
}

TEST(DrivingViews, DirectionKeysSkipViewsWithNothingToShow) {
    // Nothing anywhere: the selection stays.
    EXPECT_EQ(CycleDrivingView(kViewRouteGuidance, 1, {}), kViewRouteGuidance);
    EXPECT_EQ(CycleDrivingView(kViewRecordingTrack, -1, {}), kViewRecordingTrack);

    const DrivingViewContent recorded{false, true, false};
    EXPECT_EQ(CycleDrivingView(kViewRouteGuidance, 1, recorded), kViewRecordedTrack);
    EXPECT_EQ(CycleDrivingView(kViewRecordedAltitude, 1, recorded), kViewRecordedTrack);
    EXPECT_EQ(CycleDrivingView(kViewRecordedTrack, -1, recorded), kViewRecordedAltitude);

    const DrivingViewContent live{true, false, true};
    EXPECT_EQ(CycleDrivingView(kViewRecordingAltitude, 1, live), kViewRouteGuidance);
    EXPECT_EQ(CycleDrivingView(kViewRouteGuidance, -1, live), kViewRecordingAltitude);
    EXPECT_EQ(CycleDrivingView(kViewRouteGuidance, 1, live), kViewRecordingTrack);

    // Only the current view has content: it stays.
    EXPECT_EQ(CycleDrivingView(kViewRouteGuidance, 1, {true, false, false}), kViewRouteGuidance);
}

TEST(DrivingViews, ActionKeyFourCases) {
    ActionKeyState state;
    state.view = {2, 1};
    state.sourceRunning = true;
    EXPECT_EQ(ActionKeyEffectOf(state), ActionKeyEffect::Redraw);
    state.sourceRunning = false;
    EXPECT_EQ(ActionKeyEffectOf(state), ActionKeyEffect::None);

    state.view = {1, 2};
    state.playbackFileReading = true;
    state.destinationRunning = true;
    EXPECT_EQ(ActionKeyEffectOf(state), ActionKeyEffect::Redraw);
    state.playbackFileReading = false;
    EXPECT_EQ(ActionKeyEffectOf(state), ActionKeyEffect::TogglePlayPause);
    state.destinationRunning = false;
    EXPECT_EQ(ActionKeyEffectOf(state), ActionKeyEffect::StepPlayback);

    // Route guidance: the key does nothing, whatever runs.
    state.view = {2, 3};
    state.sourceRunning = state.destinationRunning = true;
    EXPECT_EQ(ActionKeyEffectOf(state), ActionKeyEffect::None);
}

} // namespace
