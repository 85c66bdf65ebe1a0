#pragma once

#include <QDialog>

class IPrompts;
class QLineEdit;

// A new name for a route.
class CRenameDlg final : public QDialog {
public:
    explicit CRenameDlg(const QString& name, QWidget* parent = nullptr);

    QString Name() const;
    QLineEdit* NameEdit() const { return m_name; }

    // OK then keeps the dialog open, with what was typed, while the name is one the store
    // cannot keep; the prompts say why.
    void CheckNameWith(IPrompts& prompts) { m_prompts = &prompts; }
    void accept() override;

private:
    QLineEdit* m_name;
    IPrompts* m_prompts = nullptr;
};
