#pragma once

#include "app/dialogs/NavigationDialogContext.h"
#include "navigation/RegistryNavigationSettings.h"

#include <QDialog>
#include <QTimer>

#include <chrono>
#include <functional>

class CNavigationListView;
class CNewNavigationItemDlg;
class CRenameDlg;
class CTextRowsModel;

// "Route List": every route of the store with its commands.
class CRouteListDlg final : public QDialog {
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

    CNavigationListView* List() const { return m_list; }
    CTextRowsModel* Model() const { return m_model; }

    void done(int result) override;

private:
    void ShowContextMenu(const QPoint& position);
    void Blink();

    NavigationDialogContext m_context;
    RegistryNavigationSettings m_settings;
    CTextRowsModel* m_model;
    CNavigationListView* m_list;
    QTimer m_blinkTimer;
    bool m_blinkOn = false;
    Runners m_runners;
};
