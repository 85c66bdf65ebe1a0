#pragma once

#include "comm/ViewHost.h"

// Every command of the main frame's menu by its id (the menu item's id). The ids of the
// driving views and of the two list commands that the core issues itself are in
// comm/ViewHost.h.
namespace command_ids {
inline constexpr int kAbout = 32773;
inline constexpr int kOpen = 32774;
inline constexpr int kOrientation0 = 32775;
inline constexpr int kOrientation90 = 32776;
inline constexpr int kOrientation180 = 32777;
inline constexpr int kOrientation270 = 32778;
inline constexpr int kRecordFrom = 32785;
inline constexpr int kPlaybackTo = 32786;
inline constexpr int kRecordBluetooth = 32787;
inline constexpr int kPlaybackBluetooth = 32788;
inline constexpr int kRecordSerial = 32789;
inline constexpr int kPlaybackSerial = 32790;
inline constexpr int kRecordBuiltInGps = 32846;
inline constexpr int kRecordNetwork = 32893;
inline constexpr int kPlaybackNetwork = 32894;
inline constexpr int kGoToBegin = 32791;
inline constexpr int kGoToEnd = 32792;
inline constexpr int kGoToMaxSpeed = 32829;
inline constexpr int kGoToMaxAltitude = 32830;
inline constexpr int kGoToMinAltitude = 32831;
inline constexpr int kGoToNext = 32841;
inline constexpr int kGoToPrevious = 32842;
inline constexpr int kPlay = 32793;
inline constexpr int kPause = 32794;
inline constexpr int kForward = 32795;
inline constexpr int kReverse = 32796;
inline constexpr int kSpeedZoomFirst = 32797;       // x1; the thirteen zooms follow in order
inline constexpr int kSpeedZoomLast = 32809;        // x100
inline constexpr int kTripDataFieldFirst = 32813;   // TRIP; eight fields
inline constexpr int kTripDataFieldLast = 32820;    // TTIME
inline constexpr int kNavigationFieldFirst = 32822; // ETE; seven fields
inline constexpr int kNavigationFieldLast = 32828;  // TRN
inline constexpr int kOptions = 32821;
inline constexpr int kNearestWaypointsFirst = 32879; // 10, 20, 30, 40, 50, 100, All
inline constexpr int kNearestWaypointsLast = 32885;
inline constexpr int kMarkPosition = 32833;
inline constexpr int kManOverboard = 32892;
inline constexpr int kCurrentRoute = 32837;
inline constexpr int kRecalculateRoute = 32838;
// Beyond the handheld's menu: playback at the log's own pace.
inline constexpr int kPacedByLogTime = 32910;
inline constexpr int kSaveChangesNow = 32835;
inline constexpr int kSave = 32891;
inline constexpr int kHelpContents = 32843;
inline constexpr int kWarnings = 32845;
inline constexpr int kNightColours = 32901; // the views' night palette (not on the handheld)
// Beyond the handheld's menu: the desktop's full screen, since a window can be smaller than
// its screen here.
inline constexpr int kFullScreen = 32900;
} // namespace command_ids

// The speed zooms of the thirteen Speed Zoom items, in menu order.
inline constexpr int kSpeedZooms[] = {1, 3, 5, 10, 20, 30, 40, 50, 60, 70, 80, 90, 100};
