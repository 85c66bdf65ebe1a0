#include "app/dialogs/CRouteGuidanceOptionsDlg.h"

#include <QCheckBox>
#include <QComboBox>

namespace {

const QString kNoAutopilot = QStringLiteral("None");

// "None", the ports "COM0:" to "COM9:" (the virtual port among them), and the network
// destinations an autopilot's multiplexer is usually pointed at.
QStringList AutopilotEntries() {
    QStringList entries{kNoAutopilot};
    for (int index = 0; index <= 9; ++index) {
        entries << QStringLiteral("COM%1:").arg(index);
    }
    entries << QStringLiteral("tcp-server://:10110") << QStringLiteral("udp://127.0.0.1:10110");
    return entries;
}

} // namespace

CRouteGuidanceOptionsDlg::CRouteGuidanceOptionsDlg(const GeneralSettings& values, QWidget* parent)
    : CZRVTabScrollPageBaseDialog(parent),
      m_kind(AddList("Kind of route &guidance:", {{"Walk", 1}, {"Drive", 2}, {"Flight", 3}},
                     values.kindOfRouteGuidance)),
      m_follow(
          AddCheckBox("&Automatically follow the route", values.automaticallyFollowTheRoute != 0)),
      m_autopilot(AddEditableList("Autopilot &port:", AutopilotEntries(),
                                  values.autopilotPort.empty()
                                      ? kNoAutopilot
                                      : QString::fromStdString(values.autopilotPort))) {
    AddHint("A port, tcp-server://:PORT or udp://HOST:PORT");
}

void CRouteGuidanceOptionsDlg::Store(GeneralSettings& values) const {
    values.kindOfRouteGuidance = ListValue(*m_kind, values.kindOfRouteGuidance);
    values.automaticallyFollowTheRoute = m_follow->isChecked() ? 1 : 0;
    const QString port = m_autopilot->currentText().trimmed();
    values.autopilotPort = port == kNoAutopilot ? std::string() : port.toStdString();
}
