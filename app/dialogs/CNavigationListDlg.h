#pragma once

#include <QDialog>
#include <QTimer>

#include <functional>

class CNavigationListView;
class QAbstractItemModel;
class QMenu;
class QVBoxLayout;
class RegistryStore;
struct ListLayout;

// What the list dialogs share: the table with its empty text and the column widths kept under
// the list's layout (read at open, written at close), the context menu on its rows, and the
// blinking of the row being navigated to.
class CNavigationListDlg : public QDialog {
public:
    CNavigationListView* List() const { return m_list; }
    void done(int result) override;

protected:
    CNavigationListDlg(RegistryStore& registry, const ListLayout& layout, QAbstractItemModel* model,
                       const QString& emptyText, QWidget* parent);
    ~CNavigationListDlg() override;

    // The dialog's column: the list first; subclasses add below it.
    QVBoxLayout* Column() const { return m_column; }
    // A Close button below what the column holds so far.
    void AddCloseButton();
    // Wide enough for every column without scrolling, as far as the screen allows.
    void ResizeToColumns(int height);
    // The right-click menu of the list, filled for the selected row (-1 for none).
    void SetContextMenu(std::function<void(QMenu&, int row)> fill);
    // Every second the row `blinking` names (-1 none) is drawn highlighted or plain in turn.
    void StartBlinking(std::function<int()> blinking, std::function<void(int)> highlight);

private:
    RegistryStore& m_registry;
    const ListLayout& m_layout;
    CNavigationListView* m_list;
    QVBoxLayout* m_column;
    QTimer m_blinkTimer;
    bool m_blinkOn = false;
};

// A command of the context menu that acts on the selected row; greyed without one.
void AddRowCommand(QMenu& menu, const QString& text, int row, std::function<void(int)> command);
