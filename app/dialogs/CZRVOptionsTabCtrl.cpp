#include "app/dialogs/CZRVOptionsTabCtrl.h"

#include <QMenu>
#include <QTabBar>

namespace {

// The pages' entries in tab order, with the command ids the handheld gave them.
constexpr struct {
    int id;
    const char* text;
} kPageEntries[] = {
    {32886, "Route &Guidance"},
    {32887, "&Playback"},
    {32888, "&Record"},
    {32889, "Co&mmon"},
};

} // namespace

CZRVOptionsTabCtrl::CZRVOptionsTabCtrl(std::function<void()> cancel, QWidget* parent)
    : QTabWidget(parent), m_cancel(std::move(cancel)) {
    // On a screen narrower than the four names the strip scrolls, so that the pages fit.
    tabBar()->setUsesScrollButtons(true);
    tabBar()->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(tabBar(), &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        QMenu* menu = CreatePageMenu(this);
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->popup(tabBar()->mapToGlobal(pos));
    });
}

QMenu* CZRVOptionsTabCtrl::CreatePageMenu(QWidget* parent) {
    auto* menu = new QMenu(parent);
    for (int page = 0; page < static_cast<int>(std::size(kPageEntries)); ++page) {
        QAction* entry = menu->addAction(QString::fromLatin1(kPageEntries[page].text), this,
                                         [this, page] { setCurrentIndex(page); });
        entry->setData(kPageEntries[page].id);
        entry->setCheckable(true);
        entry->setChecked(page == currentIndex());
    }
    menu->addSeparator();
    menu->addAction(QStringLiteral("&Cancel"), this, [this] { m_cancel(); });
    return menu;
}
