#pragma once

#include "app/dialogs/WaypointEditing.h"
#include "navigation/RegistryNavigationSettings.h"

#include <QDialog>
#include <QTimer>

#include <functional>
#include <vector>

class CNavigationListView;
class CWaypointListModel;

// "Waypoint List": every waypoint of the store with its commands; in selection mode ("Add to
// the '%1' route") it returns the waypoints the user chose, in the order chosen.
class CWaypointListDlg final : public QDialog {
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

    CNavigationListView* List() const { return m_list; }
    CWaypointListModel* Model() const { return m_model; }

    void done(int result) override;

private:
    void ShowContextMenu(const QPoint& position);
    void Blink();
    void TrackChoice();

    NavigationDialogContext m_context;
    RegistryNavigationSettings m_settings;
    CWaypointListModel* m_model;
    CNavigationListView* m_list;
    QTimer m_blinkTimer;
    bool m_blinkOn = false;
    std::vector<int> m_chosen;
    ItemDialogRunner m_runItemDialog;
};
