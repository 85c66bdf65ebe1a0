#pragma once

#include <QString>
#include <QTableView>

class RegistryStore;
struct ListLayout;

// The table of a list dialog: whole-row selection, the list's text when it has no rows, and
// column widths read from and written to the list's layout in the settings.
class CNavigationListView final : public QTableView {
public:
    explicit CNavigationListView(QWidget* parent = nullptr);

    void SetEmptyText(const QString& text);
    const QString& EmptyText() const { return m_emptyText; }

    void LoadColumnWidths(RegistryStore& registry, const ListLayout& layout);
    void SaveColumnWidths(RegistryStore& registry, const ListLayout& layout) const;

    // The selected row, -1 for none.
    int CurrentRow() const;
    void SelectRow(int row);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_emptyText;
};
