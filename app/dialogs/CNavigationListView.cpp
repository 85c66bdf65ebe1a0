#include "app/dialogs/CNavigationListView.h"

#include "app/FingerSize.h"
#include "platform/ListLayouts.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>
#include <QScreen>

#include <algorithm>

CNavigationListView::CNavigationListView(QWidget* parent) : QTableView(parent) {
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setContextMenuPolicy(Qt::CustomContextMenu);
    setWordWrap(false);
    verticalHeader()->hide();
    // Every row has the same height, so that a store of any size scrolls without measuring.
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(
        std::max(fontMetrics().height() + 6, FingerHeight(screen())));
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setStretchLastSection(false);
}

void CNavigationListView::SetEmptyText(const QString& text) {
    m_emptyText = text;
    viewport()->update();
}

void CNavigationListView::LoadColumnWidths(RegistryStore& registry, const ListLayout& layout) {
    const int dpi = screen() != nullptr ? static_cast<int>(screen()->logicalDotsPerInch()) : 96;
    const std::vector<int> widths = ::LoadColumnWidths(registry, layout, dpi);
    for (std::size_t column = 0; column < widths.size(); ++column) {
        setColumnWidth(static_cast<int>(column), widths[column]);
    }
}

void CNavigationListView::SaveColumnWidths(RegistryStore& registry,
                                           const ListLayout& layout) const {
    std::vector<int> widths;
    for (std::size_t column = 0; column < layout.columns.size(); ++column) {
        widths.push_back(columnWidth(static_cast<int>(column)));
    }
    ::SaveColumnWidths(registry, layout, widths);
}

int CNavigationListView::CurrentRow() const {
    const QModelIndexList rows =
        selectionModel() ? selectionModel()->selectedRows() : QModelIndexList{};
    return rows.isEmpty() ? -1 : rows.front().row();
}

void CNavigationListView::SelectRow(int row) {
    if (model() == nullptr || row < 0 || row >= model()->rowCount()) {
        clearSelection();
        return;
    }
    selectRow(row);
    scrollTo(model()->index(row, 0));
}

void CNavigationListView::SetRowKeys(std::function<void(int)> enter,
                                     std::function<void(int)> remove) {
    m_enter = std::move(enter);
    m_remove = std::move(remove);
}

void CNavigationListView::keyPressEvent(QKeyEvent* event) {
    const std::function<void(int)>* command = nullptr;
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        command = &m_enter;
    } else if (event->key() == Qt::Key_Delete) {
        command = &m_remove;
    }
    const int row = CurrentRow();
    // The keypad's Enter comes with the keypad modifier; Shift, Ctrl or Alt mean something else.
    const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    if (command == nullptr || !*command || row < 0 || !plain) {
        QTableView::keyPressEvent(event);
        return;
    }
    event->accept();
    (*command)(row);
}

void CNavigationListView::paintEvent(QPaintEvent* event) {
    QTableView::paintEvent(event);
    if (model() != nullptr && model()->rowCount() == 0 && !m_emptyText.isEmpty()) {
        QPainter painter(viewport());
        painter.drawText(viewport()->rect().adjusted(4, 8, -4, -4),
                         Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap, m_emptyText);
    }
}
