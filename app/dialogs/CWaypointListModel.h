#pragma once

#include <QAbstractTableModel>

class CNavigationDataBase;

// The rows of the waypoint list read from the store as the view asks for them: the store is
// the only copy, so that a list of any size opens at once.
class CWaypointListModel final : public QAbstractTableModel {
public:
    explicit CWaypointListModel(CNavigationDataBase& store, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // Brings the rows in line with the store: surplus rows go, missing ones are inserted, and
    // the view repaints the rows it shows.
    void Refresh();

    // The row drawn highlighted (the waypoint being gone to, when the blink is on); -1 none.
    void SetHighlightedRow(int row);
    int HighlightedRow() const { return m_highlighted; }

private:
    CNavigationDataBase& m_store;
    int m_rows = 0;
    int m_highlighted = -1;
};
