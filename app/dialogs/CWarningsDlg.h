#pragma once

#include <QDialog>
#include <QString>

// The safety warnings: a read-only text of six paragraphs and OK.
class CWarningsDlg final : public QDialog {
public:
    explicit CWarningsDlg(QWidget* parent = nullptr);

    // The text shown, paragraph after paragraph.
    static QString WarningsText();
};
