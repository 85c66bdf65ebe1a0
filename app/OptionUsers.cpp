#include "app/OptionUsers.h"

#include "app/view/CObrin2View.h"
#include "comm/ApplicationCore.h"
#include "comm/VirtualPortRegistration.h"

void WindowOptionUsers::SetDistanceUnits(std::int32_t units) {
    m_view.SetDistanceUnits(units);
    m_frameSettings.distanceUnits = units;
}

void WindowOptionUsers::SetShowFullDTStatistic(std::int32_t show) {
    m_view.SetShowFullStatistic(kEngineTrack2, show != 0);
    m_frameSettings.showFullDTStatistic = show;
}

void WindowOptionUsers::SetShowFullFFStatistic(std::int32_t show) {
    m_view.SetShowFullStatistic(kEngineTrack1, show != 0);
    m_frameSettings.showFullFFStatistic = show;
}

void WindowOptionUsers::SetAutomaticallyFollowTheRoute(std::int32_t follow) {
    m_view.SetFollowTheRoute(follow != 0);
    m_frameSettings.automaticallyFollowTheRoute = follow;
}

void WindowOptionUsers::ChangeVirtualSerialPort(std::int32_t index) {
    ::ChangeVirtualSerialPort({m_core.Registry(), m_devices, m_core.Prompts()}, index);
    m_core.SetVirtualSerialPortIndex(index);
    m_frameSettings.vSerialPort = index;
}

void WindowOptionUsers::SetGoogleTrackLineColored(std::int32_t colored) {
    m_frameSettings.googleTrackLineColored = colored;
}

void WindowOptionUsers::SetKindOfRouteGuidance(std::int32_t kind) {
    m_frameSettings.kindOfRouteGuidance = kind;
    m_view.SetRouteGuidanceKind(kind);
}

void WindowOptionUsers::SetAntennaAltitudeMode(std::int32_t mode) {
    m_frameSettings.antennaAltitudeMode = mode;
}

void WindowOptionUsers::SetAutopilotPort(const std::string& port) {
    m_frameSettings.autopilotPort = port;
    m_core.SetAutopilotPort(port);
}
