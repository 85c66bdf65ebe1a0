#include "app/dialogs/CNavigationListDlg.h"

#include "app/dialogs/CNavigationListView.h"

#include <QAction>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QMenu>
#include <QScreen>
#include <QScrollBar>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// The interval of the highlight's alternation.
constexpr int kBlinkMilliseconds = 1000;

} // namespace

CNavigationListDlg::CNavigationListDlg(RegistryStore& registry, const ListLayout& layout,
                                       QAbstractItemModel* model, const QString& emptyText,
                                       QWidget* parent)
    : QDialog(parent), m_registry(registry), m_layout(layout),
      m_list(new CNavigationListView(this)), m_column(new QVBoxLayout(this)) {
    m_list->setModel(model);
    m_list->SetEmptyText(emptyText);
    m_list->LoadColumnWidths(m_registry, m_layout);
    m_column->addWidget(m_list);
}

CNavigationListDlg::~CNavigationListDlg() = default;

void CNavigationListDlg::done(int result) {
    m_blinkTimer.stop();
    m_list->SaveColumnWidths(m_registry, m_layout);
    QDialog::done(result);
}

void CNavigationListDlg::AddCloseButton() {
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    m_column->addWidget(buttons);
}

void CNavigationListDlg::ResizeToColumns(int height) {
    const QMargins margins = m_column->contentsMargins();
    const int width = m_list->horizontalHeader()->length() + 2 * m_list->frameWidth() +
                      m_list->verticalScrollBar()->sizeHint().width() + margins.left() +
                      margins.right();
    const QScreen* shown = screen();
    const int available = shown != nullptr ? shown->availableGeometry().width() : width;
    resize(std::min(width, available), height);
}

void CNavigationListDlg::SetContextMenu(std::function<void(QMenu&, int)> fill) {
    connect(m_list, &QWidget::customContextMenuRequested, this,
            [this, fill = std::move(fill)](const QPoint& position) {
                QMenu menu(this);
                fill(menu, m_list->CurrentRow());
                menu.exec(m_list->viewport()->mapToGlobal(position));
            });
}

void CNavigationListDlg::StartBlinking(std::function<int()> blinking,
                                       std::function<void(int)> highlight) {
    connect(&m_blinkTimer, &QTimer::timeout, this,
            [this, blinking = std::move(blinking), highlight = std::move(highlight)] {
                const int row = blinking();
                m_blinkOn = row >= 0 && !m_blinkOn;
                highlight(m_blinkOn ? row : -1);
            });
    m_blinkTimer.start(kBlinkMilliseconds);
}

void AddRowCommand(QMenu& menu, const QString& text, int row, std::function<void(int)> command) {
    menu.addAction(text, [row, command = std::move(command)] { command(row); })
        ->setEnabled(row >= 0);
}
