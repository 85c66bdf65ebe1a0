#pragma once

#include "app/dialogs/WaypointEditing.h"
#include "navigation/RegistryNavigationSettings.h"

#include "app/dialogs/CNavigationListDlg.h"

#include <functional>
#include <vector>

class CWaypointListModel;

// "Waypoint List": every waypoint of the store with its commands; in selection mode ("Add to
// the '%1' route") it returns the waypoints the user chose, in the order chosen.
class CWaypointListDlg final : public CNavigationListDlg {
public:
    enum class Mode { Browse, Select };

    CWaypointListDlg(const NavigationDialogContext& context, Mode mode = Mode::Browse,
                     const QString& routeName = {}, QWidget* parent = nullptr);
    ~CWaypointListDlg() override;

    // How the New and Edit dialogs are run; true when confirmed (tests answer without a screen).
    void SetItemDialogRunner(ItemDialogRunner run) { m_runItemDialog = std::move(run); }

    // The context commands on a row.
    void GoTo(int row);
    void NewWaypoint();
    void EditWaypoint(int row);
    void DeleteWaypoint(int row);
    void Refresh();
    void Play();

    // Selection mode: the chosen waypoints' indices, in the order chosen.
    const std::vector<int>& ChosenWaypoints() const { return m_chosen; }

    CWaypointListModel* Model() const { return m_model; }

private:
    void FillContextMenu(QMenu& menu, int row);
    int BlinkingRow() const;
    void TrackChoice();

    NavigationDialogContext m_context;
    RegistryNavigationSettings m_settings;
    CWaypointListModel* m_model;
    std::vector<int> m_chosen;
    ItemDialogRunner m_runItemDialog;
};
