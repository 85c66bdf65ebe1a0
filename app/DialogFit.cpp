#include "app/DialogFit.h"

#include <QDialog>
#include <QEvent>
#include <QLayout>
#include <QScreen>
#include <QScrollArea>
#include <QVBoxLayout>

namespace {

constexpr const char* kScrollingContent = "DialogFitScrollingContent";

// The window manager's frame around a window, taken from the dialog's owner, which is shown.
QSize FrameExtent(const QWidget& dialog) {
    const QWidget* owner =
        dialog.parentWidget() != nullptr ? dialog.parentWidget()->window() : nullptr;
    return owner != nullptr && owner->isVisible()
               ? owner->frameGeometry().size() - owner->geometry().size()
               : QSize(0, 0);
}

// Moves the dialog's layout with its controls into a scrolling area that fills the dialog.
void ScrollContent(QWidget& dialog) {
    QLayout* layout = dialog.layout();
    if (layout == nullptr || dialog.findChild<QScrollArea*>(kScrollingContent) != nullptr) {
        return;
    }
    auto* content = new QWidget;
    content->setLayout(layout); // takes the layout and its controls from the dialog
    auto* scrolling = new QScrollArea(&dialog);
    scrolling->setObjectName(kScrollingContent);
    scrolling->setFrameShape(QFrame::NoFrame);
    scrolling->setWidgetResizable(true);
    scrolling->setWidget(content);
    // The old layout fixed the dialog's least size at that of its controls.
    dialog.setMinimumSize(0, 0);
    auto* whole = new QVBoxLayout(&dialog);
    whole->setContentsMargins(0, 0, 0, 0);
    whole->addWidget(scrolling);
}

} // namespace

void FitDialogInto(QWidget& dialog, const QSize& available) {
    const QSize least = dialog.minimumSizeHint().expandedTo(dialog.minimumSize());
    if (least.width() > available.width() || least.height() > available.height()) {
        ScrollContent(dialog);
    }
    dialog.setMaximumSize(available);
    dialog.resize(dialog.size().boundedTo(available));
}

bool DialogFit::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Show && watched->isWidgetType()) {
        auto* widget = static_cast<QWidget*>(watched);
        if (widget->isWindow() && qobject_cast<QDialog*>(widget) != nullptr &&
            widget->screen() != nullptr) {
            FitDialogInto(*widget,
                          widget->screen()->availableGeometry().size() - FrameExtent(*widget));
        }
    }
    return QObject::eventFilter(watched, event);
}
