#include "comm/OptionChanges.h"

#include "platform/RegistryAccessor.h"
#include "platform/SettingsKeys.h"

namespace keys = settings_keys;

namespace {

struct OptionRow {
    const char* valueName;
    std::int32_t GeneralSettings::*value;
    void (IOptionUsers::*apply)(std::int32_t);
};

// The order in which OK applies and writes the options.
constexpr OptionRow kOptionRows[] = {
    {keys::kDistanceUnits, &GeneralSettings::distanceUnits, &IOptionUsers::SetDistanceUnits},
    {keys::kShowFullDTStatistic, &GeneralSettings::showFullDTStatistic,
     &IOptionUsers::SetShowFullDTStatistic},
    {keys::kShowFullFFStatistic, &GeneralSettings::showFullFFStatistic,
     &IOptionUsers::SetShowFullFFStatistic},
    {keys::kAutomaticallyFollowTheRoute, &GeneralSettings::automaticallyFollowTheRoute,
     &IOptionUsers::SetAutomaticallyFollowTheRoute},
    {keys::kVSerialPort, &GeneralSettings::vSerialPort, &IOptionUsers::ChangeVirtualSerialPort},
    {keys::kGoogleTrackLineColored, &GeneralSettings::googleTrackLineColored,
     &IOptionUsers::SetGoogleTrackLineColored},
    {keys::kKindOfRouteGuidance, &GeneralSettings::kindOfRouteGuidance,
     &IOptionUsers::SetKindOfRouteGuidance},
    {keys::kAntennaAltitudeMode, &GeneralSettings::antennaAltitudeMode,
     &IOptionUsers::SetAntennaAltitudeMode},
};

} // namespace

void ApplyOptions(const GeneralSettings& current, const GeneralSettings& chosen,
                  IOptionUsers& users, RegistryStore& registry) {
    CRegistryAccessor accessor(registry);
    accessor.SetKey(keys::kGeneral);
    for (const OptionRow& row : kOptionRows) {
        const std::int32_t value = chosen.*row.value;
        if (value != current.*row.value) {
            (users.*row.apply)(value);
        }
        accessor.SetValueName(row.valueName);
        accessor.WriteDword(static_cast<std::uint32_t>(value));
    }
    if (chosen.autopilotPort != current.autopilotPort) {
        users.SetAutopilotPort(chosen.autopilotPort);
    }
    accessor.SetKey(keys::kCommunication);
    accessor.SetValueName(keys::kAutopilotPort);
    accessor.WriteString(chosen.autopilotPort);
}
