#include "app/dialogs/CTextRowsModel.h"

#include <QApplication>
#include <QPalette>

#include <utility>

CTextRowsModel::CTextRowsModel(QStringList headers, QObject* parent)
    : QAbstractTableModel(parent), m_headers(std::move(headers)) {}

int CTextRowsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int CTextRowsModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_headers.size());
}

QVariant CTextRowsModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) {
        return {};
    }
    const bool highlighted = index.row() == m_highlighted;
    switch (role) {
    case Qt::DisplayRole:
        return m_rows[static_cast<std::size_t>(index.row())].value(index.column());
    case Qt::BackgroundRole:
        return highlighted ? QVariant(QApplication::palette().highlight()) : QVariant();
    case Qt::ForegroundRole:
        return highlighted ? QVariant(QApplication::palette().highlightedText()) : QVariant();
    default:
        return {};
    }
}

QVariant CTextRowsModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
        return {};
    }
    return m_headers.value(section);
}

void CTextRowsModel::SetRows(std::vector<QStringList> rows) {
    const int kept = static_cast<int>(std::min(rows.size(), m_rows.size()));
    if (rows.size() < m_rows.size()) {
        beginRemoveRows({}, kept, rowCount() - 1);
        m_rows.resize(rows.size());
        endRemoveRows();
    }
    for (int row = 0; row < kept; ++row) {
        const auto slot = static_cast<std::size_t>(row);
        QStringList previous = std::exchange(m_rows[slot], std::move(rows[slot]));
        for (int column = 0; column < columnCount(); ++column) {
            if (m_rows[slot].value(column) != previous.value(column)) {
                emit dataChanged(index(row, column), index(row, column));
            }
        }
    }
    if (rows.size() > m_rows.size()) {
        beginInsertRows({}, kept, static_cast<int>(rows.size()) - 1);
        for (std::size_t row = static_cast<std::size_t>(kept); row < rows.size(); ++row) {
            m_rows.push_back(std::move(rows[row]));
        }
        endInsertRows();
    }
}

void CTextRowsModel::SetHighlightedRow(int row) {
    const int old = m_highlighted;
    m_highlighted = row;
    RowChanged(old);
    RowChanged(row);
}

void CTextRowsModel::RowChanged(int row) {
    if (row >= 0 && row < rowCount()) {
        emit dataChanged(index(row, 0), index(row, columnCount() - 1));
    }
}
