#pragma once

#include "platform/Settings.h"

// The five driving views by their command ids, and the choices the direction keys and the
// action key make among them.

// The view of a command id; any id other than the four track views is route guidance.
DrivingViewChoice DrivingViewOfCommand(int commandId);
// The command id of a view; any pair other than the four track views is route guidance.
int DrivingViewCommand(DrivingViewChoice view);

// Which views have anything to show.
struct DrivingViewContent {
    bool guidanceActive = false;
    bool track1HasPoint = false;
    bool track2HasPoint = false;
};

// The view the direction keys select from `currentCommand`: the previous (step -1) or next
// (step +1) one in the ring 32780..32784 that has something to show; `currentCommand` when no
// other view has.
int CycleDrivingView(int currentCommand, int step, const DrivingViewContent& content);

// What the action key does in the view shown.
enum class ActionKeyEffect { None, Redraw, TogglePlayPause, StepPlayback };

struct ActionKeyState {
    DrivingViewChoice view;
    bool sourceRunning = false;
    bool playbackFileReading = false;
    bool destinationRunning = false;
};

ActionKeyEffect ActionKeyEffectOf(const ActionKeyState& state);
