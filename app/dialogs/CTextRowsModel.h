#pragma once

#include <QAbstractTableModel>
#include <QStringList>

#include <vector>

// Rows of texts computed by the core (routes, legs, nearest waypoints) under fixed headers.
// Setting new rows rewrites only the cells whose text changed, removes surplus rows and
// inserts missing ones, so that a view keeps its selection and scroll position.
class CTextRowsModel final : public QAbstractTableModel {
public:
    explicit CTextRowsModel(QStringList headers, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    void SetRows(std::vector<QStringList> rows);
    const std::vector<QStringList>& Rows() const { return m_rows; }

    // The row drawn highlighted (the item being navigated to, while the blink is on); -1 none.
    void SetHighlightedRow(int row);
    int HighlightedRow() const { return m_highlighted; }

private:
    void RowChanged(int row);

    QStringList m_headers;
    std::vector<QStringList> m_rows;
    int m_highlighted = -1;
};
