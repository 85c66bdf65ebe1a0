#pragma once

#include <QString>

#include <functional>

class IPrompts;
class QDialog;
class QWidget;

// Runs `work` on a worker thread while a modal box says what is under way, so that the window
// keeps drawing, the receive threads are not held up by the window, and the boxes the work
// shows reach the user. The box cannot be closed by the user: it closes when the work has
// ended, and the call returns then. Without a thread the work runs here, holding the window.
// An exception that leaves the work is reported through `prompts`.
//
// `shown` is called on the window's thread once the box is up, before the work starts.
void RunWithBusyBox(QWidget* parent, const QString& title, const QString& text, IPrompts& prompts,
                    const std::function<void()>& work,
                    const std::function<void(QDialog&)>& shown = {});
