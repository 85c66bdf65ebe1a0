#include "app/DestinationCommands.h"

#include "app/CMainFrame.h"
#include "app/CommandIds.h"
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

} // namespace

void RunDestinationCommand(ApplicationCore& core, CMainFrame& frame, int id) {
    if (id == kWaypointList) {
        CWaypointListDlg dialog(ContextOf(core, frame), CWaypointListDlg::Mode::Browse, {}, &frame);
        dialog.exec();
    }
}

void UpdateDestinationCommand(ApplicationCore& core, int id, CommandUi& ui) {
    // Current Route shows the followed route: grey while no route is followed.
    if (id == kCurrentRoute) {
        ui.enabled = core.Document().Store().Mode() == NavigationMode::GoAlong;
    }
}
