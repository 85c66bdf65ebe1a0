// OK of the option dialog without a window: which users hear of which option, in which
// order, and what the settings file holds afterwards.
#include "comm/OptionChanges.h"
#include "platform/PlatformPaths.h"
#include "platform/RegistryAccessor.h"
#include "platform/RegistryStore.h"
#include "platform/ScriptedPrompts.h"
#include "platform/SettingsKeys.h"
#include "platform/SettingsStore.h"
#include "tests/support/TestPaths.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

// Records every call as "Name value".
class RecordingUsers final : public IOptionUsers {
public:
    void SetDistanceUnits(std::int32_t v) override { Add("DistanceUnits", v); }
    void SetShowFullDTStatistic(std::int32_t v) override { Add("ShowFullDTStatistic", v); }
    void SetShowFullFFStatistic(std::int32_t v) override { Add("ShowFullFFStatistic", v); }
    void SetAutomaticallyFollowTheRoute(std::int32_t v) override {
        Add("AutomaticallyFollowTheRoute", v);
    }
    void ChangeVirtualSerialPort(std::int32_t v) override { Add("VSerialPort", v); }
    void SetGoogleTrackLineColored(std::int32_t v) override { Add("GoogleTrackLineColored", v); }
    void SetKindOfRouteGuidance(std::int32_t v) override { Add("KindOfRouteGuidance", v); }
    void SetAntennaAltitudeMode(std::int32_t v) override { Add("AntennaAltitudeMode", v); }
    void SetAutopilotPort(const std::string& port) override {
        calls.push_back("AutopilotPort " + port);
    }

    std::vector<std::string> calls;

private:
    void Add(const char* name, std::int32_t value) {
        calls.push_back(std::string(name) + " " + std::to_string(value));
    }
};

// Every option different from the defaults.
GeneralSettings AllChanged() {
    GeneralSettings general;
    general.distanceUnits = 1;
    general.showFullDTStatistic = 0;
    general.showFullFFStatistic = 0;
    general.automaticallyFollowTheRoute = 0;
    general.vSerialPort = 4;
    general.googleTrackLineColored = 0;
    general.kindOfRouteGuidance = 3;
    general.antennaAltitudeMode = 2;
    general.autopilotPort = "tcp-server://:10110";
    return general;
}

struct OptionsFile {
    OptionsFile() : paths(PlatformPaths::Below(home.Path())), registry(paths, &prompts) {}

    // The General values as a fresh load of the file finds them.
    GeneralSettings Stored() {
        RegistryStore reread(paths, &prompts);
        return LoadSettings(reread).general;
    }

    testpaths::TempDir home;
    PlatformPaths paths;
    ScriptedPrompts prompts;
    RegistryStore registry;
};

TEST(OptionChanges, ChangedOptionsReachTheirUsersInOrderAndAllAreStored) {
    OptionsFile settings;
    RecordingUsers users;
    ApplyOptions(GeneralSettings{}, AllChanged(), users, settings.registry);
    EXPECT_EQ(users.calls, (std::vector<std::string>{
                               "DistanceUnits 1", "ShowFullDTStatistic 0", "ShowFullFFStatistic 0",
                               "AutomaticallyFollowTheRoute 0", "VSerialPort 4",
                               "GoogleTrackLineColored 0", "KindOfRouteGuidance 3",
                               "AntennaAltitudeMode 2", "AutopilotPort tcp-server://:10110"}));
    EXPECT_EQ(settings.Stored(), AllChanged());
}

TEST(OptionChanges, EachOptionReachesOnlyItsOwnUsers) {
    const std::vector<std::string> names = {"DistanceUnits",       "ShowFullDTStatistic",
                                            "ShowFullFFStatistic", "AutomaticallyFollowTheRoute",
                                            "VSerialPort",         "GoogleTrackLineColored",
                                            "KindOfRouteGuidance", "AntennaAltitudeMode"};
    std::int32_t GeneralSettings::*const members[] = {
        &GeneralSettings::distanceUnits,       &GeneralSettings::showFullDTStatistic,
        &GeneralSettings::showFullFFStatistic, &GeneralSettings::automaticallyFollowTheRoute,
        &GeneralSettings::vSerialPort,         &GeneralSettings::googleTrackLineColored,
        &GeneralSettings::kindOfRouteGuidance, &GeneralSettings::antennaAltitudeMode};
    const GeneralSettings changed = AllChanged();
    for (std::size_t i = 0; i < names.size(); ++i) {
        SCOPED_TRACE(names[i]);
        OptionsFile settings;
        RecordingUsers users;
        GeneralSettings chosen;
        chosen.*members[i] = changed.*members[i];
        ApplyOptions(GeneralSettings{}, chosen, users, settings.registry);
        EXPECT_EQ(users.calls,
                  (std::vector<std::string>{names[i] + " " + std::to_string(changed.*members[i])}));
        EXPECT_EQ(settings.Stored(), chosen);
    }
}

TEST(OptionChanges, NoChangeTouchesNoUserAndStoresTheValuesInForce) {
    OptionsFile settings;
    // Values in the file that are not the ones in force (written by another program).
    CRegistryAccessor accessor(settings.registry);
    accessor.SetKey(settings_keys::kGeneral);
    accessor.SetValueName(settings_keys::kDistanceUnits);
    accessor.WriteDword(2);
    accessor.SetValueName(settings_keys::kVSerialPort);
    accessor.WriteDword(7);
    RecordingUsers users;
    const GeneralSettings inForce = AllChanged();
    ApplyOptions(inForce, inForce, users, settings.registry);
    EXPECT_TRUE(users.calls.empty());
    EXPECT_EQ(settings.Stored(), inForce);
}

} // namespace
