#pragma once

#include <QDialog>

#include <functional>

class IPrompts;
class QLineEdit;

// A new name for a route.
class CRenameDlg final : public QDialog {
public:
    explicit CRenameDlg(const QString& name, QWidget* parent = nullptr);

    QString Name() const;
    QLineEdit* NameEdit() const { return m_name; }

    // OK then keeps the dialog open, with what was typed, until `rename` took the name: a name
    // the store cannot keep is refused first (the prompts say why), then `rename` runs, asks
    // its own questions, and returns false when the route kept its name.
    void OnConfirm(IPrompts& prompts, std::function<bool()> rename) {
        m_prompts = &prompts;
        m_rename = std::move(rename);
    }
    void accept() override;

private:
    QLineEdit* m_name;
    IPrompts* m_prompts = nullptr;
    std::function<bool()> m_rename;
};
