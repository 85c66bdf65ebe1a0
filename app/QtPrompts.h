#pragma once

#include "platform/Prompts.h"

#include <QPointer>
#include <QWidget>

#include <functional>

class UiThreadCall;

// The window's message boxes. On the user-interface thread a box is shown at once. From a
// worker thread a question (Yes/No) is handed to the user-interface thread and its answer
// waited for; a notice (OK only) is handed over without waiting, since its answer carries
// nothing and a waiting thread could be the one the user-interface thread is stopping.
class QtPrompts final : public IPrompts {
public:
    using Presenter = std::function<PromptAnswer(const PromptRequest&)>;

    explicit QtPrompts(UiThreadCall& ui);

    PromptAnswer Show(const PromptRequest& request) override;

    // The owner of the boxes: the main window.
    void SetOwner(QWidget* owner) { m_owner = owner; }
    // Replaces the message box (tests answer boxes this way); runs on the user-interface thread.
    void SetPresenter(Presenter presenter) { m_presenter = std::move(presenter); }

    // The box of a request, with its text, caption, icon, buttons and default button.
    static PromptAnswer ShowMessageBox(QWidget* owner, const PromptRequest& request);

private:
    UiThreadCall& m_ui;
    QPointer<QWidget> m_owner;
    Presenter m_presenter;
};
