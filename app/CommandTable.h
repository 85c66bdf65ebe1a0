#pragma once

#include <QString>

#include <span>

class CMainFrame;

// What a command's update handler shows in the menu.
struct CommandUi {
    bool enabled = true;
    bool checkable = false;
    bool checked = false;
    QString text; // empty: the item's own text
};

// One row of the main frame's command table: the id, the menu path (levels separated by
// " / "), the handler and the update handler; a command without an update handler is always
// enabled.
struct FrameCommand {
    int id;
    const char* menuPath;
    void (CMainFrame::*handler)(int id);
    void (CMainFrame::*update)(int id, CommandUi& ui);
};

// The table, in menu order.
std::span<const FrameCommand> FrameCommands();

// The row of `id`, or null.
const FrameCommand* FindFrameCommand(int id);
