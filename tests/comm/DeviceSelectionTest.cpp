// Choosing the source and destination: what is stored, what the other transports and the
// built-in GPS become, when a running direction restarts, and what the menu items read.
#include "comm/DeviceSelection.h"
#include "comm/PortDescription.h"
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
    EXPECT_EQ(RecordItemText(app), "Record &from COM12:") << "shown as chosen";
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

TEST(DeviceSelection, WhileADirectionRunsItsItemNamesTheRunningDevice) {
    AppFixture f;
    ApplicationCore& app = *f.app;
    PseudoTerminal receiver;
    PseudoTerminal consumer;
    f.LinkPort("COM1:", receiver.SlavePath());
    f.LinkPort("COM5:", consumer.SlavePath());
    SelectSerialPort(app, Direction::Record, "COM1:");
    SelectSerialPort(app, Direction::Playback, "COM5:");
    app.RecordCommand();
    app.PlaybackToCommand();
    ASSERT_TRUE(app.SerialSource().IsRunning());
    ASSERT_TRUE(app.SerialDestination().IsRunning());
    EXPECT_EQ(RecordItemText(app), "Recording &from COM1:");
    EXPECT_EQ(PlaybackItemText(app), "Playing back &to COM5:");
    app.PlaybackToCommand();
    f.prompts.Answer(PromptAnswer::No); // the recording's file is not kept
    app.RecordCommand();
    EXPECT_EQ(RecordItemText(app), "Record &from COM1:");
    EXPECT_EQ(PlaybackItemText(app), "Playback &to COM5:");
}

// A choice starts an idle direction, restarts a running one on another device, and leaves
// a running one alone when the device is the same.
TEST(DeviceSelection, AChoiceStartsOrRestartsTheDirectionOnlyWhenItsDeviceChanged) {
    AppFixture f;
    ApplicationCore& app = *f.app;
    PseudoTerminal first;
    PseudoTerminal second;
    f.LinkPort("COM1:", first.SlavePath());
    f.LinkPort("COM2:", second.SlavePath());
    int commands = 0;
    const auto choose = [&](const std::string& port) {
        const bool changed = SelectSerialPort(app, Direction::Record, port);
        StartOrRestartAfterChoice(app, Direction::Record, changed, [&] {
            ++commands;
            app.RecordCommand();
        });
    };
    choose("COM1:");
    ASSERT_EQ(app.RunningSource(), &app.SerialSource());
    EXPECT_EQ(RecordItemText(app), "Recording &from COM1:");
    const std::filesystem::path file = app.SerialSource().RecordFileName();

    choose("COM1:");
    EXPECT_EQ(commands, 1) << "the same port again does not restart the recording";
    EXPECT_EQ(app.SerialSource().RecordFileName(), file);

    choose("COM2:");
    EXPECT_EQ(commands, 3);
    ASSERT_EQ(app.RunningSource(), &app.SerialSource());
    EXPECT_EQ(RecordItemText(app), "Recording &from COM2:");

    // The playback direction the same way, with the core's own command.
    PseudoTerminal consumer;
    f.LinkPort("COM5:", consumer.SlavePath());
    StartOrRestartAfterChoice(app, Direction::Playback,
                              SelectSerialPort(app, Direction::Playback, "COM5:"));
    EXPECT_EQ(PlaybackItemText(app), "Playing back &to COM5:");
    StartOrRestartAfterChoice(app, Direction::Playback,
                              SelectSerialPort(app, Direction::Playback, "COM5:"));
    EXPECT_EQ(app.RunningDestination(), &app.SerialDestination());
    app.PlaybackToCommand();
}

TEST(PortDescription, EachLinkNamesItsDeviceAndItsPersistentName) {
    AppFixture f;
    const std::filesystem::path dev = f.paths.systemDeviceRoot;
    std::filesystem::create_directories(dev / "serial" / "by-id");
    testpaths::WriteFileBytes(dev / "ttyUSB0", "");
    testpaths::WriteFileBytes(dev / "ttyACM0", "");
    std::filesystem::create_symlink("../../ttyUSB0", dev / "serial" / "by-id" / "usb-FTDI-port0");
    f.LinkPort("COM3:", (dev / "serial" / "by-id" / "usb-FTDI-port0").string());
    f.LinkPort("COM4:", (dev / "ttyACM0").string());
    f.LinkPort("COM7:", (dev / "ttyS9").string());
    const std::map<std::string, std::string> described = DescribePortEntries(f.paths);
    const std::string usb = std::filesystem::canonical(dev / "ttyUSB0").string();
    EXPECT_EQ(described.at("COM3:"), usb + " (usb-FTDI-port0)");
    EXPECT_EQ(described.at("COM4:"), std::filesystem::canonical(dev / "ttyACM0").string());
    EXPECT_EQ(described.at("COM7:"), (dev / "ttyS9").string() + " (missing)");
}

} // namespace
