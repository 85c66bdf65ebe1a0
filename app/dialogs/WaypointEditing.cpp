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
    int index = -1;
    dialog.OnConfirm(context.core.Prompts(), [&] {
        index = CreateWaypoint(context.core.Document().Store(), settings, context.core.Prompts(),
                               dialog.Name().toStdString(), dialog.Position());
        return index >= 0;
    });
    if (!run(dialog)) {
        return -1;
    }
    StoreCoordinateStyle(context.core.Registry(), dialog.Style());
    return index;
}

int EditWaypointInDialog(const NavigationDialogContext& context, QWidget* parent, int index,
                         const ItemDialogRunner& run) {
    CNavigationDataBase& store = context.core.Document().Store();
    const std::string shown = store.Waypoint(index).Name();
    if (shown.empty()) {
        return -1;
    }
    CNewNavigationItemDlg dialog(CNewNavigationItemDlg::Kind::EditWaypoint,
                                 QString::fromStdString(shown), store.Waypoint(index).Position(),
                                 StoredCoordinateStyle(context.core.Registry()), parent);
    dialog.OnConfirm(context.core.Prompts(), [&] {
        // Found again by its name: received sentences may have moved it while the dialog was
        // open.
        return EditWaypointAsked(store, context.core.Prompts(), store.FindWaypoint(shown),
                                 dialog.Name().toStdString(), dialog.Position());
    });
    if (!run(dialog)) {
        return -1;
    }
    return store.FindWaypoint(dialog.Name().toStdString());
}
