#pragma once

#include "app/dialogs/WaypointEditing.h"

#include <QDialog>
#include <QTimer>

#include <functional>

class CNavigationListView;
class CTextRowsModel;
class CWaypointListDlg;
class QLabel;

// "Route Waypoints": the leg table of one route with its commands and "Total Distance:".
class CRouteWaypointsDlg final : public QDialog {
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

    CNavigationListView* List() const { return m_list; }
    CTextRowsModel* Model() const { return m_model; }
    QString TotalDistanceText() const;

    void done(int result) override;

private:
    void ShowContextMenu(const QPoint& position);
    void Blink();

    NavigationDialogContext m_context;
    int m_routeIndex;
    CTextRowsModel* m_model;
    CNavigationListView* m_list;
    QLabel* m_total;
    QTimer m_blinkTimer;
    bool m_blinkOn = false;
    std::function<bool(CWaypointListDlg&)> m_runChooser;
    ItemDialogRunner m_runItemDialog;
};
