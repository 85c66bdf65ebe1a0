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

CWaypointListDlg::CWaypointListDlg(const NavigationDialogContext& context, Mode mode,
                                   const QString& routeName, QWidget* parent)
    : CNavigationListDlg(context.core.Registry(), kWaypointListLayout,
                         new CWaypointListModel(context.core.Document().Store()),
                         QString::fromLatin1(kNoWaypoints), parent),
      m_context(context), m_settings(context.core.Registry()),
      m_model(static_cast<CWaypointListModel*>(List()->model())), m_runItemDialog(RunItemDialog) {
    m_model->setParent(this);
    QDialogButtonBox* buttons = nullptr;
    if (mode == Mode::Select) {
        setWindowTitle(QStringLiteral("Add to the '%1' route").arg(routeName));
        List()->setSelectionMode(QAbstractItemView::MultiSelection);
        connect(List()->selectionModel(), &QItemSelectionModel::selectionChanged, this,
                &CWaypointListDlg::TrackChoice);
        buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    } else {
        setWindowTitle(QStringLiteral("Waypoint List"));
        SetContextMenu([this](QMenu& menu, int row) { FillContextMenu(menu, row); });
        List()->SetRowKeys([this](int row) { GoTo(row); },
                           [this](int row) { DeleteWaypoint(row); });
        buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    }
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    Column()->addWidget(buttons);
    StartBlinking([this] { return BlinkingRow(); },
                  [this](int row) { m_model->SetHighlightedRow(row); });
    const int lastUsed = m_context.core.Document().Store().LastUsedIndex(NavItemKind::Waypoint);
    List()->SelectRow(mode == Mode::Browse ? lastUsed : -1);
    ResizeToColumns(360);
}

CWaypointListDlg::~CWaypointListDlg() = default;

void CWaypointListDlg::FillContextMenu(QMenu& menu, int row) {
    AddRowCommand(menu, QStringLiteral("Go &To"), row, [this](int at) { GoTo(at); });
    menu.addAction(QStringLiteral("&New..."), this, &CWaypointListDlg::NewWaypoint);
    AddRowCommand(menu, QStringLiteral("&Edit..."), row, [this](int at) { EditWaypoint(at); });
    AddRowCommand(menu, QStringLiteral("&Delete"), row, [this](int at) { DeleteWaypoint(at); });
    menu.addAction(QStringLiteral("&Refresh"), this, &CWaypointListDlg::Refresh);
    menu.addAction(QStringLiteral("&Play"), this, &CWaypointListDlg::Play);
}

int CWaypointListDlg::WaypointOfRow(int row) const {
    const std::string name = m_model->NameAt(row);
    return name.empty() ? -1 : m_context.core.Document().Store().FindWaypoint(name);
}

void CWaypointListDlg::GoTo(int row) {
    const int index = WaypointOfRow(row);
    if (index >= 0) {
        ApplyGuidanceResult(m_context, m_context.core.Document().Store().GoToWaypoint(index));
    }
    Refresh();
}

void CWaypointListDlg::NewWaypoint() {
    const int index = NewWaypointInDialog(m_context, m_settings, this, m_runItemDialog);
    Refresh();
    List()->SelectRow(index);
}

void CWaypointListDlg::EditWaypoint(int row) {
    const int shown = WaypointOfRow(row);
    const int index =
        shown >= 0 ? EditWaypointInDialog(m_context, this, shown, m_runItemDialog) : -1;
    Refresh();
    List()->SelectRow(index >= 0 ? index : row);
}

void CWaypointListDlg::DeleteWaypoint(int row) {
    const int index = WaypointOfRow(row);
    if (index < 0) {
        Refresh();
        return;
    }
    if (DeleteWaypointAsked(m_context.core.Document().Store(), m_context.core.Prompts(), index)) {
        Refresh();
        List()->SelectRow(std::min(row, m_model->rowCount() - 1));
    }
}

void CWaypointListDlg::Refresh() {
    m_model->Refresh();
}

void CWaypointListDlg::Play() {
    ToggleListPlayback(m_context.core);
}

int CWaypointListDlg::BlinkingRow() const {
    const CNavigationDataBase& store = m_context.core.Document().Store();
    return store.Mode() == NavigationMode::GoTo
               ? m_model->RowOf(store.Waypoint(store.TargetIndex()).Name())
               : -1;
}

std::vector<int> CWaypointListDlg::ChosenWaypoints() const {
    std::vector<int> indices;
    for (const int row : m_chosen) {
        if (const int index = WaypointOfRow(row); index >= 0) {
            indices.push_back(index);
        }
    }
    return indices;
}

void CWaypointListDlg::TrackChoice(const QItemSelection& selected,
                                   const QItemSelection& deselected) {
    // Keep the earlier choices in their order, drop the ones undone, add the new at the end (in
    // row order). Only the change is looked at, so that choosing all of a long list is one pass.
    m_isChosen.resize(static_cast<std::size_t>(m_model->rowCount()), false);
    bool dropped = false;
    for (const QItemSelectionRange& range : deselected) {
        for (int row = range.top(); row <= range.bottom(); ++row) {
            const auto at = static_cast<std::size_t>(row);
            if (at < m_isChosen.size() && m_isChosen[at]) {
                m_isChosen[at] = false;
                dropped = true;
            }
        }
    }
    if (dropped) {
        std::erase_if(m_chosen,
                      [this](int row) { return !m_isChosen[static_cast<std::size_t>(row)]; });
    }
    std::vector<int> added;
    for (const QItemSelectionRange& range : selected) {
        for (int row = range.top(); row <= range.bottom(); ++row) {
            const auto at = static_cast<std::size_t>(row);
            if (at < m_isChosen.size() && !m_isChosen[at]) {
                m_isChosen[at] = true;
                added.push_back(row);
            }
        }
    }
    std::sort(added.begin(), added.end());
    m_chosen.insert(m_chosen.end(), added.begin(), added.end());
}
