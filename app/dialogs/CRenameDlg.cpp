#include "app/dialogs/CRenameDlg.h"

#include "app/dialogs/EditContextMenu.h"
#include "navigation/ListCommands.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>

CRenameDlg::CRenameDlg(const QString& name, QWidget* parent)
    : QDialog(parent), m_name(new QLineEdit(name, this)) {
    setWindowTitle(QStringLiteral("Rename"));
    auto* form = new QFormLayout(this);
    form->addRow(QStringLiteral("&Name:"), m_name);
    m_name->selectAll();
    UseEditContextMenu(*m_name);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    form->addRow(buttons);
}

QString CRenameDlg::Name() const {
    return m_name->text();
}

void CRenameDlg::accept() {
    if (m_prompts != nullptr &&
        (!CheckTypedName(*m_prompts, Name().toStdString()) || (m_rename && !m_rename()))) {
        m_name->setFocus();
        return;
    }
    QDialog::accept();
}
