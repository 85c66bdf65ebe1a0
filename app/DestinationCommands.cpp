#include "app/DestinationCommands.h"

#include "app/CMainFrame.h"
#include "app/CommandIds.h"
#include "app/dialogs/CNearestWaypointListDlg.h"
#include "app/dialogs/CWaypointListDlg.h"
#include "app/view/CObrin2View.h"
#include "comm/ApplicationCore.h"

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
