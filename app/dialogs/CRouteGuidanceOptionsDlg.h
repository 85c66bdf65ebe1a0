#pragma once

#include "app/dialogs/CZRVTabScrollPageBaseDialog.h"
#include "platform/Settings.h"

// The "Route Guidance" page: the kind of route guidance (which sets the arrival radius) and
// whether guidance follows the route on its own, and the port the autopilot is steered at.
class CRouteGuidanceOptionsDlg final : public CZRVTabScrollPageBaseDialog {
public:
    explicit CRouteGuidanceOptionsDlg(const GeneralSettings& values, QWidget* parent = nullptr);

    // Puts the choices of this page into `values`, which holds the options in force: a list
    // whose value in force is none of its entries keeps that value.
    void Store(GeneralSettings& values) const;

    QComboBox* KindList() const { return m_kind; }
    QCheckBox* FollowBox() const { return m_follow; }
    QComboBox* AutopilotList() const { return m_autopilot; }

private:
    QComboBox* m_kind;
    QCheckBox* m_follow;
    QComboBox* m_autopilot;
};
