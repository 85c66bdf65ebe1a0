#include "app/QtPrompts.h"

#include "app/UiThreadCall.h"

#include <QMessageBox>

namespace {

QMessageBox::Icon IconOf(PromptIcon icon) {
    switch (icon) {
    case PromptIcon::Stop:
        return QMessageBox::Critical;
    case PromptIcon::Information:
        return QMessageBox::Information;
    case PromptIcon::Exclamation:
        return QMessageBox::Warning;
    case PromptIcon::Question:
        return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

// What a box answers when it cannot be shown any more (the program is closing).
PromptAnswer DefaultAnswer(const PromptRequest& request) {
    if (request.buttons == PromptButtons::Ok) {
        return PromptAnswer::Ok;
    }
    return request.defaultNo ? PromptAnswer::No : PromptAnswer::Yes;
}

} // namespace

QtPrompts::QtPrompts(UiThreadCall& ui) : m_ui(ui) {}

PromptAnswer QtPrompts::ShowMessageBox(QWidget* owner, const PromptRequest& request) {
    const bool yesNo = request.buttons == PromptButtons::YesNo;
    QMessageBox box(IconOf(request.icon), QString::fromStdString(request.caption),
                    QString::fromStdString(request.text),
                    yesNo ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok, owner);
    box.setDefaultButton(!yesNo              ? QMessageBox::Ok
                         : request.defaultNo ? QMessageBox::No
                                             : QMessageBox::Yes);
    switch (box.exec()) {
    case QMessageBox::Yes:
        return PromptAnswer::Yes;
    case QMessageBox::No:
        return PromptAnswer::No;
    default:
        // Escape or the close button of a question counts as its default answer.
        return yesNo ? DefaultAnswer(request) : PromptAnswer::Ok;
    }
}

PromptAnswer QtPrompts::Show(const PromptRequest& request) {
    const auto present = [this, request] {
        return m_presenter ? m_presenter(request) : ShowMessageBox(m_owner, request);
    };
    if (!m_ui.OnUiThread() && request.buttons == PromptButtons::Ok) {
        m_ui.Post([present] { present(); });
        return PromptAnswer::Ok;
    }
    return m_ui.Call<PromptAnswer>(present).value_or(DefaultAnswer(request));
}
