#pragma once

#include "app/dialogs/CZRVTabScrollPageBaseDialog.h"
#include "platform/Settings.h"

// The "Record" page: full statistics of the live track.
class CRecordOptionsDlg final : public CZRVTabScrollPageBaseDialog {
public:
    explicit CRecordOptionsDlg(const GeneralSettings& values, QWidget* parent = nullptr);

    void Store(GeneralSettings& values) const;

    QCheckBox* FullStatisticBox() const { return m_fullStatistic; }

private:
    QCheckBox* m_fullStatistic;
};
