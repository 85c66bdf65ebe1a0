#include "app/dialogs/CRecordOptionsDlg.h"

#include <QCheckBox>
#include <QComboBox>

CRecordOptionsDlg::CRecordOptionsDlg(const GeneralSettings& values, QWidget* parent)
    : CZRVTabScrollPageBaseDialog(parent),
      m_fullStatistic(
          AddCheckBox("Show full statistic for Recordin&g", values.showFullDTStatistic != 0)) {}

void CRecordOptionsDlg::Store(GeneralSettings& values) const {
    values.showFullDTStatistic = m_fullStatistic->isChecked() ? 1 : 0;
}
