#include "app/dialogs/CPlaybackOptionsDlg.h"

#include <QCheckBox>
#include <QComboBox>

namespace {

// "None", then "COM0:" to "COM9:".
CZRVTabScrollPageBaseDialog::ListEntries PortEntries() {
    CZRVTabScrollPageBaseDialog::ListEntries entries{{QStringLiteral("None"), -1}};
    for (int index = 0; index <= 9; ++index) {
        entries.emplace_back(QStringLiteral("COM%1:").arg(index), index);
    }
    return entries;
}

} // namespace

CPlaybackOptionsDlg::CPlaybackOptionsDlg(const GeneralSettings& values, QWidget* parent)
    : CZRVTabScrollPageBaseDialog(parent),
      m_fullStatistic(
          AddCheckBox("Show full statistic for Recorde&d", values.showFullFFStatistic != 0)),
      m_port(AddList("Virtual &COM Port:", PortEntries(), values.vSerialPort)) {}

void CPlaybackOptionsDlg::Store(GeneralSettings& values) const {
    values.showFullFFStatistic = m_fullStatistic->isChecked() ? 1 : 0;
    values.vSerialPort = ListValue(*m_port, values.vSerialPort);
}
