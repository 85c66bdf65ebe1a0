#pragma once

#include "app/dialogs/WaypointEditing.h"

#include "app/dialogs/CNavigationListDlg.h"

#include <functional>

class CTextRowsModel;
class QMenu;
class CWaypointListDlg;
class QLabel;

// "Route Waypoints": the leg table of one route with its commands and "Total Distance:".
class CRouteWaypointsDlg final : public CNavigationListDlg {
public:
    CRouteWaypointsDlg(const NavigationDialogContext& context, int routeIndex,
                       QWidget* parent = nullptr);
    ~CRouteWaypointsDlg() override;

    // How the waypoint chooser of "&Add..." and the Edit dialog are run (tests answer
    // without a screen); true when confirmed.
    void SetChooserRunner(std::function<bool(CWaypointListDlg&)> run) {
        m_runChooser = std::move(run);
    }
    void SetItemDialogRunner(ItemDialogRunner run) { m_runItemDialog = std::move(run); }

    // The context commands on a row.
    void GoTo(int row);
    void MoveUp(int row);
    void MoveDown(int row);
    void AddWaypoints();
    void EditWaypoint(int row);
    void DeleteRow(int row);
    void Invert();
    void Play();
    void Refresh();

    CTextRowsModel* Model() const { return m_model; }
    QString TotalDistanceText() const;

private:
    void FillContextMenu(QMenu& menu, int row);
    int BlinkingRow() const;

    NavigationDialogContext m_context;
    int m_routeIndex;
    CTextRowsModel* m_model;
    QLabel* m_total;
    std::function<bool(CWaypointListDlg&)> m_runChooser;
    ItemDialogRunner m_runItemDialog;
};
