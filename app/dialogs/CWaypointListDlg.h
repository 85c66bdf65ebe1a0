#pragma once

#include "app/dialogs/WaypointEditing.h"
#include "navigation/RegistryNavigationSettings.h"

#include "app/dialogs/CNavigationListDlg.h"

#include <functional>
#include <vector>

class CWaypointListModel;
class QItemSelection;

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

    // Selection mode: the chosen waypoints' indices in the store as it is now, in the order
    // chosen.
    std::vector<int> ChosenWaypoints() const;

    CWaypointListModel* Model() const { return m_model; }

private:
    void FillContextMenu(QMenu& menu, int row);
    // The store's index of the waypoint the row shows, found by its name (received sentences
    // reorder the store); -1 when it is gone.
    int WaypointOfRow(int row) const;
    int BlinkingRow() const;
    void TrackChoice(const QItemSelection& selected, const QItemSelection& deselected);

    NavigationDialogContext m_context;
    RegistryNavigationSettings m_settings;
    CWaypointListModel* m_model;
    std::vector<int> m_chosen;    // rows, in the order chosen
    std::vector<bool> m_isChosen; // by row
    ItemDialogRunner m_runItemDialog;
};
