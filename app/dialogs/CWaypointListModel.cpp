#include "app/dialogs/CWaypointListModel.h"

#include "navigation/NavigationDataBase.h"

#include <QApplication>
#include <QPalette>

namespace {

constexpr const char* kHeaders[] = {"Waypoint name", "Latitude", "Longitude",
                                    "Place to store waypoints"};

} // namespace

CWaypointListModel::CWaypointListModel(CNavigationDataBase& store, QObject* parent)
    : QAbstractTableModel(parent), m_store(store), m_rows(store.Count(NavItemKind::Waypoint)) {}

int CWaypointListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_rows;
}

int CWaypointListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 4;
}

QVariant CWaypointListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) {
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
    const CWaypoint waypoint = m_store.Waypoint(index.row());
    switch (index.column()) {
    case 0:
        return QString::fromStdString(waypoint.Name());
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
    const int count = m_store.Count(NavItemKind::Waypoint);
    if (count < m_rows) {
        beginRemoveRows({}, count, m_rows - 1);
        m_rows = count;
        endRemoveRows();
    } else if (count > m_rows) {
        beginInsertRows({}, m_rows, count - 1);
        m_rows = count;
        endInsertRows();
    }
    if (m_rows > 0) {
        emit dataChanged(index(0, 0), index(m_rows - 1, columnCount() - 1));
    }
}

void CWaypointListModel::SetHighlightedRow(int row) {
    const int old = m_highlighted;
    m_highlighted = row;
    for (const int changed : {old, row}) {
        if (changed >= 0 && changed < m_rows) {
            emit dataChanged(index(changed, 0), index(changed, columnCount() - 1));
        }
    }
}
