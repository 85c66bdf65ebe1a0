#include "app/dialogs/CZRVTabScrollPageBaseDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QVBoxLayout>

CZRVTabScrollPageBaseDialog::CZRVTabScrollPageBaseDialog(QWidget* parent) : QScrollArea(parent) {
    setWidgetResizable(true);
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto* content = new QWidget(this);
    m_layout = new QVBoxLayout(content);
    m_layout->addStretch();
    setWidget(content);
}

int CZRVTabScrollPageBaseDialog::ListValue(const QComboBox& list, int fallback) {
    return list.currentIndex() < 0 ? fallback : list.currentData().toInt();
}

QComboBox* CZRVTabScrollPageBaseDialog::AddList(const char* label, const ListEntries& entries,
                                                int value) {
    auto* text = new QLabel(QString::fromUtf8(label), widget());
    auto* list = new QComboBox(widget());
    for (const auto& [entry, entryValue] : entries) {
        list->addItem(entry, entryValue);
    }
    list->setCurrentIndex(list->findData(value));
    text->setBuddy(list);
    // Before the closing stretch, which keeps the controls at the top.
    m_layout->insertWidget(m_layout->count() - 1, text);
    m_layout->insertWidget(m_layout->count() - 1, list);
    return list;
}

QComboBox* CZRVTabScrollPageBaseDialog::AddEditableList(const char* label,
                                                        const QStringList& entries,
                                                        const QString& text) {
    QComboBox* list = AddList(label, {}, 0);
    list->setEditable(true);
    list->setInsertPolicy(QComboBox::NoInsert);
    list->addItems(entries);
    if (const int index = list->findText(text); index >= 0) {
        list->setCurrentIndex(index);
    } else {
        list->setEditText(text);
    }
    return list;
}

QCheckBox* CZRVTabScrollPageBaseDialog::AddCheckBox(const char* text, bool checked) {
    auto* box = new QCheckBox(QString::fromUtf8(text), widget());
    box->setChecked(checked);
    m_layout->insertWidget(m_layout->count() - 1, box);
    return box;
}

void CZRVTabScrollPageBaseDialog::AddHint(const char* text) {
    auto* hint = new QLabel(QString::fromUtf8(text), widget());
    hint->setIndent(hint->fontMetrics().horizontalAdvance(QLatin1Char(' ')) * 6);
    // The page never scrolls sideways: a hint wider than a narrow dialog wraps instead of
    // widening the page past its right edge.
    hint->setWordWrap(true);
    m_layout->insertWidget(m_layout->count() - 1, hint);
}
