#pragma once

#include "app/dialogs/CZRVTabScrollPageBaseDialog.h"
#include "platform/Settings.h"

// The "Playback" page: full statistics of the recorded track, and the virtual serial port that
// other programs read a playback from.
class CPlaybackOptionsDlg final : public CZRVTabScrollPageBaseDialog {
public:
    explicit CPlaybackOptionsDlg(const GeneralSettings& values, QWidget* parent = nullptr);

    void Store(GeneralSettings& values) const;

    QCheckBox* FullStatisticBox() const { return m_fullStatistic; }
    QComboBox* PortList() const { return m_port; }

private:
    QCheckBox* m_fullStatistic;
    QComboBox* m_port;
};
