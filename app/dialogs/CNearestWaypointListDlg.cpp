#include "app/dialogs/CNearestWaypointListDlg.h"

#include "app/dialogs/CNavigationListView.h"
#include "app/dialogs/CTextRowsModel.h"
#include "comm/ApplicationCore.h"
#include "navigation/ListCommands.h"
#include "navigation/NavigationDataBase.h"
#include "platform/ListLayouts.h"

#include <QDialogButtonBox>
#include <QMenu>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int kBlinkMilliseconds = 1000;
constexpr std::size_t kCounts[] = {10, 20, 30, 40, 50, 100};

} // namespace

std::optional<std::size_t> NearestCountOfChoice(IPrompts& prompts, int choice) {
    if (choice >= 0 && choice < static_cast<int>(std::size(kCounts))) {
        return kCounts[choice];
    }
    if (!ConfirmNearestAll(prompts)) {
        return std::nullopt;
    }
    return kAllWaypoints;
}

CNearestWaypointListDlg::CNearestWaypointListDlg(const NavigationDialogContext& context,
                                                 std::size_t count, int routeIndex, QWidget* parent)
    : QDialog(parent), m_context(context), m_count(count), m_routeIndex(routeIndex),
      m_model(new CTextRowsModel(
          {QStringLiteral("Waypoint name"), QStringLiteral("DST"), QStringLiteral("BRG")}, this)),
      m_list(new CNavigationListView(this)), m_runItemDialog(RunItemDialog) {
    const CNavigationDataBase& store = m_context.core.Document().Store();
    setWindowTitle(QString::fromStdString(
        NearestTitle(routeIndex >= 0 ? store.Route(routeIndex).Name() : std::string())));
    auto* layout = new QVBoxLayout(this);
    m_list->setModel(m_model);
    m_list->SetEmptyText(QString::fromLatin1(kNoNearestWaypoints));
    m_list->LoadColumnWidths(m_context.core.Registry(), kNearestWaypointListLayout);
    layout->addWidget(m_list);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    connect(m_list, &QWidget::customContextMenuRequested, this,
            &CNearestWaypointListDlg::ShowContextMenu);
    connect(&m_blinkTimer, &QTimer::timeout, this, &CNearestWaypointListDlg::Blink);
    m_blinkTimer.start(kBlinkMilliseconds);
    Refresh();
    resize(360, 360);
}

CNearestWaypointListDlg::~CNearestWaypointListDlg() = default;

void CNearestWaypointListDlg::done(int result) {
    m_blinkTimer.stop();
    m_list->SaveColumnWidths(m_context.core.Registry(), kNearestWaypointListLayout);
    QDialog::done(result);
}

void CNearestWaypointListDlg::ShowContextMenu(const QPoint& position) {
    const int row = m_list->CurrentRow();
    QMenu menu(this);
    const auto onRow = [&](const QString& text, void (CNearestWaypointListDlg::*command)(int)) {
        menu.addAction(text, this, [this, row, command] { (this->*command)(row); })
            ->setEnabled(row >= 0);
    };
    onRow(QStringLiteral("Go &To"), &CNearestWaypointListDlg::GoTo);
    onRow(QStringLiteral("&Edit..."), &CNearestWaypointListDlg::EditWaypoint);
    onRow(QStringLiteral("&Delete"), &CNearestWaypointListDlg::DeleteWaypoint);
    menu.addAction(QStringLiteral("&Refresh"), this, &CNearestWaypointListDlg::Refresh);
    menu.addAction(QStringLiteral("&Play"), this, &CNearestWaypointListDlg::Play);
    menu.exec(m_list->viewport()->mapToGlobal(position));
}

int CNearestWaypointListDlg::WaypointOfRow(int row) const {
    if (row < 0 || row >= static_cast<int>(m_rows.size())) {
        return -1;
    }
    return m_context.core.Document().Store().FindWaypoint(
        m_rows[static_cast<std::size_t>(row)].name);
}

void CNearestWaypointListDlg::GoTo(int row) {
    const int index = WaypointOfRow(row);
    if (index >= 0) {
        ApplyGuidanceResult(m_context, m_context.core.Document().Store().GoToWaypoint(index));
    }
}

void CNearestWaypointListDlg::EditWaypoint(int row) {
    const int index = WaypointOfRow(row);
    if (index >= 0 && EditWaypointInDialog(m_context, this, index, m_runItemDialog) >= 0) {
        Refresh();
    }
}

void CNearestWaypointListDlg::DeleteWaypoint(int row) {
    const int index = WaypointOfRow(row);
    if (index >= 0 &&
        DeleteWaypointAsked(m_context.core.Document().Store(), m_context.core.Prompts(), index)) {
        Refresh();
        m_list->SelectRow(std::min(row, m_model->rowCount() - 1));
    }
}

void CNearestWaypointListDlg::Refresh() {
    const CLatLong reference = CurrentPosition(m_context.core);
    m_rows.clear();
    if (reference.IsValid()) {
        m_rows =
            NearestWaypoints(m_context.core.Document().Store(), reference, m_count, m_routeIndex);
    }
    const DistanceUnit unit = StoredDistanceUnit(m_context.core.Registry());
    std::vector<QStringList> texts;
    texts.reserve(m_rows.size());
    for (const NearestRow& row : m_rows) {
        const NearestRowTexts cells = NearestRowText(row, unit);
        texts.push_back({QString::fromStdString(cells.name), QString::fromStdString(cells.distance),
                         QString::fromStdString(cells.bearing)});
    }
    m_model->SetRows(std::move(texts));
}

void CNearestWaypointListDlg::Play() {
    ToggleListPlayback(m_context.core);
}

void CNearestWaypointListDlg::Blink() {
    const CNavigationDataBase& store = m_context.core.Document().Store();
    int highlighted = -1;
    if (store.Mode() == NavigationMode::GoTo) {
        const std::string target = store.Waypoint(store.TargetIndex()).Name();
        const auto found = std::find_if(m_rows.begin(), m_rows.end(),
                                        [&](const NearestRow& row) { return row.name == target; });
        if (found != m_rows.end()) {
            highlighted = static_cast<int>(found - m_rows.begin());
        }
    }
    m_blinkOn = highlighted >= 0 && !m_blinkOn;
    m_model->SetHighlightedRow(m_blinkOn ? highlighted : -1);
}
