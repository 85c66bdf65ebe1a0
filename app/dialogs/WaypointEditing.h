#pragma once

#include "app/dialogs/NavigationDialogContext.h"

#include <functional>

class CNewNavigationItemDlg;
class INavigationSettings;
class QWidget;

// How a New or Edit dialog is run: true when confirmed. The dialog stores what it shows as
// it closes on OK.
using ItemDialogRunner = std::function<bool(CNewNavigationItemDlg&)>;
// Runs the dialog modally.
bool RunItemDialog(CNewNavigationItemDlg& dialog);

// "&New..." of the waypoint lists: "New Waypoint" at the current position with the default
// name; the stored waypoint's index, -1 when nothing was stored. The style chosen is kept.
int NewWaypointInDialog(const NavigationDialogContext& context, INavigationSettings& settings,
                        QWidget* parent, const ItemDialogRunner& run);

// "&Edit..." of the waypoint lists: the waypoint's index after the change, -1 when unchanged.
int EditWaypointInDialog(const NavigationDialogContext& context, QWidget* parent, int index,
                         const ItemDialogRunner& run);
