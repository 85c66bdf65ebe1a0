#pragma once

#include "app/dialogs/NavigationDialogContext.h"
#include "navigation/RegistryNavigationSettings.h"

#include "app/dialogs/CNavigationListDlg.h"

#include <chrono>
#include <functional>

class CNewNavigationItemDlg;
class CRenameDlg;
class CTextRowsModel;
class QMenu;

// "Route List": every route of the store with its commands.
class CRouteListDlg final : public CNavigationListDlg {
public:
    explicit CRouteListDlg(const NavigationDialogContext& context, QWidget* parent = nullptr);
    ~CRouteListDlg() override;

    // How the sub-dialogs are run (tests answer without a screen). Each returns true when
    // confirmed; the save chooser returns the chosen path or an empty text.
    struct Runners {
        std::function<bool(CNewNavigationItemDlg&)> newRoute;
        std::function<bool(CRenameDlg&)> rename;
        std::function<QString(QWidget*)> chooseSavePath;
        std::function<void(QDialog&)> showDialog; // route waypoints, nearest waypoints
        std::function<void(QWidget&)> uploadShown;
        std::chrono::milliseconds uploadLimit = std::chrono::minutes(10);
    };
    Runners& DialogRunners() { return m_runners; }

    // The context commands on a row.
    void GoAlong(int row);
    void ShowWaypoints(int row);
    void NearestWaypoints(int row, int countCommand);
    void NewRoute();
    void RenameRoute(int row);
    void DeleteRoute(int row);
    void Refresh();
    void SaveRoute(int row);
    void UploadRoute(int row);

    CTextRowsModel* Model() const { return m_model; }

private:
    void FillContextMenu(QMenu& menu, int row);
    // The store's index of the route the row shows, found by its name: received sentences
    // may have moved it since the rows were made. -1 when it is gone.
    int RouteOfRow(int row) const;
    int BlinkingRow() const;

    NavigationDialogContext m_context;
    RegistryNavigationSettings m_settings;
    CTextRowsModel* m_model;
    Runners m_runners;
};
