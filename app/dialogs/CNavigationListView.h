#pragma once

#include <QString>
#include <QTableView>

#include <functional>

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

    // What Enter and Delete do to the selected row: the list's first command (so that Enter
    // does not close the dialog) and its Delete command. Without a selected row, or without a
    // command, the keys do what they did.
    void SetRowKeys(std::function<void(int)> enter, std::function<void(int)> remove);

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QString m_emptyText;
    std::function<void(int)> m_enter;
    std::function<void(int)> m_remove;
};
