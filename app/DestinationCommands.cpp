#include "app/DestinationCommands.h"

#include "app/CMainFrame.h"
#include "app/CommandIds.h"
#include "app/dialogs/CMarkPositionDlg.h"
#include "app/dialogs/CNearestWaypointListDlg.h"
#include "app/dialogs/CRouteListDlg.h"
#include "app/dialogs/CRouteWaypointsDlg.h"
#include "app/dialogs/CWaypointListDlg.h"
#include "app/view/CObrin2View.h"
#include "comm/ApplicationCore.h"
#include "navigation/NavigationDataBase.h"

using namespace command_ids;

namespace {

NavigationDialogContext ContextOf(ApplicationCore& core, CMainFrame& frame) {
    return {core, [&frame] { frame.View().SelectView(kViewRouteGuidance); }};
}

// Mark Position's source: the recording connection with the live track, or
// else the playback with the played track; nothing is stored without either.
void MarkPosition(ApplicationCore& core, CMainFrame& frame) {
    CommEndpoint* source = core.RunningSource();
    std::optional<std::string> trackFile;
    int engine = kEngineTrack2;
    if (source != nullptr) {
        trackFile = source->RecordFileName().string();
    } else if (core.IsDestinationRunning()) {
        trackFile = core.PlaybackReader().Path();
        engine = kEngineTrack1;
    }
    const auto latest = [&core, engine] {
        std::lock_guard lock(core.TrackLock(engine));
        const CTrack& track = core.Document().Track(engine);
        const CFixRecord fix = engine == kEngineTrack1 ? track.CurrentPoint() : track.CurrentFix();
        return fix.HasPosition() ? fix.Position() : CLatLong{};
    };
    CMarkPositionDlg dialog(ContextOf(core, frame), latest, trackFile, &frame);
    dialog.exec();
}

} // namespace

void RunDestinationCommand(ApplicationCore& core, CMainFrame& frame, int id) {
    const NavigationDialogContext context = ContextOf(core, frame);
    if (id == kWaypointList) {
        CWaypointListDlg dialog(context, CWaypointListDlg::Mode::Browse, {}, &frame);
        dialog.exec();
    } else if (id == kMarkPosition) {
        MarkPosition(core, frame);
    } else if (id == kRouteList) {
        CRouteListDlg dialog(context, &frame);
        dialog.exec();
    } else if (id == kCurrentRoute) {
        const CNavigationDataBase& store = core.Document().Store();
        if (store.Mode() == NavigationMode::GoAlong) {
            CRouteWaypointsDlg dialog(context, store.TargetIndex(), &frame);
            dialog.exec();
        }
    } else if (id >= kNearestWaypointsFirst && id <= kNearestWaypointsLast) {
        const auto count = NearestCountOfChoice(core.Prompts(), id - kNearestWaypointsFirst);
        if (count) {
            CNearestWaypointListDlg dialog(context, *count, -1, &frame);
            dialog.exec();
        }
    }
}

void UpdateDestinationCommand(ApplicationCore& core, int id, CommandUi& ui) {
    // Current Route shows the followed route: grey while no route is followed.
    if (id == kCurrentRoute) {
        ui.enabled = core.Document().Store().Mode() == NavigationMode::GoAlong;
    }
}
