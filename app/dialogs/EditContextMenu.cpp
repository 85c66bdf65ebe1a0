#include "app/dialogs/EditContextMenu.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QMenu>

QMenu* CreateEditContextMenu(QLineEdit& edit, QWidget* parent) {
    auto* menu = new QMenu(parent);
    const bool writable = !edit.isReadOnly();
    const bool selected = edit.hasSelectedText();
    const bool hidden = edit.echoMode() != QLineEdit::Normal;
    menu->addAction(QStringLiteral("&Undo"), &edit, &QLineEdit::undo)
        ->setEnabled(writable && edit.isUndoAvailable());
    menu->addAction(QStringLiteral("&Redo"), &edit, &QLineEdit::redo)
        ->setEnabled(writable && edit.isRedoAvailable());
    menu->addSeparator();
    menu->addAction(QStringLiteral("Cu&t"), &edit, &QLineEdit::cut)
        ->setEnabled(writable && selected && !hidden);
    menu->addAction(QStringLiteral("&Copy"), &edit, &QLineEdit::copy)
        ->setEnabled(selected && !hidden);
    menu->addAction(QStringLiteral("&Paste"), &edit, &QLineEdit::paste)
        ->setEnabled(writable && !QApplication::clipboard()->text().isEmpty());
    menu->addAction(QStringLiteral("&Delete"), &edit, &QLineEdit::del)
        ->setEnabled(writable && selected);
    menu->addSeparator();
    menu->addAction(QStringLiteral("Select &All"), &edit, &QLineEdit::selectAll)
        ->setEnabled(!edit.text().isEmpty() && edit.selectedText() != edit.text());
    return menu;
}

namespace {

void ShowMenu(QLineEdit& edit, QWidget& owner, const QPoint& pos) {
    QMenu* menu = CreateEditContextMenu(edit, &owner);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(owner.mapToGlobal(pos));
}

} // namespace

void UseEditContextMenu(QLineEdit& edit) {
    edit.setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(&edit, &QWidget::customContextMenuRequested, &edit,
                     [&edit](const QPoint& pos) { ShowMenu(edit, edit, pos); });
}

void UseEditContextMenu(QAbstractSpinBox& spin) {
    // Every spin box has its text field; a request on it reaches the spin box.
    QLineEdit* edit = spin.findChild<QLineEdit*>();
    spin.setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(&spin, &QWidget::customContextMenuRequested, &spin,
                     [edit, &spin](const QPoint& pos) { ShowMenu(*edit, spin, pos); });
}
