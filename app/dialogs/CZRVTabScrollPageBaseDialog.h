#pragma once

#include <QScrollArea>

#include <QString>
#include <QStringList>

#include <utility>
#include <vector>

class QCheckBox;
class QComboBox;
class QVBoxLayout;

// A page of a tabbed dialog whose controls scroll vertically when the screen is too low for
// them, one below the other: a label above each list, check boxes on their own.
class CZRVTabScrollPageBaseDialog : public QScrollArea {
public:
    explicit CZRVTabScrollPageBaseDialog(QWidget* parent = nullptr);

    // The entries of a list: its text and the value it stands for.
    using ListEntries = std::vector<std::pair<QString, int>>;

    // The value of the list's chosen entry; `fallback` when no entry is chosen (the value in
    // force was none of the entries).
    static int ListValue(const QComboBox& list, int fallback);

protected:
    // A list under its label (with its mnemonic) with the entry of `value` chosen.
    QComboBox* AddList(const char* label, const ListEntries& entries, int value);
    // A list under its label that also takes a typed text, showing `text`.
    QComboBox* AddEditableList(const char* label, const QStringList& entries, const QString& text);
    QCheckBox* AddCheckBox(const char* text, bool checked);
    // A line of text under the control before it.
    void AddHint(const char* text);

private:
    QVBoxLayout* m_layout;
};
