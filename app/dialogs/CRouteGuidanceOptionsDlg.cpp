#include "app/dialogs/CRouteGuidanceOptionsDlg.h"

#include <QCheckBox>
#include <QComboBox>

CRouteGuidanceOptionsDlg::CRouteGuidanceOptionsDlg(const GeneralSettings& values, QWidget* parent)
    : CZRVTabScrollPageBaseDialog(parent),
      m_kind(AddList("Kind of route &guidance:", {{"Walk", 1}, {"Drive", 2}, {"Flight", 3}},
                     values.kindOfRouteGuidance)),
      m_follow(AddCheckBox("&Automatically follow the route",
                           values.automaticallyFollowTheRoute != 0)) {}

void CRouteGuidanceOptionsDlg::Store(GeneralSettings& values) const {
    values.kindOfRouteGuidance = ListValue(*m_kind, values.kindOfRouteGuidance);
    values.automaticallyFollowTheRoute = m_follow->isChecked() ? 1 : 0;
}
