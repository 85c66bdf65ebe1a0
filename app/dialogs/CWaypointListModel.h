#pragma once

#include <QAbstractTableModel>

#include <string>
#include <string_view>
#include <vector>

class CNavigationDataBase;

// The rows of the waypoint list. Each row is a waypoint's name, taken when the rows are made;
// the rest of a row is read from the store as the view asks for it, so that a list of any size
// opens at once. Received sentences reorder the store (an identical waypoint moves to the
// end): a row keeps showing its waypoint until the next Refresh, and the commands find the
// waypoint of a row by its name.
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

    // The name a row shows; empty out of range.
    std::string NameAt(int row) const;
    // The row showing that name; -1 when none does.
    int RowOf(std::string_view name) const;

    // The row drawn highlighted (the waypoint being gone to, when the blink is on); -1 none.
    void SetHighlightedRow(int row);
    int HighlightedRow() const { return m_highlighted; }

private:
    std::vector<std::string> StoredNames() const;

    CNavigationDataBase& m_store;
    std::vector<std::string> m_names;
    int m_highlighted = -1;
};
