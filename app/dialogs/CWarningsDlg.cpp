#include "app/dialogs/CWarningsDlg.h"

#include <QDialogButtonBox>
#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace {

constexpr const char* kParagraphs[] = {
    "\tFailure to avoid the following potentially hazardous situations could result in an "
    "accident or collision resulting in death or serious injury.\r\n",
    "\tAlways operate the vehicle in a safe manner.\r\n",
    "\tDo not become distracted by the software while driving, and always be fully aware of all "
    "driving conditions.\r\n",
    "\tMinimize the amount of time spent viewing the unit's screen while driving.\r\n",
    "\tDo not input information, change settings, or access any functions requiring prolonged "
    "use of the software's controls while driving.\r\n",
    "\tPull over in a safe and legal manner before attempting such operations.\r\n",
};

} // namespace

QString CWarningsDlg::WarningsText() {
    QString text;
    for (const char* paragraph : kParagraphs) {
        text += QString::fromLatin1(paragraph);
    }
    return text;
}

CWarningsDlg::CWarningsDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Warnings"));
    auto* text = new QPlainTextEdit(this);
    text->setReadOnly(true);
    // The paragraphs end with CR LF as they were written for the handheld's edit control.
    text->setPlainText(WarningsText().replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    text->setTabStopDistance(text->fontMetrics().horizontalAdvance(QLatin1Char(' ')) * 4);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text);
    layout->addWidget(buttons);
    resize(440, 360);
}
