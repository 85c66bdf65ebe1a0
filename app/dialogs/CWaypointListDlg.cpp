#include "app/dialogs/CWaypointListDlg.h"

#include "app/dialogs/CNavigationListView.h"
#include "app/dialogs/CWaypointListModel.h"
#include "comm/ApplicationCore.h"
#include "navigation/ListCommands.h"
#include "navigation/NavigationDataBase.h"
#include "platform/ListLayouts.h"

#include <QDialogButtonBox>
#include <QItemSelectionModel>
#include <QMenu>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// The interval of the highlight's alternation on the waypoint being gone to.
constexpr int kBlinkMilliseconds = 1000;

} // namespace

CWaypointListDlg::CWaypointListDlg(const NavigationDialogContext& context, Mode mode,
                                   const QString& routeName, QWidget* parent)
    : QDialog(parent), m_context(context), m_settings(context.core.Registry()),
      m_model(new CWaypointListModel(context.core.Document().Store(), this)),
      m_list(new CNavigationListView(this)), m_runItemDialog(RunItemDialog) {
    auto* layout = new QVBoxLayout(this);
    m_list->setModel(m_model);
    m_list->SetEmptyText(QString::fromLatin1(kNoWaypoints));
    m_list->LoadColumnWidths(m_context.core.Registry(), kWaypointListLayout);
    layout->addWidget(m_list);
    QDialogButtonBox* buttons = nullptr;
    if (mode == Mode::Select) {
        setWindowTitle(QStringLiteral("Add to the '%1' route").arg(routeName));
        m_list->setSelectionMode(QAbstractItemView::MultiSelection);
        connect(m_list->selectionModel(), &QItemSelectionModel::selectionChanged, this,
                [this] { TrackChoice(); });
        buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    } else {
        setWindowTitle(QStringLiteral("Waypoint List"));
        connect(m_list, &QWidget::customContextMenuRequested, this,
                &CWaypointListDlg::ShowContextMenu);
        buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    }
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    connect(&m_blinkTimer, &QTimer::timeout, this, &CWaypointListDlg::Blink);
    m_blinkTimer.start(kBlinkMilliseconds);
    const int lastUsed = m_context.core.Document().Store().LastUsedIndex(NavItemKind::Waypoint);
    m_list->SelectRow(mode == Mode::Browse ? lastUsed : -1);
    resize(520, 360);
}

CWaypointListDlg::~CWaypointListDlg() = default;

void CWaypointListDlg::done(int result) {
    m_blinkTimer.stop();
    m_list->SaveColumnWidths(m_context.core.Registry(), kWaypointListLayout);
    QDialog::done(result);
}

void CWaypointListDlg::ShowContextMenu(const QPoint& position) {
    const int row = m_list->CurrentRow();
    QMenu menu(this);
    const auto onRow = [&](const QString& text, auto command) {
        QAction* action =
            menu.addAction(text, this, [this, row, command] { (this->*command)(row); });
        action->setEnabled(row >= 0);
    };
    onRow(QStringLiteral("Go &To"), &CWaypointListDlg::GoTo);
    menu.addAction(QStringLiteral("&New..."), this, &CWaypointListDlg::NewWaypoint);
    onRow(QStringLiteral("&Edit..."), &CWaypointListDlg::EditWaypoint);
    onRow(QStringLiteral("&Delete"), &CWaypointListDlg::DeleteWaypoint);
    menu.addAction(QStringLiteral("&Refresh"), this, &CWaypointListDlg::Refresh);
    menu.addAction(QStringLiteral("&Play"), this, &CWaypointListDlg::Play);
    menu.exec(m_list->viewport()->mapToGlobal(position));
}

void CWaypointListDlg::GoTo(int row) {
    ApplyGuidanceResult(m_context, m_context.core.Document().Store().GoToWaypoint(row));
    Refresh();
}

void CWaypointListDlg::NewWaypoint() {
    const int index = NewWaypointInDialog(m_context, m_settings, this, m_runItemDialog);
    Refresh();
    m_list->SelectRow(index);
}

void CWaypointListDlg::EditWaypoint(int row) {
    const int index = EditWaypointInDialog(m_context, this, row, m_runItemDialog);
    Refresh();
    m_list->SelectRow(index >= 0 ? index : row);
}

void CWaypointListDlg::DeleteWaypoint(int row) {
    if (DeleteWaypointAsked(m_context.core.Document().Store(), m_context.core.Prompts(), row)) {
        Refresh();
        m_list->SelectRow(std::min(row, m_model->rowCount() - 1));
    }
}

void CWaypointListDlg::Refresh() {
    m_model->Refresh();
}

void CWaypointListDlg::Play() {
    ToggleListPlayback(m_context.core);
}

void CWaypointListDlg::Blink() {
    const CNavigationDataBase& store = m_context.core.Document().Store();
    const int target = store.Mode() == NavigationMode::GoTo ? store.TargetIndex() : -1;
    m_blinkOn = target >= 0 && !m_blinkOn;
    m_model->SetHighlightedRow(m_blinkOn ? target : -1);
}

void CWaypointListDlg::TrackChoice() {
    std::vector<int> selected;
    for (const QModelIndex& index : m_list->selectionModel()->selectedRows()) {
        selected.push_back(index.row());
    }
    // Keep the earlier choices in their order, drop the ones undone, add the new at the end.
    std::erase_if(m_chosen, [&](int row) {
        return std::find(selected.begin(), selected.end(), row) == selected.end();
    });
    std::sort(selected.begin(), selected.end());
    for (const int row : selected) {
        if (std::find(m_chosen.begin(), m_chosen.end(), row) == m_chosen.end()) {
            m_chosen.push_back(row);
        }
    }
}
