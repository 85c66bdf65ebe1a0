#pragma once

#include "app/dialogs/WaypointEditing.h"
#include "navigation/NearestWaypoints.h"

#include "app/dialogs/CNavigationListDlg.h"

#include <optional>
#include <vector>

class CTextRowsModel;
class QMenu;
class IPrompts;

// The count of the nearest-waypoint command at `choice` (0 to 6: 10, 20, 30, 40, 50, 100,
// All); "All" asks first and gives nothing when the user declines.
std::optional<std::size_t> NearestCountOfChoice(IPrompts& prompts, int choice);

// "Nearest Waypoints": the waypoints of the store, or of one route, nearest to the current
// position first.
class CNearestWaypointListDlg final : public CNavigationListDlg {
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

    CTextRowsModel* Model() const { return m_model; }

private:
    void FillContextMenu(QMenu& menu, int row);
    int BlinkingRow() const;
    // The store's index of the waypoint of a row; -1 when it is gone.
    int WaypointOfRow(int row) const;

    NavigationDialogContext m_context;
    std::size_t m_count;
    int m_routeIndex;
    std::vector<NearestRow> m_rows;
    CTextRowsModel* m_model;
    ItemDialogRunner m_runItemDialog;
};
