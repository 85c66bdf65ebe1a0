#pragma once

#include <QTabWidget>

#include <functional>

class QMenu;

// The tab strip of the option dialog with its pages. Tap and hold on the strip offers the
// pages by name ("Route &Guidance", "&Playback", "&Record", "Co&mmon") and "&Cancel", which
// cancels the dialog.
class CZRVOptionsTabCtrl final : public QTabWidget {
public:
    explicit CZRVOptionsTabCtrl(std::function<void()> cancel, QWidget* parent = nullptr);

    // The strip's menu, owned by `parent`; its entries carry their command ids as data.
    QMenu* CreatePageMenu(QWidget* parent);

private:
    std::function<void()> m_cancel;
};
