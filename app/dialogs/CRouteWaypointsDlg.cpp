#include "app/dialogs/CRouteWaypointsDlg.h"

#include "app/dialogs/CNavigationListView.h"
#include "app/dialogs/CTextRowsModel.h"
#include "app/dialogs/CWaypointListDlg.h"
#include "comm/ApplicationCore.h"
#include "navigation/LegTable.h"
#include "navigation/ListCommands.h"
#include "navigation/NavigationDataBase.h"
#include "platform/ListLayouts.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QVBoxLayout>

CRouteWaypointsDlg::CRouteWaypointsDlg(const NavigationDialogContext& context, int routeIndex,
                                       QWidget* parent)
    : CNavigationListDlg(
          context.core.Registry(), kRouteWaypointListLayout,
          new CTextRowsModel(
              {QStringLiteral("Number"), QStringLiteral("Waypoint name"),
               QStringLiteral("Desired Track of Leg"), QStringLiteral("Leg Distance"),
               QStringLiteral("Distance from the Begin"), QStringLiteral("Distance to the End")}),
          QString::fromStdString(
              EmptyRouteText(context.core.Document().Store().Route(routeIndex).Name())),
          parent),
      m_context(context), m_routeIndex(routeIndex),
      m_model(static_cast<CTextRowsModel*>(List()->model())), m_total(new QLabel(this)),
      m_runChooser([](CWaypointListDlg& dialog) { return dialog.exec() == QDialog::Accepted; }),
      m_runItemDialog(RunItemDialog) {
    m_model->setParent(this);
    const std::string name = m_context.core.Document().Store().Route(routeIndex).Name();
    setWindowTitle(QString::fromStdString(LegTableTitle(name)));
    auto* totals = new QHBoxLayout;
    totals->addWidget(new QLabel(QStringLiteral("Total Distance:"), this));
    totals->addWidget(m_total, 1);
    Column()->addLayout(totals);
    AddCloseButton();
    SetContextMenu([this](QMenu& menu, int row) { FillContextMenu(menu, row); });
    List()->SetRowKeys([this](int row) { GoTo(row); }, [this](int row) { DeleteRow(row); });
    StartBlinking([this] { return BlinkingRow(); },
                  [this](int row) { m_model->SetHighlightedRow(row); });
    Refresh();
    ResizeToColumns(340);
}

CRouteWaypointsDlg::~CRouteWaypointsDlg() = default;

QString CRouteWaypointsDlg::TotalDistanceText() const {
    return m_total->text();
}

void CRouteWaypointsDlg::FillContextMenu(QMenu& menu, int row) {
    AddRowCommand(menu, QStringLiteral("Go &To"), row, [this](int at) { GoTo(at); });
    AddRowCommand(menu, QStringLiteral("&Up"), row, [this](int at) { MoveUp(at); });
    AddRowCommand(menu, QStringLiteral("Do&wn"), row, [this](int at) { MoveDown(at); });
    menu.addAction(QStringLiteral("&Add..."), this, &CRouteWaypointsDlg::AddWaypoints);
    AddRowCommand(menu, QStringLiteral("&Edit..."), row, [this](int at) { EditWaypoint(at); });
    AddRowCommand(menu, QStringLiteral("&Delete"), row, [this](int at) { DeleteRow(at); });
    menu.addAction(QStringLiteral("&Invert"), this, &CRouteWaypointsDlg::Invert);
    menu.addAction(QStringLiteral("&Play"), this, &CRouteWaypointsDlg::Play);
}

void CRouteWaypointsDlg::GoTo(int row) {
    ApplyGuidanceResult(m_context,
                        m_context.core.Document().Store().GoToRouteRow(m_routeIndex, row));
}

void CRouteWaypointsDlg::MoveUp(int row) {
    const int selected =
        MoveRouteRow(m_context.core.Document().Store(), m_routeIndex, row, RowMove::Up);
    Refresh();
    List()->SelectRow(selected);
}

void CRouteWaypointsDlg::MoveDown(int row) {
    const int selected =
        MoveRouteRow(m_context.core.Document().Store(), m_routeIndex, row, RowMove::Down);
    Refresh();
    List()->SelectRow(selected);
}

void CRouteWaypointsDlg::AddWaypoints() {
    CNavigationDataBase& store = m_context.core.Document().Store();
    CWaypointListDlg chooser(m_context, CWaypointListDlg::Mode::Select,
                             QString::fromStdString(store.Route(m_routeIndex).Name()), this);
    if (!m_runChooser(chooser)) {
        return;
    }
    const int last = AddWaypointsToRoute(store, m_routeIndex, chooser.ChosenWaypoints());
    Refresh();
    List()->SelectRow(last);
}

void CRouteWaypointsDlg::EditWaypoint(int row) {
    CNavigationDataBase& store = m_context.core.Document().Store();
    const CRoute route = store.Route(m_routeIndex);
    if (row < 0 || row >= route.WaypointCount()) {
        return;
    }
    const int index = store.FindWaypoint(route.WaypointNames()[static_cast<std::size_t>(row)]);
    if (index >= 0 && EditWaypointInDialog(m_context, this, index, m_runItemDialog) >= 0) {
        Refresh();
        List()->SelectRow(row);
    }
}

void CRouteWaypointsDlg::DeleteRow(int row) {
    if (DeleteRouteRowAsked(m_context.core.Document().Store(), m_context.core.Prompts(),
                            m_routeIndex, row)) {
        Refresh();
        List()->SelectRow(std::min(row, m_model->rowCount() - 1));
    }
}

void CRouteWaypointsDlg::Invert() {
    m_context.core.Document().Store().InvertRoute(m_routeIndex);
    Refresh();
}

void CRouteWaypointsDlg::Play() {
    ToggleListPlayback(m_context.core);
}

void CRouteWaypointsDlg::Refresh() {
    const LegTable table = BuildLegTable(m_context.core.Document().Store(), m_routeIndex);
    const DistanceUnit unit = StoredDistanceUnit(m_context.core.Registry());
    std::vector<QStringList> rows;
    rows.reserve(table.rows.size());
    for (const LegRow& row : table.rows) {
        const LegRowTexts cells = LegRowText(row, unit);
        rows.push_back(
            {QString::fromStdString(cells.number), QString::fromStdString(cells.name),
             QString::fromStdString(cells.desiredTrack), QString::fromStdString(cells.legDistance),
             QString::fromStdString(cells.fromBegin), QString::fromStdString(cells.toEnd)});
    }
    m_model->SetRows(std::move(rows));
    m_total->setText(QString::fromStdString(FormatDistance(table.totalDistance, unit)));
}

int CRouteWaypointsDlg::BlinkingRow() const {
    const CNavigationDataBase& store = m_context.core.Document().Store();
    if (store.Mode() != NavigationMode::GoAlong || store.TargetIndex() != m_routeIndex) {
        return -1;
    }
    return store.Route(m_routeIndex).ActiveIndex();
}
