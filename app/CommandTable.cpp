#include "app/CommandTable.h"

#include "app/CMainFrame.h"
#include "app/CommandIds.h"

namespace {

using namespace command_ids;
using F = CMainFrame;

constexpr FrameCommand kCommands[] = {
    {kRecordFrom, "Record &from", &F::OnRecordFrom, &F::UpdateRecordFrom},
    {kRecordBluetooth, "&Record / Bluetooth...", &F::OnSelectBluetoothDevice, nullptr},
    {kRecordSerial, "&Record / Serial...", &F::OnSelectSerialPort, nullptr},
    {kRecordBuiltInGps, "&Record / Built-in GPS", &F::OnBuiltInGps, &F::UpdateBuiltInGps},
    {kRecordNetwork, "&Record / Network...", &F::OnSelectNetwork, nullptr},
    {kPlaybackTo, "Playback &to", &F::OnPlaybackTo, &F::UpdatePlaybackTo},
    {kPlaybackBluetooth, "&Playback / Bluetooth...", &F::OnSelectBluetoothDevice, nullptr},
    {kPlaybackSerial, "&Playback / Serial...", &F::OnSelectSerialPort, nullptr},
    {kPlaybackNetwork, "&Playback / Network...", &F::OnSelectNetwork, nullptr},
    {kGoToBegin, "&Playback / Go to / Begin", &F::OnGoTo, &F::UpdateGoTo},
    {kGoToEnd, "&Playback / Go to / End", &F::OnGoTo, &F::UpdateGoTo},
    {kGoToMaxSpeed, "&Playback / Go to / Max Speed Point", &F::OnGoTo, &F::UpdateGoTo},
    {kGoToMaxAltitude, "&Playback / Go to / Max Altitude Point", &F::OnGoTo, &F::UpdateGoTo},
    {kGoToMinAltitude, "&Playback / Go to / Min Altitude Point", &F::OnGoTo, &F::UpdateGoTo},
    {kGoToNext, "&Playback / Go to / Next track point", &F::OnGoTo, &F::UpdateGoTo},
    {kGoToPrevious, "&Playback / Go to / Previous track point", &F::OnGoTo, &F::UpdateGoTo},
    {kPlay, "&Playback / Play", &F::OnPlaybackMode, &F::UpdatePlaybackMode},
    {kPause, "&Playback / Pause", &F::OnPlaybackMode, &F::UpdatePlaybackMode},
    {kForward, "&Playback / Forward", &F::OnDirection, &F::UpdateDirection},
    {kReverse, "&Playback / Reverse", &F::OnDirection, &F::UpdateDirection},
    {kSpeedZoomFirst + 0, "&Playback / Speed Zoom / x1", &F::OnSpeedZoom, &F::UpdateSpeedZoom},
    {kSpeedZoomFirst + 1, "&Playback / Speed Zoom / x3", &F::OnSpeedZoom, &F::UpdateSpeedZoom},
    {kSpeedZoomFirst + 2, "&Playback / Speed Zoom / x5", &F::OnSpeedZoom, &F::UpdateSpeedZoom},
    {kSpeedZoomFirst + 3, "&Playback / Speed Zoom / x10", &F::OnSpeedZoom, &F::UpdateSpeedZoom},
    {kSpeedZoomFirst + 4, "&Playback / Speed Zoom / x20", &F::OnSpeedZoom, &F::UpdateSpeedZoom},
    {kSpeedZoomFirst + 5, "&Playback / Speed Zoom / x30", &F::OnSpeedZoom, &F::UpdateSpeedZoom},
    {kSpeedZoomFirst + 6, "&Playback / Speed Zoom / x40", &F::OnSpeedZoom, &F::UpdateSpeedZoom},
    {kSpeedZoomFirst + 7, "&Playback / Speed Zoom / x50", &F::OnSpeedZoom, &F::UpdateSpeedZoom},
    {kSpeedZoomFirst + 8, "&Playback / Speed Zoom / x60", &F::OnSpeedZoom, &F::UpdateSpeedZoom},
    {kSpeedZoomFirst + 9, "&Playback / Speed Zoom / x70", &F::OnSpeedZoom, &F::UpdateSpeedZoom},
    {kSpeedZoomFirst + 10, "&Playback / Speed Zoom / x80", &F::OnSpeedZoom, &F::UpdateSpeedZoom},
    {kSpeedZoomFirst + 11, "&Playback / Speed Zoom / x90", &F::OnSpeedZoom, &F::UpdateSpeedZoom},
    {kSpeedZoomFirst + 12, "&Playback / Speed Zoom / x100", &F::OnSpeedZoom, &F::UpdateSpeedZoom},
    {kPacedByLogTime, "&Playback / Paced by the Log's Time", &F::OnPacedByLogTime,
     &F::UpdatePacedByLogTime},
    {kViewRouteGuidance, "&View / Route Guidance", &F::OnSelectView, &F::UpdateView},
    {kViewRecordedTrack, "&View / Recorded / Track", &F::OnSelectView, &F::UpdateView},
    {kViewRecordedAltitude, "&View / Recorded / Altitude", &F::OnSelectView, &F::UpdateView},
    {kViewRecordingTrack, "&View / Recording / Track", &F::OnSelectView, &F::UpdateView},
    {kViewRecordingAltitude, "&View / Recording / Altitude", &F::OnSelectView, &F::UpdateView},
    {kTripDataFieldFirst + 0, "&View / User-Selectable Field (trip data) / TRIP",
     &F::OnTripDataField, &F::UpdateTripDataField},
    {kTripDataFieldFirst + 1, "&View / User-Selectable Field (trip data) / SPD",
     &F::OnTripDataField, &F::UpdateTripDataField},
    {kTripDataFieldFirst + 2, "&View / User-Selectable Field (trip data) / MXSPD",
     &F::OnTripDataField, &F::UpdateTripDataField},
    {kTripDataFieldFirst + 3, "&View / User-Selectable Field (trip data) / AVSPD",
     &F::OnTripDataField, &F::UpdateTripDataField},
    {kTripDataFieldFirst + 4, "&View / User-Selectable Field (trip data) / TRK",
     &F::OnTripDataField, &F::UpdateTripDataField},
    {kTripDataFieldFirst + 5, "&View / User-Selectable Field (trip data) / ALT",
     &F::OnTripDataField, &F::UpdateTripDataField},
    {kTripDataFieldFirst + 6, "&View / User-Selectable Field (trip data) / ELPSD",
     &F::OnTripDataField, &F::UpdateTripDataField},
    {kTripDataFieldFirst + 7, "&View / User-Selectable Field (trip data) / TTIME",
     &F::OnTripDataField, &F::UpdateTripDataField},
    {kNavigationFieldFirst + 0, "&View / User-Selectable Field (navigation) / ETE",
     &F::OnNavigationField, &F::UpdateNavigationField},
    {kNavigationFieldFirst + 1, "&View / User-Selectable Field (navigation) / ETA",
     &F::OnNavigationField, &F::UpdateNavigationField},
    {kNavigationFieldFirst + 2, "&View / User-Selectable Field (navigation) / ERD",
     &F::OnNavigationField, &F::UpdateNavigationField},
    {kNavigationFieldFirst + 3, "&View / User-Selectable Field (navigation) / CTS",
     &F::OnNavigationField, &F::UpdateNavigationField},
    {kNavigationFieldFirst + 4, "&View / User-Selectable Field (navigation) / XTK",
     &F::OnNavigationField, &F::UpdateNavigationField},
    {kNavigationFieldFirst + 5, "&View / User-Selectable Field (navigation) / VMG",
     &F::OnNavigationField, &F::UpdateNavigationField},
    {kNavigationFieldFirst + 6, "&View / User-Selectable Field (navigation) / TRN",
     &F::OnNavigationField, &F::UpdateNavigationField},
    {kOrientation0, "&View / Screen Orientation / 0\u00B0", &F::OnOrientation,
     &F::UpdateOrientation},
    {kOrientation90, "&View / Screen Orientation / 90\u00B0", &F::OnOrientation,
     &F::UpdateOrientation},
    {kOrientation180, "&View / Screen Orientation / 180\u00B0", &F::OnOrientation,
     &F::UpdateOrientation},
    {kOrientation270, "&View / Screen Orientation / 270\u00B0", &F::OnOrientation,
     &F::UpdateOrientation},
    {kNightColours, "&View / Night Colours", &F::OnNightColours, &F::UpdateNightColours},
    {kFullScreen, "&View / Full Screen", &F::OnFullScreen, &F::UpdateFullScreen},
    {kWaypointList, "&Destinations / &Waypoints / Waypoint &List...", &F::OnDestinations, nullptr},
    {kNearestWaypointsFirst + 0, "&Destinations / &Waypoints / &Nearest Waypoints / &10",
     &F::OnDestinations, nullptr},
    {kNearestWaypointsFirst + 1, "&Destinations / &Waypoints / &Nearest Waypoints / &20",
     &F::OnDestinations, nullptr},
    {kNearestWaypointsFirst + 2, "&Destinations / &Waypoints / &Nearest Waypoints / &30",
     &F::OnDestinations, nullptr},
    {kNearestWaypointsFirst + 3, "&Destinations / &Waypoints / &Nearest Waypoints / &40",
     &F::OnDestinations, nullptr},
    {kNearestWaypointsFirst + 4, "&Destinations / &Waypoints / &Nearest Waypoints / &50",
     &F::OnDestinations, nullptr},
    {kNearestWaypointsFirst + 5, "&Destinations / &Waypoints / &Nearest Waypoints / 1&00",
     &F::OnDestinations, nullptr},
    {kNearestWaypointsFirst + 6, "&Destinations / &Waypoints / &Nearest Waypoints / &All",
     &F::OnDestinations, nullptr},
    {kMarkPosition, "&Destinations / &Marking a Position...", &F::OnDestinations, nullptr},
    {kManOverboard, "&Destinations / Man &Overboard(MOB)", &F::OnManOverboard,
     &F::UpdateManOverboard},
    {kCurrentRoute, "&Destinations / &Routes / &Current Route...", &F::OnDestinations,
     &F::UpdateDestinations},
    {kRecalculateRoute, "&Destinations / &Routes / &Recalculate the Route", &F::OnRecalculateRoute,
     &F::UpdateRecalculateRoute},
    {kRouteList, "&Destinations / &Routes / Route &List...", &F::OnDestinations, nullptr},
    {kSaveChangesNow, "&Destinations / &Save Changes Now", &F::OnSaveChangesNow, nullptr},
    {kOpen, "&Open...", &F::OnOpen, nullptr},
    {kSave, "&Save...", &F::OnSave, nullptr},
    {kOptions, "Options...", &F::OnOptions, nullptr},
    {kHelpContents, "&Help / Contents", &F::OnHelpContents, nullptr},
    {kWarnings, "&Help / Warnings...", &F::OnWarnings, nullptr},
    {kAbout, "&Help / About...", &F::OnAbout, nullptr},
};

} // namespace

std::span<const FrameCommand> FrameCommands() {
    return kCommands;
}

const FrameCommand* FindFrameCommand(int id) {
    for (const FrameCommand& command : kCommands) {
        if (command.id == id) {
            return &command;
        }
    }
    return nullptr;
}
