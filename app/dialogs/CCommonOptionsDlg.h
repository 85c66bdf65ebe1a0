#pragma once

#include "app/dialogs/CZRVTabScrollPageBaseDialog.h"
#include "platform/Settings.h"

// The "Common" page: the units of distances and altitudes, and how a track is saved as KML.
class CCommonOptionsDlg final : public CZRVTabScrollPageBaseDialog {
public:
    explicit CCommonOptionsDlg(const GeneralSettings& values, QWidget* parent = nullptr);

    void Store(GeneralSettings& values) const;

    QComboBox* UnitsList() const { return m_units; }
    QCheckBox* ColoredBox() const { return m_colored; }
    QComboBox* AltitudeModeList() const { return m_altitudeMode; }

private:
    QComboBox* m_units;
    QCheckBox* m_colored;
    QComboBox* m_altitudeMode;
};
