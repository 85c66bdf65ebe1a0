#pragma once

#include "comm/OptionChanges.h"

class ApplicationCore;
class CObrin2View;
class IDeviceManager;

// The window's users of the options: the view with its statistics and route-guidance panels,
// the virtual serial port, and the values the frame's commands read (the KML export options
// of the document, the route-guidance kind whose arrival radius spaces imported waypoints).
class WindowOptionUsers final : public IOptionUsers {
public:
    // `frameSettings`: the General values the frame's commands read.
    WindowOptionUsers(CObrin2View& view, GeneralSettings& frameSettings, ApplicationCore& core,
                      IDeviceManager& devices)
        : m_view(view), m_frameSettings(frameSettings), m_core(core), m_devices(devices) {}

    void SetDistanceUnits(std::int32_t units) override;
    void SetShowFullDTStatistic(std::int32_t show) override;
    void SetShowFullFFStatistic(std::int32_t show) override;
    void SetAutomaticallyFollowTheRoute(std::int32_t follow) override;
    void ChangeVirtualSerialPort(std::int32_t index) override;
    void SetGoogleTrackLineColored(std::int32_t colored) override;
    void SetKindOfRouteGuidance(std::int32_t kind) override;
    void SetAntennaAltitudeMode(std::int32_t mode) override;
    void SetAutopilotPort(const std::string& port) override;

private:
    CObrin2View& m_view;
    GeneralSettings& m_frameSettings;
    ApplicationCore& m_core;
    IDeviceManager& m_devices;
};
