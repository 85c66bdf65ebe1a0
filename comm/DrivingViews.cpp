#include "comm/DrivingViews.h"

#include "comm/Obrin2Doc.h"
#include "comm/ViewHost.h"

#include <array>

namespace {

// The ring of the direction keys, in command order.
constexpr std::array kRing{command_ids::kViewRouteGuidance, command_ids::kViewRecordedTrack,
                           command_ids::kViewRecordedAltitude, command_ids::kViewRecordingTrack,
                           command_ids::kViewRecordingAltitude};

constexpr DrivingViewChoice kRouteGuidance{kEngineTrack2, kViewKindRouteGuidance};

bool IsTrackView(DrivingViewChoice view) {
    return (view.engine == kEngineTrack1 || view.engine == kEngineTrack2) &&
           (view.kind == kViewKindTrackPlot || view.kind == kViewKindAltitudeProfile);
}

bool HasContent(int command, const DrivingViewContent& content) {
    const DrivingViewChoice view = DrivingViewOfCommand(command);
    if (view.kind == kViewKindRouteGuidance) {
        return content.guidanceActive;
    }
    return view.engine == kEngineTrack1 ? content.track1HasPoint : content.track2HasPoint;
}

} // namespace

DrivingViewChoice DrivingViewOfCommand(int commandId) {
    switch (commandId) {
    case command_ids::kViewRecordedTrack:
        return {kEngineTrack1, kViewKindTrackPlot};
    case command_ids::kViewRecordedAltitude:
        return {kEngineTrack1, kViewKindAltitudeProfile};
    case command_ids::kViewRecordingTrack:
        return {kEngineTrack2, kViewKindTrackPlot};
    case command_ids::kViewRecordingAltitude:
        return {kEngineTrack2, kViewKindAltitudeProfile};
    default:
        return kRouteGuidance;
    }
}

int DrivingViewCommand(DrivingViewChoice view) {
    if (!IsTrackView(view)) {
        return command_ids::kViewRouteGuidance;
    }
    if (view.engine == kEngineTrack1) {
        return view.kind == kViewKindTrackPlot ? command_ids::kViewRecordedTrack
                                               : command_ids::kViewRecordedAltitude;
    }
    return view.kind == kViewKindTrackPlot ? command_ids::kViewRecordingTrack
                                           : command_ids::kViewRecordingAltitude;
}

int CycleDrivingView(int currentCommand, int step, const DrivingViewContent& content) {
    const int size = static_cast<int>(kRing.size());
    int position = 0;
    while (position < size && kRing[static_cast<std::size_t>(position)] != currentCommand) {
        ++position;
    }
    if (position == size) {
        position = 0;
    }
    const int direction = step < 0 ? -1 : 1;
    for (int distance = 1; distance < size; ++distance) {
        const int candidate = kRing[static_cast<std::size_t>(
            ((position + direction * distance) % size + size) % size)];
        if (HasContent(candidate, content)) {
            return candidate;
        }
    }
    return currentCommand;
}

ActionKeyEffect ActionKeyEffectOf(const ActionKeyState& state) {
    if (!IsTrackView(state.view)) {
        return ActionKeyEffect::None;
    }
    if (state.view.engine == kEngineTrack2) {
        return state.sourceRunning ? ActionKeyEffect::Redraw : ActionKeyEffect::None;
    }
    if (state.playbackFileReading) {
        return ActionKeyEffect::Redraw;
    }
    return state.destinationRunning ? ActionKeyEffect::TogglePlayPause
                                    : ActionKeyEffect::StepPlayback;
}
