#pragma once

#include "app/dialogs/WaypointEditing.h"
#include "navigation/NearestWaypoints.h"

#include <QDialog>
#include <QTimer>

#include <optional>
#include <vector>

class CNavigationListView;
class CTextRowsModel;
class IPrompts;

// The count of the nearest-waypoint command at `choice` (0 to 6: 10, 20, 30, 40, 50, 100,
// All); "All" asks first and gives nothing when the user declines.
std::optional<std::size_t> NearestCountOfChoice(IPrompts& prompts, int choice);

// "Nearest Waypoints": the waypoints of the store, or of one route, nearest to the current
// position first.
class CNearestWaypointListDlg final : public QDialog {
public:
    CNearestWaypointListDlg(const NavigationDialogContext& context, std::size_t count,
                            int routeIndex = -1, QWidget* parent = nullptr);
    ~CNearestWaypointListDlg() override;

    void SetItemDialogRunner(ItemDialogRunner run) { m_runItemDialog = std::move(run); }

    // The context commands on a row.
    void GoTo(int row);
    void EditWaypoint(int row);
    void DeleteWaypoint(int row);
    void Refresh();
    void Play();

    CNavigationListView* List() const { return m_list; }
    CTextRowsModel* Model() const { return m_model; }

    void done(int result) override;

private:
    void ShowContextMenu(const QPoint& position);
    void Blink();
    // The store's index of the waypoint of a row; -1 when it is gone.
    int WaypointOfRow(int row) const;

    NavigationDialogContext m_context;
    std::size_t m_count;
    int m_routeIndex;
    std::vector<NearestRow> m_rows;
    CTextRowsModel* m_model;
    CNavigationListView* m_list;
    QTimer m_blinkTimer;
    bool m_blinkOn = false;
    ItemDialogRunner m_runItemDialog;
};
