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
    : CNavigationListDlg(context.core.Registry(), kNearestWaypointListLayout,
                         new CTextRowsModel({QStringLiteral("Waypoint name"), QStringLiteral("DST"),
                                             QStringLiteral("BRG")}),
                         QString::fromLatin1(kNoNearestWaypoints), parent),
      m_context(context), m_count(count), m_routeIndex(routeIndex),
      m_model(static_cast<CTextRowsModel*>(List()->model())), m_runItemDialog(RunItemDialog) {
    m_model->setParent(this);
    const CNavigationDataBase& store = m_context.core.Document().Store();
    setWindowTitle(QString::fromStdString(
        NearestTitle(routeIndex >= 0 ? store.Route(routeIndex).Name() : std::string())));
    AddCloseButton();
    SetContextMenu([this](QMenu& menu, int row) { FillContextMenu(menu, row); });
    List()->SetRowKeys([this](int row) { GoTo(row); }, [this](int row) { DeleteWaypoint(row); });
    StartBlinking([this] { return BlinkingRow(); },
                  [this](int row) { m_model->SetHighlightedRow(row); });
    Refresh();
    ResizeToColumns(360);
}

CNearestWaypointListDlg::~CNearestWaypointListDlg() = default;

void CNearestWaypointListDlg::FillContextMenu(QMenu& menu, int row) {
    AddRowCommand(menu, QStringLiteral("Go &To"), row, [this](int at) { GoTo(at); });
    AddRowCommand(menu, QStringLiteral("&Edit..."), row, [this](int at) { EditWaypoint(at); });
    AddRowCommand(menu, QStringLiteral("&Delete"), row, [this](int at) { DeleteWaypoint(at); });
    menu.addAction(QStringLiteral("&Refresh"), this, &CNearestWaypointListDlg::Refresh);
    menu.addAction(QStringLiteral("&Play"), this, &CNearestWaypointListDlg::Play);
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
        List()->SelectRow(std::min(row, m_model->rowCount() - 1));
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
    m_context.core.View().StartAlert(AlertKind::Short);
}

void CNearestWaypointListDlg::Play() {
    ToggleListPlayback(m_context.core);
}

int CNearestWaypointListDlg::BlinkingRow() const {
    const CNavigationDataBase& store = m_context.core.Document().Store();
    if (store.Mode() != NavigationMode::GoTo) {
        return -1;
    }
    const std::string target = store.Waypoint(store.TargetIndex()).Name();
    const auto found = std::find_if(m_rows.begin(), m_rows.end(),
                                    [&](const NearestRow& row) { return row.name == target; });
    return found == m_rows.end() ? -1 : static_cast<int>(found - m_rows.begin());
}
