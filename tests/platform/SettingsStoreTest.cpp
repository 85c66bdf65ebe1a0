#include "platform/SettingsStore.h"
#include "platform/ListLayouts.h"
#include "platform/PlatformPaths.h"
#include "platform/RegistryAccessor.h"
#include "platform/RegistryStore.h"
#include "platform/ScriptedPrompts.h"
#include "platform/SettingsKeys.h"
#include "tests/support/TestPaths.h"

#include <gtest/gtest.h>

namespace keys = settings_keys;

namespace {

const std::string kComm = keys::kCommunication;

class SettingsStoreTest : public ::testing::Test {
protected:
    testpaths::TempDir dir;
    PlatformPaths paths = PlatformPaths::Below(dir.Path());
    ScriptedPrompts prompts;
    bool gpsdAnswers = false;
    RegistryStore store{paths, &prompts, [this] { return gpsdAnswers; }};

    void Put(const std::string& key, const std::string& name, const RegistryValue& value) {
        ASSERT_EQ(store.Write(RegistryRoot::CurrentUser, key, name, value), 0);
    }
    void Dword(const std::string& key, const std::string& name, std::uint32_t value) {
        Put(key, name, RegistryValue::Dword(value));
    }
    void Text(const std::string& key, const std::string& name, const std::string& value) {
        Put(key, name, RegistryValue::String(value));
    }
    void Machine(const std::string& text) {
        testpaths::WriteFileBytes(paths.machineRegistryFile, "REGEDIT4\n" + text);
    }
};

TEST_F(SettingsStoreTest, AnEmptyStoreGivesEveryDefault) {
    const Settings s = LoadSettings(store);
    EXPECT_TRUE(s.rememberedDevices.empty());
    EXPECT_EQ(s.source.kind, DeviceKind::None);
    EXPECT_EQ(s.destination.kind, DeviceKind::None);
    EXPECT_FALSE(s.builtInGps.enabled) << "no port is known for the built-in GPS";
    EXPECT_FALSE(s.builtInGps.use);
    const GeneralSettings& g = s.general;
    const std::int32_t loaded[] = {g.kindOfView,
                                   g.kindOfEngine,
                                   g.dtUserSelectableField,
                                   g.navUserSelectableField,
                                   g.distanceUnits,
                                   g.showFullDTStatistic,
                                   g.showFullFFStatistic,
                                   g.automaticallyFollowTheRoute,
                                   g.coordinateStyles,
                                   g.vSerialPort,
                                   g.googleTrackLineColored,
                                   g.kindOfRouteGuidance,
                                   g.antennaAltitudeMode,
                                   g.averaging,
                                   s.fromFile.playbackMode,
                                   s.fromFile.playbackDirection,
                                   s.fromFile.speedZoom,
                                   s.fromDirect.playbackMode,
                                   s.fromDirect.playbackDirection,
                                   s.fromDirect.speedZoom};
    const std::int32_t expected[] = {3, 2, 1, 1, 3, 1, 1, 1, 0, -1, 1, 2, 1, 1, 1, 1, 1, 1, 1, 1};
    EXPECT_TRUE(std::equal(std::begin(loaded), std::end(loaded), std::begin(expected)));
    const LastUsedIndexes last = LoadLastUsedIndexes(store);
    EXPECT_FALSE(last.route);
    EXPECT_FALSE(last.waypoint);
    EXPECT_TRUE(prompts.Shown().empty());
}

TEST_F(SettingsStoreTest, StoredValuesOverrideTheDefaults) {
    Dword(keys::kGeneral, keys::kDistanceUnits, 1);
    Dword(keys::kGeneral, keys::kVSerialPort, 5);
    Dword(keys::kGeneral, keys::kKindOfRouteGuidance, 3);
    Dword(keys::kGeneral, keys::kRouteLastUsedIndex, 0);
    Dword(keys::kPlaybackFromDirect, keys::kSpeedZoom, 8);
    Dword(keys::kPlaybackFromFile, keys::kPlaybackDirection, 0);
    const Settings s = LoadSettings(store);
    EXPECT_EQ(s.general.distanceUnits, 1);
    EXPECT_EQ(s.general.vSerialPort, 5);
    EXPECT_EQ(s.general.kindOfRouteGuidance, 3);
    EXPECT_EQ(s.fromDirect.speedZoom, 8);
    EXPECT_EQ(s.fromFile.speedZoom, 1);
    EXPECT_EQ(s.fromFile.playbackDirection, 0);
    EXPECT_EQ(LoadLastUsedIndexes(store).route, 0) << "0 is a valid route index";
}

TEST_F(SettingsStoreTest, AZeroViewOrEngineCountsAsMissing) {
    const struct {
        std::uint32_t view, engine;
        std::int32_t expectedView, expectedEngine;
        DrivingViewChoice initial;
    } cases[] = {
        {0, 0, 3, 2, {2, 3}}, {1, 0, 1, 2, {2, 1}}, {0, 1, 3, 1, {2, 3}}, {2, 1, 2, 1, {1, 2}},
        {1, 2, 1, 2, {2, 1}}, {3, 1, 3, 1, {2, 3}}, {1, 7, 1, 7, {2, 3}},
    };
    for (const auto& c : cases) {
        Dword(keys::kGeneral, keys::kKindOfView, c.view);
        Dword(keys::kGeneral, keys::kKindOfEngine, c.engine);
        const GeneralSettings g = LoadSettings(store).general;
        EXPECT_EQ(g.kindOfView, c.expectedView) << c.view << "/" << c.engine;
        EXPECT_EQ(g.kindOfEngine, c.expectedEngine) << c.view << "/" << c.engine;
        EXPECT_EQ(InitialDrivingView(g), c.initial) << c.view << "/" << c.engine;
    }
}

TEST_F(SettingsStoreTest, RememberedDevicesStopAtTheFirstGap) {
    const std::string devices = kComm + "\\BluetoothDevices\\BluetoothDevice_";
    Text(devices + "0", keys::kDeviceName, "Receiver A");
    Put(devices + "0", keys::kRemoteDeviceAddress, RegistryValue::Qword(0xA));
    Text(devices + "2", keys::kDeviceName, "Receiver C");
    Put(devices + "2", keys::kRemoteDeviceAddress, RegistryValue::Qword(0xC));
    EXPECT_EQ(LoadSettings(store).rememberedDevices,
              (std::vector<RememberedDevice>{{"Receiver A", 0xA}}));

    // A device without a name is skipped but does not end the list; one without an address
    // does.
    Put(devices + "1", keys::kRemoteDeviceAddress, RegistryValue::Qword(0xB));
    EXPECT_EQ(LoadSettings(store).rememberedDevices,
              (std::vector<RememberedDevice>{{"Receiver A", 0xA}, {"Receiver C", 0xC}}));
}

TEST_F(SettingsStoreTest, SavingRememberedDevicesReplacesTheWholeList) {
    const std::vector<RememberedDevice> many = {{"A", 1}, {"B", 2}, {"C", 3}};
    ASSERT_EQ(SaveRememberedDevices(store, many), 0);
    EXPECT_EQ(LoadSettings(store).rememberedDevices, many);
    const std::vector<RememberedDevice> fewer = {{"C", 3}};
    ASSERT_EQ(SaveRememberedDevices(store, fewer), 0);
    EXPECT_EQ(LoadSettings(store).rememberedDevices, fewer) << "no stale device 1 or 2";
}

TEST_F(SettingsStoreTest, OnlyBtAndSpConfigureADevice) {
    const struct {
        const char* kind;
        DeviceKind expected;
    } cases[] = {
        {"BT", DeviceKind::Bluetooth}, {"SP", DeviceKind::SerialPort}, {"bt", DeviceKind::None},
        {"", DeviceKind::None},        {"USB", DeviceKind::None},
    };
    for (const char* direction : {keys::kSource, keys::kDestination}) {
        const std::string key = kComm + "\\" + direction;
        Text(key, keys::kDeviceName, "Receiver");
        Put(key, keys::kRemoteDeviceAddress, RegistryValue::Qword(0x1234));
        Text(key, keys::kSerialPort, "COM4:");
        for (const auto& c : cases) {
            Text(key, keys::kDeviceKind, c.kind);
            const Settings s = LoadSettings(store);
            const DeviceSelection& selection =
                std::string(direction) == keys::kSource ? s.source : s.destination;
            EXPECT_EQ(selection.kind, c.expected) << direction << " " << c.kind;
            if (c.expected == DeviceKind::None) {
                EXPECT_EQ(selection, DeviceSelection{}) << direction << " " << c.kind;
            }
        }
        ASSERT_EQ(store.DeleteKey(RegistryRoot::CurrentUser, key), 0);
    }
}

TEST_F(SettingsStoreTest, AnIncompleteDeviceConfiguresNothing) {
    const std::string key = kComm + "\\Destination";
    Text(key, keys::kDeviceKind, "BT");
    Text(key, keys::kDeviceName, "Receiver");
    EXPECT_EQ(LoadSettings(store).destination, DeviceSelection{}) << "no address";
    Text(key, keys::kDeviceKind, "SP");
    EXPECT_EQ(LoadSettings(store).destination, DeviceSelection{}) << "no port";
}

TEST_F(SettingsStoreTest, DeviceSelectionsSurviveARestart) {
    const DeviceSelection serial{DeviceKind::SerialPort, "$device\\COM12:", {}, 0};
    const DeviceSelection bluetooth{DeviceKind::Bluetooth, {}, "Receiver", 0x0000BCDEF0123456};
    ASSERT_EQ(SaveDeviceSelection(store, keys::kSource, bluetooth), 0);
    ASSERT_EQ(SaveDeviceSelection(store, keys::kDestination, serial), 0);
    RegistryStore next(paths, &prompts);
    Settings s = LoadSettings(next);
    EXPECT_EQ(s.source, bluetooth);
    EXPECT_EQ(s.destination, serial);

    // Choosing the other transport leaves nothing of the first behind.
    ASSERT_EQ(SaveDeviceSelection(store, keys::kSource, serial), 0);
    RegistryValue leftover;
    EXPECT_NE(
        store.Read(RegistryRoot::CurrentUser, kComm + "\\Source", keys::kDeviceName, leftover), 0);
    ASSERT_EQ(SaveDeviceSelection(store, keys::kSource, DeviceSelection{}), 0);
    EXPECT_EQ(LoadSettings(store).source, DeviceSelection{});
}

TEST_F(SettingsStoreTest, TheBuiltInGpsFollowsTheMachineAndTheUsersChoice) {
    const std::string driver = "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\GPS "
                               "Intermediate Driver]\n";
    const std::string multiplexer = "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\GPS "
                                    "Intermediate Driver\\Multiplexer]\n";
    const DeviceSelection serialSource{DeviceKind::SerialPort, "COM4:", {}, 0};
    const DeviceSelection gpdSource{DeviceKind::SerialPort, "GPD2:", {}, 0};
    const struct {
        const char* label;
        std::string machine;
        bool gpsd;
        int use; // -1: not stored
        bool enabled, used;
        DeviceSelection source;
    } cases[] = {
        {"port known, use missing: built-in GPS", multiplexer + "\"DriverInterface\"=\"GPD2:\"\n",
         false, -1, true, true, gpdSource},
        {"port known, use 0", multiplexer + "\"DriverInterface\"=\"GPD2:\"\n", false, 0, true,
         false, serialSource},
        {"gpsd answers for the port", "", true, -1, true, true,
         DeviceSelection{DeviceKind::SerialPort, "GPD0:", {}, 0}},
        {"no port, use missing", "", false, -1, false, false, serialSource},
        {"no port, use 1 clears the serial source", "", false, 1, false, false, DeviceSelection{}},
        {"disabled",
         driver + "\"IsEnabled\"=dword:00000000\n" + multiplexer +
             "\"DriverInterface\"=\"GPD2:\"\n",
         true, 1, false, false, serialSource},
    };
    for (const auto& c : cases) {
        Machine(c.machine);
        gpsdAnswers = c.gpsd;
        store.DeleteKey(RegistryRoot::CurrentUser, kComm);
        ASSERT_EQ(SaveDeviceSelection(store, keys::kSource, serialSource), 0);
        if (c.use >= 0) {
            Dword(kComm, keys::kUseGPSIntermediateDriver, static_cast<std::uint32_t>(c.use));
        }
        const Settings s = LoadSettings(store);
        EXPECT_EQ(s.builtInGps.enabled, c.enabled) << c.label;
        EXPECT_EQ(s.builtInGps.use, c.used) << c.label;
        EXPECT_EQ(s.source, c.source) << c.label;
    }
}

TEST_F(SettingsStoreTest, ColumnWidthsScaleTheirDefaultsToTheScreen) {
    EXPECT_EQ(ScaleToScreen(120, 96), 120);
    EXPECT_EQ(ScaleToScreen(120, 192), 240);
    EXPECT_EQ(ScaleToScreen(120, 131), 164); // (15720 + 48) / 96 = 164.25
    EXPECT_EQ(ScaleToScreen(50, 97), 51);    // (4850 + 48) / 96 = 51.02
    EXPECT_EQ(ScaleToScreen(1, 47), 0);

    EXPECT_EQ(LoadColumnWidths(store, kBluetoothDeviceListLayout, 192),
              (std::vector<int>{240, 240}));
    const std::vector<int> widths = {33, 44};
    ASSERT_EQ(SaveColumnWidths(store, kBluetoothDeviceListLayout, widths), 0);
    EXPECT_EQ(LoadColumnWidths(store, kBluetoothDeviceListLayout, 192), widths);
    RegistryValue stored;
    ASSERT_EQ(store.Read(RegistryRoot::CurrentUser,
                         std::string(keys::kListLayouts) + "\\BluetoothDeviceList",
                         "DeviceAddressColumnWidth", stored),
              0);
    EXPECT_EQ(stored.AsDword(), 44u);
}

} // namespace
