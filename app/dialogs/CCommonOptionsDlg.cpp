#include "app/dialogs/CCommonOptionsDlg.h"

#include <QCheckBox>
#include <QComboBox>

CCommonOptionsDlg::CCommonOptionsDlg(const GeneralSettings& values, QWidget* parent)
    : CZRVTabScrollPageBaseDialog(parent),
      m_units(
          AddList("Distance and Altitude &unuts:",
                  {{"Kilometers/Meters", 1}, {"Statute Miles/Feet", 2}, {"Nautical Miles/Feet", 3}},
                  values.distanceUnits)),
      m_colored(AddCheckBox("Save Track Speed-&Colored", values.googleTrackLineColored != 0)) {
    AddHint("On - Google Earth (PC);");
    AddHint("Off - Google Maps (Mobile);");
    m_altitudeMode = AddList("Altitude &mode:", {{"Clamped to ground", 1}, {"Absolute", 2}},
                             values.antennaAltitudeMode);
}

void CCommonOptionsDlg::Store(GeneralSettings& values) const {
    values.distanceUnits = ListValue(*m_units, values.distanceUnits);
    values.googleTrackLineColored = m_colored->isChecked() ? 1 : 0;
    values.antennaAltitudeMode = ListValue(*m_altitudeMode, values.antennaAltitudeMode);
}
