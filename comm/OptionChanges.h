#pragma once

#include "platform/Settings.h"

#include <cstdint>
#include <string>

class RegistryStore;

// The objects that use the options. Each call hands over the new value of an option that
// changed.
class IOptionUsers {
public:
    virtual ~IOptionUsers() = default;

    // The statistics panel, the route-guidance panel, the view and the document.
    virtual void SetDistanceUnits(std::int32_t units) = 0;
    // The statistics panel and the view (the live track's statistics).
    virtual void SetShowFullDTStatistic(std::int32_t show) = 0;
    // The view (the recorded track's statistics).
    virtual void SetShowFullFFStatistic(std::int32_t show) = 0;
    // The route-guidance panel.
    virtual void SetAutomaticallyFollowTheRoute(std::int32_t follow) = 0;
    // The registered virtual port is withdrawn and the new one registered.
    virtual void ChangeVirtualSerialPort(std::int32_t index) = 0;
    // The document (KML export).
    virtual void SetGoogleTrackLineColored(std::int32_t colored) = 0;
    // The main frame's arrival radius; the route-guidance panel recomputes.
    virtual void SetKindOfRouteGuidance(std::int32_t kind) = 0;
    // The document (KML export).
    virtual void SetAntennaAltitudeMode(std::int32_t mode) = 0;
    // The application core, which reopens a running autopilot port on the new one.
    virtual void SetAutopilotPort(const std::string& port) = 0;
};

// OK in the option dialog, over the eight General values that the dialog edits (the others
// are left alone), then the autopilot port (written below the communication key). Option by option,
// in the order of the declaration above: when the chosen value differs from the current one it is
// handed to its users, then the option's value is written to the "General" key, changed or not, so
// that the stored values are the ones in force afterwards. Write failures are ignored, as every
// settings write is.
void ApplyOptions(const GeneralSettings& current, const GeneralSettings& chosen,
                  IOptionUsers& users, RegistryStore& registry);
