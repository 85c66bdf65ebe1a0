#pragma once

#include <QDialog>

class QLineEdit;

// A new name for a route.
class CRenameDlg final : public QDialog {
public:
    explicit CRenameDlg(const QString& name, QWidget* parent = nullptr);

    QString Name() const;
    QLineEdit* NameEdit() const { return m_name; }

private:
    QLineEdit* m_name;
};
