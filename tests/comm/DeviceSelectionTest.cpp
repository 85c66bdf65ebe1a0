// Choosing the source and destination: what is stored, what the other transports and the
// built-in GPS become, when a running direction restarts, and what the menu items read.
#include "comm/DeviceSelection.h"
#include "platform/RegistryAccessor.h"
#include "platform/SettingsKeys.h"
#include "platform/SettingsStore.h"
#include "tests/comm/AppFixture.h"
#include "tests/comm/PseudoTerminal.h"

#include <gtest/gtest.h>

namespace keys = settings_keys;

namespace {

std::uint32_t StoredUseOfBuiltInGps(RegistryStore& registry) {
    CRegistryAccessor accessor(registry);
    accessor.SetKey(keys::kCommunication);
    accessor.SetValueName(keys::kUseGPSIntermediateDriver);
    std::uint32_t use = 99;
    accessor.ReadDword(use);
    return use;
}

// The machine's settings name the port through which gpsd serves the built-in GPS.
void PublishBuiltInGps(const AppFixture& f) {
    testpaths::WriteFileBytes(f.home / "system.reg",
                              "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\GPS "
                              "Intermediate Driver\\Multiplexer]\r\n\"DriverInterface\"=\"GPD0:\""
                              "\r\n");
}

TEST(DeviceSelection, ThePortListOffersComPortsAndForRecordingAlsoGpdPorts) {
    const std::vector<std::string> record = SerialPortChoices(Direction::Record);
    ASSERT_EQ(record.size(), 200u);
    EXPECT_EQ(record[0], "COM0:");
    EXPECT_EQ(record[99], "COM99:");
    EXPECT_EQ(record[100], "GPD0:");
    EXPECT_EQ(record[199], "GPD99:");
    const std::vector<std::string> playback = SerialPortChoices(Direction::Playback);
    EXPECT_EQ(playback, std::vector<std::string>(record.begin(), record.begin() + 100));
}

TEST(DeviceSelection, EachChoiceIsStoredAndClearsTheOtherTransportOfItsDirection) {
    AppFixture f;
    ApplicationCore& app = *f.app;
    EXPECT_TRUE(SelectBluetoothDevice(app, Direction::Record, {"GPS-Mouse", 0x001122334455}));
    EXPECT_EQ(LoadSettings(*f.registry).source,
              (DeviceSelection{DeviceKind::Bluetooth, {}, "GPS-Mouse", 0x001122334455}));
    EXPECT_EQ(RecordItemText(app), "Record &from GPS-Mouse");

    // Port 12 is kept in its stored form, and the next start reads it back unchanged.
    EXPECT_TRUE(SelectSerialPort(app, Direction::Record, "COM12:"));
    EXPECT_EQ(LoadSettings(*f.registry).source,
              (DeviceSelection{DeviceKind::SerialPort, "$device\\COM12:", {}, 0}));
    EXPECT_FALSE(app.BluetoothSource().HasDevice());
    EXPECT_EQ(StoredUseOfBuiltInGps(*f.registry), 0u);
    EXPECT_EQ(RecordItemText(app), "Record &from $device\\COM12:");
    EXPECT_FALSE(SelectSerialPort(app, Direction::Record, "COM12:")) << "the same port again";

    // The destination is a direction of its own and never touches the built-in GPS.
    EXPECT_TRUE(SelectSerialPort(app, Direction::Playback, "COM3:"));
    EXPECT_TRUE(SelectBluetoothDevice(app, Direction::Playback, {"Plotter", 0xA1B2}));
    EXPECT_TRUE(app.SerialDestination().GetPortName().empty());
    EXPECT_EQ(LoadSettings(*f.registry).destination,
              (DeviceSelection{DeviceKind::Bluetooth, {}, "Plotter", 0xA1B2}));
    EXPECT_EQ(LoadSettings(*f.registry).source.serialPort, "$device\\COM12:");
    EXPECT_EQ(PlaybackItemText(app), "Playback &to Plotter");
}

TEST(DeviceSelection, TheBuiltInGpsToggleTakesGpsdsPortAndGivesItBack) {
    AppFixture f;
    ApplicationCore& app = *f.app;
    PublishBuiltInGps(f);
    SelectBluetoothDevice(app, Direction::Record, {"GPS-Mouse", 0x1122});
    EXPECT_TRUE(ToggleBuiltInGps(app));
    EXPECT_EQ(app.SerialSource().GetPortName(), "GPD0:");
    EXPECT_FALSE(app.BluetoothSource().HasDevice());
    EXPECT_EQ(StoredUseOfBuiltInGps(*f.registry), 1u);
    EXPECT_EQ(RecordItemText(app), "Record &from built-in GPS");
    // The next start finds the same source.
    const Settings loaded = LoadSettings(*f.registry);
    EXPECT_EQ(loaded.source, (DeviceSelection{DeviceKind::SerialPort, "GPD0:", {}, 0}));
    EXPECT_TRUE(loaded.builtInGps.use);

    EXPECT_TRUE(ToggleBuiltInGps(app));
    EXPECT_TRUE(app.SerialSource().GetPortName().empty());
    EXPECT_EQ(LoadSettings(*f.registry).source, DeviceSelection{});
    EXPECT_EQ(StoredUseOfBuiltInGps(*f.registry), 0u);
    EXPECT_EQ(RecordItemText(app), "Record &from");

    // Choosing a serial source after the built-in GPS gives the built-in GPS up.
    ToggleBuiltInGps(app);
    SelectSerialPort(app, Direction::Record, "COM1:");
    EXPECT_EQ(StoredUseOfBuiltInGps(*f.registry), 0u);
    EXPECT_EQ(RecordItemText(app), "Record &from COM1:");
}

TEST(DeviceSelection, WithoutGpsdTheToggleKeepsTheSource) {
    AppFixture f;
    SelectSerialPort(*f.app, Direction::Record, "COM1:");
    EXPECT_FALSE(BuiltInGpsPort(*f.app));
    EXPECT_FALSE(ToggleBuiltInGps(*f.app));
    EXPECT_EQ(f.app->SerialSource().GetPortName(), "COM1:");
    EXPECT_EQ(StoredUseOfBuiltInGps(*f.registry), 1u);
}

TEST(DeviceSelection, OnlyAChangedDeviceRestartsARunningRecording) {
    AppFixture f;
    ApplicationCore& app = *f.app;
    PseudoTerminal first;
    PseudoTerminal second;
    f.LinkPort("COM1:", first.SlavePath());
    f.LinkPort("COM2:", second.SlavePath());

    StartOrRestart(app, Direction::Record, SelectSerialPort(app, Direction::Record, "COM1:"));
    ASSERT_TRUE(app.SerialSource().IsRunning());
    const unsigned run = app.SerialSource().RunNumber();
    EXPECT_EQ(RecordItemText(app), "Recording &from COM1:");

    StartOrRestart(app, Direction::Record, SelectSerialPort(app, Direction::Record, "COM1:"));
    EXPECT_EQ(app.SerialSource().RunNumber(), run) << "the same port again: no restart";

    f.prompts.Answer(PromptAnswer::No); // the first recording's file is not kept
    StartOrRestart(app, Direction::Record, SelectSerialPort(app, Direction::Record, "COM2:"));
    ASSERT_TRUE(app.SerialSource().IsRunning());
    EXPECT_EQ(app.SerialSource().RunNumber(), run + 1);
    EXPECT_EQ(RecordItemText(app), "Recording &from COM2:");

    f.prompts.Answer(PromptAnswer::No);
    app.RecordCommand();
    EXPECT_FALSE(app.SerialSource().IsRunning());
}

TEST(DeviceSelection, AnUnchangedChoiceStartsAnIdleDirection) {
    AppFixture f;
    ApplicationCore& app = *f.app;
    PseudoTerminal consumer;
    f.LinkPort("COM5:", consumer.SlavePath());
    SelectSerialPort(app, Direction::Playback, "COM5:");
    StartOrRestart(app, Direction::Playback, false);
    ASSERT_TRUE(app.SerialDestination().IsRunning());
    EXPECT_EQ(PlaybackItemText(app), "Playing back &to COM5:");
    app.PlaybackToCommand();
    EXPECT_EQ(PlaybackItemText(app), "Playback &to COM5:");
}

} // namespace
