#include "app/dialogs/CRouteListDlg.h"

#include "app/dialogs/CNavigationListView.h"
#include "app/dialogs/CNearestWaypointListDlg.h"
#include "app/dialogs/CNewNavigationItemDlg.h"
#include "app/dialogs/CRenameDlg.h"
#include "app/dialogs/CRouteWaypointsDlg.h"
#include "app/dialogs/CTextRowsModel.h"
#include "app/dialogs/RouteUploadWait.h"
#include "comm/ApplicationCore.h"
#include "navigation/ListCommands.h"
#include "navigation/NavigationDataBase.h"
#include "navigation/TextFormat.h"
#include "platform/ListLayouts.h"
#include "platform/Prompts.h"
#include "platform/SystemError.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QMenu>
#include <QVBoxLayout>

#include <algorithm>
#include <cerrno>
#include <fstream>

namespace {

// The dialog itself adds ".txt" to a name typed without it, before it asks about a file of
// that name that exists already.
QString ChooseRoutePath(QWidget* parent) {
    QFileDialog dialog(parent, QStringLiteral("Save Route"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilter(QStringLiteral("NMEA-0183 Files (*.txt)"));
    dialog.setDefaultSuffix(QStringLiteral("txt"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return {};
    }
    return dialog.selectedFiles().constFirst();
}

// The output connection an upload goes to: the Bluetooth destination first.
CommEndpoint* UploadConnection(ApplicationCore& core) {
    if (core.BluetoothDestination().IsRunning()) {
        return &core.BluetoothDestination();
    }
    return core.SerialDestination().IsRunning() ? &core.SerialDestination() : nullptr;
}

} // namespace

CRouteListDlg::CRouteListDlg(const NavigationDialogContext& context, QWidget* parent)
    : CNavigationListDlg(context.core.Registry(), kRouteListLayout,
                         new CTextRowsModel({QStringLiteral("Route name"),
                                             QStringLiteral("Place to store routes")}),
                         QString::fromLatin1(kNoRoutes), parent),
      m_context(context), m_settings(context.core.Registry()),
      m_model(static_cast<CTextRowsModel*>(List()->model())) {
    m_model->setParent(this);
    m_runners.newRoute = [](CNewNavigationItemDlg& dialog) {
        return dialog.exec() == QDialog::Accepted;
    };
    m_runners.rename = [](CRenameDlg& dialog) { return dialog.exec() == QDialog::Accepted; };
    m_runners.chooseSavePath = ChooseRoutePath;
    m_runners.showDialog = [](QDialog& dialog) { dialog.exec(); };
    setWindowTitle(QStringLiteral("Route List"));
    AddCloseButton();
    SetContextMenu([this](QMenu& menu, int row) { FillContextMenu(menu, row); });
    List()->SetRowKeys([this](int row) { GoAlong(row); }, [this](int row) { DeleteRoute(row); });
    StartBlinking([this] { return BlinkingRow(); },
                  [this](int row) { m_model->SetHighlightedRow(row); });
    Refresh();
    List()->SelectRow(m_context.core.Document().Store().LastUsedIndex(NavItemKind::Route));
    ResizeToColumns(320);
}

CRouteListDlg::~CRouteListDlg() = default;

void CRouteListDlg::FillContextMenu(QMenu& menu, int row) {
    AddRowCommand(menu, QStringLiteral("Go &Along"), row, [this](int at) { GoAlong(at); });
    AddRowCommand(menu, QStringLiteral("&Show Waypoints..."), row,
                  [this](int at) { ShowWaypoints(at); });
    QMenu* nearest = menu.addMenu(QStringLiteral("&Nearest Waypoints"));
    nearest->setEnabled(row >= 0);
    const QString counts[] = {"&10 Waypoints...", "&20 Waypoints...", "&30 Waypoints...",
                              "&40 Waypoints...", "&50 Waypoints...", "1&00 Waypoints...",
                              "&All..."};
    for (int choice = 0; choice < static_cast<int>(std::size(counts)); ++choice) {
        nearest->addAction(counts[choice], this,
                           [this, row, choice] { NearestWaypoints(row, choice); });
    }
    menu.addAction(QStringLiteral("&New..."), this, &CRouteListDlg::NewRoute);
    AddRowCommand(menu, QStringLiteral("&Rename..."), row, [this](int at) { RenameRoute(at); });
    AddRowCommand(menu, QStringLiteral("&Delete"), row, [this](int at) { DeleteRoute(at); });
    menu.addAction(QStringLiteral("Re&fresh"), this, &CRouteListDlg::Refresh);
    AddRowCommand(menu, QStringLiteral("Sa&ve(NMEA)..."), row, [this](int at) { SaveRoute(at); });
    AddRowCommand(menu, QStringLiteral("&Upload(NMEA)..."), row,
                  [this](int at) { UploadRoute(at); });
}

int CRouteListDlg::RouteOfRow(int row) const {
    const std::vector<QStringList>& rows = m_model->Rows();
    if (row < 0 || row >= static_cast<int>(rows.size())) {
        return -1;
    }
    return m_context.core.Document().Store().FindRoute(
        rows[static_cast<std::size_t>(row)].constFirst().toStdString());
}

void CRouteListDlg::GoAlong(int row) {
    const int index = RouteOfRow(row);
    if (index >= 0) {
        ApplyGuidanceResult(m_context, m_context.core.Document().Store().GoAlongRoute(index));
    }
}

void CRouteListDlg::ShowWaypoints(int row) {
    const int index = RouteOfRow(row);
    if (index < 0) {
        Refresh();
        return;
    }
    CRouteWaypointsDlg dialog(m_context, index, this);
    m_runners.showDialog(dialog);
    Refresh();
}

void CRouteListDlg::NearestWaypoints(int row, int choice) {
    const int index = RouteOfRow(row);
    if (index < 0) {
        Refresh();
        return;
    }
    const auto count = NearestCountOfChoice(m_context.core.Prompts(), choice);
    if (!count) {
        return;
    }
    CNearestWaypointListDlg dialog(m_context, *count, index, this);
    m_runners.showDialog(dialog);
}

void CRouteListDlg::NewRoute() {
    CNewNavigationItemDlg dialog(
        CNewNavigationItemDlg::Kind::NewRoute,
        QString::fromStdString(NewItemName(m_settings, NavItemKind::Route)), {},
        CoordinateStyle::Traditional, this);
    int index = -1;
    dialog.OnConfirm(m_context.core.Prompts(), [&] {
        index = CreateRoute(m_context.core.Document().Store(), m_settings, m_context.core.Prompts(),
                            dialog.Name().toStdString());
        return index >= 0;
    });
    if (!m_runners.newRoute(dialog)) {
        return;
    }
    Refresh();
    List()->SelectRow(index);
}

void CRouteListDlg::RenameRoute(int row) {
    CNavigationDataBase& store = m_context.core.Document().Store();
    const int index = RouteOfRow(row);
    if (index < 0) {
        Refresh();
        return;
    }
    const std::string shown = store.Route(index).Name();
    CRenameDlg dialog(QString::fromStdString(shown), this);
    dialog.OnConfirm(m_context.core.Prompts(), [&] {
        // Found again by its name: received routes may have moved it while the dialog was open.
        return RenameRouteAsked(store, m_context.core.Prompts(), store.FindRoute(shown),
                                dialog.Name().toStdString());
    });
    if (!m_runners.rename(dialog)) {
        return;
    }
    Refresh();
    List()->SelectRow(store.FindRoute(dialog.Name().toStdString()));
}

void CRouteListDlg::DeleteRoute(int row) {
    const int index = RouteOfRow(row);
    if (index < 0) {
        Refresh();
        return;
    }
    const auto select =
        DeleteRouteAsked(m_context.core.Document().Store(), m_context.core.Prompts(), index);
    if (select) {
        Refresh();
        List()->SelectRow(*select);
    }
}

void CRouteListDlg::Refresh() {
    std::vector<QStringList> rows;
    m_context.core.Document().Store().ForEachRoute([&rows](const CRoute& route) {
        rows.push_back(
            {QString::fromStdString(route.Name()), QString::fromStdString(route.PlaceToStore())});
    });
    m_model->SetRows(std::move(rows));
}

void CRouteListDlg::SaveRoute(int row) {
    const int index = RouteOfRow(row);
    const auto text =
        index >= 0 ? m_context.core.Document().Store().RouteExportText(index) : std::nullopt;
    if (!text) {
        return;
    }
    const QString path = m_runners.chooseSavePath(this);
    if (path.isEmpty()) {
        return;
    }
    const std::string file = path.toStdString();
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(text->data(), static_cast<std::streamsize>(text->size()));
    out.close();
    // A file that could not be written is reported, never announced as saved.
    if (!out) {
        ReportSystemError(m_context.core.Prompts(), "WriteFile", errno != 0 ? errno : EIO, file);
        return;
    }
    m_context.core.View().StartAlert(AlertKind::Short);
    m_context.core.Prompts().ShowInformation(
        FillMessage("The file '%1' was successfully saved. Please! Use the File Explorer to copy "
                    "or move the file.",
                    file));
}

void CRouteListDlg::UploadRoute(int row) {
    CommEndpoint* connection = UploadConnection(m_context.core);
    if (connection == nullptr) {
        Refresh();
        return;
    }
    // A report left over from an upload whose wait the user closed belongs to no one now.
    const int index = RouteOfRow(row);
    if (index < 0) {
        Refresh();
        return;
    }
    std::int32_t stale = 0;
    connection->WaitUploadDone(stale, std::chrono::milliseconds(0));
    connection->PostUploadRequest(index);
    switch (WaitForRouteUpload(*connection, this, m_runners.uploadLimit, m_runners.uploadShown)) {
    case UploadOutcome::Completed:
        Refresh();
        m_context.core.Document().Store().SetLastUsed(NavItemKind::Route, index, true);
        break;
    case UploadOutcome::TimedOut:
        m_context.core.Prompts().ShowError("Upload of a Route failed(time-out)");
        break;
    case UploadOutcome::Failed:
    case UploadOutcome::Closed:
        break;
    }
}

int CRouteListDlg::BlinkingRow() const {
    const CNavigationDataBase& store = m_context.core.Document().Store();
    if (store.Mode() != NavigationMode::GoAlong) {
        return -1;
    }
    const QString target = QString::fromStdString(store.Route(store.TargetIndex()).Name());
    const std::vector<QStringList>& rows = m_model->Rows();
    const auto found = std::find_if(rows.begin(), rows.end(),
                                    [&](const QStringList& row) { return row[0] == target; });
    return found == rows.end() ? -1 : static_cast<int>(found - rows.begin());
}
