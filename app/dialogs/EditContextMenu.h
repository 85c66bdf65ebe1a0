#pragma once

class QAbstractSpinBox;
class QLineEdit;
class QMenu;
class QWidget;

// The context menu of the program's edit fields, on tap and hold or the right button: "&Undo",
// "&Redo", "Cu&t", "&Copy", "&Paste", "&Delete", "Select &All", each enabled when it can act.

// The menu for `edit`, owned by `parent`; its entries act on `edit`.
QMenu* CreateEditContextMenu(QLineEdit& edit, QWidget* parent);

// Gives the field that menu in place of the toolkit's own.
void UseEditContextMenu(QLineEdit& edit);
// The same for the text of a spin box, whose own menu would add stepping entries.
void UseEditContextMenu(QAbstractSpinBox& spin);
