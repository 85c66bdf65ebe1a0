#include "app/dialogs/WaypointEditing.h"

#include "app/dialogs/CNewNavigationItemDlg.h"
#include "comm/ApplicationCore.h"
#include "navigation/ListCommands.h"
#include "navigation/NavigationDataBase.h"

bool RunItemDialog(CNewNavigationItemDlg& dialog) {
    return dialog.exec() == QDialog::Accepted;
}

int NewWaypointInDialog(const NavigationDialogContext& context, INavigationSettings& settings,
                        QWidget* parent, const ItemDialogRunner& run) {
    CLatLong position = CurrentPosition(context.core);
    if (!position.IsValid()) {
        position = CLatLong::FromDecimalDegrees(0.0, 0.0);
    }
    CNewNavigationItemDlg dialog(
        CNewNavigationItemDlg::Kind::NewWaypoint,
        QString::fromStdString(NewItemName(settings, NavItemKind::Waypoint)), position,
        StoredCoordinateStyle(context.core.Registry()), parent);
    dialog.CheckNameWith(context.core.Prompts());
    if (!run(dialog)) {
        return -1;
    }
    const int index =
        CreateWaypoint(context.core.Document().Store(), settings, context.core.Prompts(),
                       dialog.Name().toStdString(), dialog.Position());
    if (index >= 0) {
        StoreCoordinateStyle(context.core.Registry(), dialog.Style());
    }
    return index;
}

int EditWaypointInDialog(const NavigationDialogContext& context, QWidget* parent, int index,
                         const ItemDialogRunner& run) {
    CNavigationDataBase& store = context.core.Document().Store();
    const CWaypoint waypoint = store.Waypoint(index);
    if (waypoint.Name().empty()) {
        return -1;
    }
    CNewNavigationItemDlg dialog(CNewNavigationItemDlg::Kind::EditWaypoint,
                                 QString::fromStdString(waypoint.Name()), waypoint.Position(),
                                 StoredCoordinateStyle(context.core.Registry()), parent);
    dialog.CheckNameWith(context.core.Prompts());
    if (!run(dialog)) {
        return -1;
    }
    const std::string name = dialog.Name().toStdString();
    if (!EditWaypointAsked(store, context.core.Prompts(), index, name, dialog.Position())) {
        return -1;
    }
    return store.FindWaypoint(name);
}
