#pragma once

#include <QObject>
#include <QRect>

class QWidget;

// Keeps every dialog of the program (its own, the file dialogs, the message boxes) inside the
// available area of its screen as it is shown: a dialog larger than the screen is shrunk to
// it, and one whose content cannot shrink that far shows that content in a scrolling area.
// Installed on the application, so that no dialog needs to know the size of the screen.
class DialogFit final : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

// `dialog` within `available` (the room of a screen less the window manager's frame).
void FitDialogInto(QWidget& dialog, const QSize& available);
