#include "app/dialogs/CWaypointListModel.h"

#include "navigation/NavigationDataBase.h"

#include <QApplication>
#include <QPalette>

#include <algorithm>

namespace {

constexpr const char* kHeaders[] = {"Waypoint name", "Latitude", "Longitude",
                                    "Place to store waypoints"};

} // namespace

CWaypointListModel::CWaypointListModel(CNavigationDataBase& store, QObject* parent)
    : QAbstractTableModel(parent), m_store(store), m_names(StoredNames()) {}

std::vector<std::string> CWaypointListModel::StoredNames() const {
    std::vector<std::string> names;
    names.reserve(static_cast<std::size_t>(m_store.Count(NavItemKind::Waypoint)));
    m_store.ForEachWaypoint(
        [&names](const CWaypoint& waypoint) { names.push_back(waypoint.Name()); });
    return names;
}

int CWaypointListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_names.size());
}

std::string CWaypointListModel::NameAt(int row) const {
    return row >= 0 && row < static_cast<int>(m_names.size())
               ? m_names[static_cast<std::size_t>(row)]
               : std::string();
}

int CWaypointListModel::RowOf(std::string_view name) const {
    const auto found = std::find(m_names.begin(), m_names.end(), name);
    return found == m_names.end() ? -1 : static_cast<int>(found - m_names.begin());
}

int CWaypointListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 4;
}

QVariant CWaypointListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) {
        return {};
    }
    if (role == Qt::BackgroundRole) {
        return index.row() == m_highlighted ? QVariant(QApplication::palette().highlight())
                                            : QVariant();
    }
    if (role == Qt::ForegroundRole) {
        return index.row() == m_highlighted ? QVariant(QApplication::palette().highlightedText())
                                            : QVariant();
    }
    if (role != Qt::DisplayRole) {
        return {};
    }
    const std::string& name = m_names[static_cast<std::size_t>(index.row())];
    if (index.column() == 0) {
        return QString::fromStdString(name);
    }
    const CWaypoint waypoint = m_store.Waypoint(m_store.FindWaypoint(name));
    switch (index.column()) {
    case 1:
        return QString::fromStdString(waypoint.Position().Latitude().DisplayText());
    case 2:
        return QString::fromStdString(waypoint.Position().Longitude().DisplayText());
    default:
        return QString::fromStdString(waypoint.PlaceToStore());
    }
}

QVariant CWaypointListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section > 3) {
        return {};
    }
    return QString::fromLatin1(kHeaders[section]);
}

void CWaypointListModel::Refresh() {
    std::vector<std::string> names = StoredNames();
    const int count = static_cast<int>(names.size());
    const int rows = rowCount();
    if (count < rows) {
        beginRemoveRows({}, count, rows - 1);
        m_names = std::move(names);
        endRemoveRows();
    } else if (count > rows) {
        beginInsertRows({}, rows, count - 1);
        m_names = std::move(names);
        endInsertRows();
    } else {
        m_names = std::move(names);
    }
    if (count > 0) {
        emit dataChanged(index(0, 0), index(count - 1, columnCount() - 1));
    }
}

void CWaypointListModel::SetHighlightedRow(int row) {
    const int old = m_highlighted;
    m_highlighted = row;
    for (const int changed : {old, row}) {
        if (changed >= 0 && changed < rowCount()) {
            emit dataChanged(index(changed, 0), index(changed, columnCount() - 1));
        }
    }
}
