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

namespace {

constexpr int kBlinkMilliseconds = 1000;

} // namespace

CRouteWaypointsDlg::CRouteWaypointsDlg(const NavigationDialogContext& context, int routeIndex,
                                       QWidget* parent)
    : QDialog(parent), m_context(context), m_routeIndex(routeIndex),
      m_model(new CTextRowsModel(
          {QStringLiteral("Number"), QStringLiteral("Waypoint name"),
           QStringLiteral("Desired Track of Leg"), QStringLiteral("Leg Distance"),
           QStringLiteral("Distance from the Begin"), QStringLiteral("Distance to the End")},
          this)),
      m_list(new CNavigationListView(this)), m_total(new QLabel(this)),
      m_runChooser([](CWaypointListDlg& dialog) { return dialog.exec() == QDialog::Accepted; }),
      m_runItemDialog(RunItemDialog) {
    const std::string name = m_context.core.Document().Store().Route(routeIndex).Name();
    setWindowTitle(QString::fromStdString(LegTableTitle(name)));
    auto* layout = new QVBoxLayout(this);
    m_list->setModel(m_model);
    m_list->SetEmptyText(QString::fromStdString(EmptyRouteText(name)));
    m_list->LoadColumnWidths(m_context.core.Registry(), kRouteWaypointListLayout);
    layout->addWidget(m_list);
    auto* totals = new QHBoxLayout;
    totals->addWidget(new QLabel(QStringLiteral("Total Distance:"), this));
    totals->addWidget(m_total, 1);
    layout->addLayout(totals);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    connect(m_list, &QWidget::customContextMenuRequested, this,
            &CRouteWaypointsDlg::ShowContextMenu);
    connect(&m_blinkTimer, &QTimer::timeout, this, &CRouteWaypointsDlg::Blink);
    m_blinkTimer.start(kBlinkMilliseconds);
    Refresh();
    resize(600, 340);
}

CRouteWaypointsDlg::~CRouteWaypointsDlg() = default;

void CRouteWaypointsDlg::done(int result) {
    m_blinkTimer.stop();
    m_list->SaveColumnWidths(m_context.core.Registry(), kRouteWaypointListLayout);
    QDialog::done(result);
}

QString CRouteWaypointsDlg::TotalDistanceText() const {
    return m_total->text();
}

void CRouteWaypointsDlg::ShowContextMenu(const QPoint& position) {
    const int row = m_list->CurrentRow();
    QMenu menu(this);
    const auto onRow = [&](const QString& text, void (CRouteWaypointsDlg::*command)(int)) {
        menu.addAction(text, this, [this, row, command] { (this->*command)(row); })
            ->setEnabled(row >= 0);
    };
    onRow(QStringLiteral("Go &To"), &CRouteWaypointsDlg::GoTo);
    onRow(QStringLiteral("&Up"), &CRouteWaypointsDlg::MoveUp);
    onRow(QStringLiteral("Do&wn"), &CRouteWaypointsDlg::MoveDown);
    menu.addAction(QStringLiteral("&Add..."), this, &CRouteWaypointsDlg::AddWaypoints);
    onRow(QStringLiteral("&Edit..."), &CRouteWaypointsDlg::EditWaypoint);
    onRow(QStringLiteral("&Delete"), &CRouteWaypointsDlg::DeleteRow);
    menu.addAction(QStringLiteral("&Invert"), this, &CRouteWaypointsDlg::Invert);
    menu.addAction(QStringLiteral("&Play"), this, &CRouteWaypointsDlg::Play);
    menu.exec(m_list->viewport()->mapToGlobal(position));
}

void CRouteWaypointsDlg::GoTo(int row) {
    ApplyGuidanceResult(m_context,
                        m_context.core.Document().Store().GoToRouteRow(m_routeIndex, row));
}

void CRouteWaypointsDlg::MoveUp(int row) {
    const int selected =
        MoveRouteRow(m_context.core.Document().Store(), m_routeIndex, row, RowMove::Up);
    Refresh();
    m_list->SelectRow(selected);
}

void CRouteWaypointsDlg::MoveDown(int row) {
    const int selected =
        MoveRouteRow(m_context.core.Document().Store(), m_routeIndex, row, RowMove::Down);
    Refresh();
    m_list->SelectRow(selected);
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
    m_list->SelectRow(last);
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
        m_list->SelectRow(row);
    }
}

void CRouteWaypointsDlg::DeleteRow(int row) {
    if (DeleteRouteRowAsked(m_context.core.Document().Store(), m_context.core.Prompts(),
                            m_routeIndex, row)) {
        Refresh();
        m_list->SelectRow(std::min(row, m_model->rowCount() - 1));
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

void CRouteWaypointsDlg::Blink() {
    const CNavigationDataBase& store = m_context.core.Document().Store();
    int active = -1;
    if (store.Mode() == NavigationMode::GoAlong && store.TargetIndex() == m_routeIndex) {
        active = store.Route(m_routeIndex).ActiveIndex();
    }
    m_blinkOn = active >= 0 && !m_blinkOn;
    m_model->SetHighlightedRow(m_blinkOn ? active : -1);
}
