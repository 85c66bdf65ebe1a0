#include "platform/PlatformPaths.h"
#include "tests/support/TestPaths.h"

#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

// Runs ppcObrin3-cli with its configuration below `home`.
class SettingsCommandsTest : public ::testing::Test {
protected:
    testpaths::TempDir home;

    testpaths::CommandRun Cli(const std::string& arguments) {
        return testpaths::RunCommand("env HOME='" + home.Path().string() + "' XDG_CONFIG_HOME='" +
                                         (home / "config").string() + "' ZRV_DEVICE_ROOT='" +
                                         (home / "dev").string() + "' '" ZRV_CLI_PATH "' " +
                                         arguments,
                                     home.Path());
    }
    fs::path UserFile() { return home / "config" / "Velmora Records2009" / "user.reg"; }
};

TEST_F(SettingsCommandsTest, SetGetListAndDeleteRoundTrip) {
    EXPECT_EQ(Cli("settings set General VSerialPort dword -1").exit, 0);
    EXPECT_EQ(Cli("settings set 'Communication\\Source' SerialPort string '$device\\COM12:'").exit,
              0);
    EXPECT_EQ(Cli("settings set 'Software\\Velmora Records2009\\Velmora "
                  "Recorder3\\Settings\\Communication\\Source' RemoteDeviceAddress qword "
                  "0xBCDEF0123456")
                  .exit,
              0);

    testpaths::CommandRun run = Cli("settings get General VSerialPort");
    EXPECT_EQ(run.exit, 0);
    EXPECT_EQ(run.out, "4294967295\n");
    run = Cli("settings get 'Communication\\Source' SerialPort");
    EXPECT_EQ(run.out, "$device\\COM12:\n");
    run = Cli("settings get 'HKEY_CURRENT_USER\\Software\\Velmora Records2009\\Velmora "
              "Recorder3\\Settings\\Communication\\Source' RemoteDeviceAddress");
    EXPECT_EQ(run.out, "207665696486486\n");

    EXPECT_EQ(Cli("settings set 'Communication\\Destination' RemoteDeviceAddress qword "
                  "00:11:22:33:44:5F")
                  .exit,
              0);
    EXPECT_EQ(Cli("settings get 'Communication\\Destination' RemoteDeviceAddress").out,
              "73588229215\n")
        << "an address as the Linux tools write it";
    EXPECT_EQ(Cli("settings delete 'Communication\\Destination'").exit, 0);

    run = Cli("settings list");
    EXPECT_EQ(run.exit, 0);
    EXPECT_EQ(run.out, "Communication\\Source\tRemoteDeviceAddress\tqword\t207665696486486\n"
                       "Communication\\Source\tSerialPort\tstring\t$device\\COM12:\n"
                       "General\tVSerialPort\tdword\t4294967295\n");

    EXPECT_EQ(Cli("settings delete Communication").exit, 0);
    run = Cli("settings get 'Communication\\Source' SerialPort");
    EXPECT_EQ(run.exit, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(Cli("settings delete Communication").exit, 1);
    EXPECT_EQ(Cli("settings").out, "General\tVSerialPort\tdword\t4294967295\n");
}

TEST_F(SettingsCommandsTest, BadInputChangesNothingAndExitsWithTwo) {
    ASSERT_EQ(Cli("settings set General DistanceUnits dword 1").exit, 0);
    const std::string before = testpaths::ReadFileBytes(UserFile());
    const char* cases[] = {
        "settings set General DistanceUnits float 1",
        "settings set General DistanceUnits dword 4294967296",
        "settings set General DistanceUnits dword -2147483649",
        "settings set General DistanceUnits dword 12abc",
        "settings set General DistanceUnits dword ''",
        "settings set General Address qword -1",
        "settings set General Address qword 00:11:22:33:44",
        "settings set 'General\\\\X' DistanceUnits dword 1",
        "settings set General '' dword 1",
        "settings set General DistanceUnits dword",
        "settings get General",
        "settings remove General",
        "devices extra",
        "devices link COM3:",
        "devices link COM3: dev/ttyUSB0",
        "devices link a/b /dev/null",
        "devices unlink",
    };
    for (const char* arguments : cases) {
        const testpaths::CommandRun run = Cli(arguments);
        EXPECT_EQ(run.exit, 2) << arguments;
        EXPECT_NE(run.err.find("usage:"), std::string::npos) << arguments << "\n" << run.err;
    }
    EXPECT_EQ(testpaths::ReadFileBytes(UserFile()), before);
}

TEST_F(SettingsCommandsTest, ADamagedFileIsReportedOnTheTerminal) {
    fs::create_directories(UserFile().parent_path());
    testpaths::WriteFileBytes(UserFile(), "garbage\n");
    const testpaths::CommandRun run = Cli("settings get General KindOfView");
    EXPECT_EQ(run.exit, 1);
    EXPECT_NE(run.err.find("could not be read"), std::string::npos) << run.err;
    EXPECT_EQ(testpaths::ReadFileBytes(UserFile().string() + ".damaged"), "garbage\n");
}

TEST_F(SettingsCommandsTest, DevicesListsTargetsAndWhetherTheyOpen) {
    const fs::path devices = home / "config" / "Velmora Records2009" / "devices";
    fs::create_directories(devices);
    testpaths::WriteFileBytes(home / "receiver", "");
    fs::create_symlink(home / "receiver", devices / "COM2:");
    fs::create_symlink(home / "unplugged", devices / "COM10:");
    const testpaths::CommandRun run = Cli("devices");
    EXPECT_EQ(run.exit, 0);
    EXPECT_EQ(run.out, "COM2:\t" + (home / "receiver").string() + "\topens\n" + "COM10:\t" +
                           (home / "unplugged").string() +
                           "\tdoes not open: No such file or directory\n");
}

TEST_F(SettingsCommandsTest, DevicesNamesReceiversPluggedInLaterAndLinksAndUnlinks) {
    const fs::path dev = home / "dev";
    fs::create_directories(dev);
    testpaths::WriteFileBytes(home / "receiver", "");
    testpaths::CommandRun run = Cli("devices");
    EXPECT_EQ(run.exit, 0);
    EXPECT_EQ(run.out, "") << "nothing plugged in yet";

    testpaths::WriteFileBytes(dev / "ttyUSB0", "");
    run = Cli("devices");
    EXPECT_EQ(run.out, "COM1:\t" + (dev / "ttyUSB0").string() + "\topens\n");

    run = Cli("devices link COM3: '" + (home / "receiver").string() + "'");
    EXPECT_EQ(run.exit, 0) << run.err;
    EXPECT_EQ(Cli("devices unlink COM1:").exit, 0);
    run = Cli("devices");
    EXPECT_EQ(run.out, "COM3:\t" + (home / "receiver").string() + "\topens\n");

    run = Cli("devices unlink COM1:");
    EXPECT_EQ(run.exit, 1);
    EXPECT_NE(run.err.find("there is no port COM1:"), std::string::npos) << run.err;
    run = Cli("devices link COM4: '" + (dev / "ttyUSB9").string() + "'");
    EXPECT_EQ(run.exit, 1);
    EXPECT_NE(run.err.find("is not there"), std::string::npos) << run.err;
    EXPECT_EQ(Cli("devices").out, "COM3:\t" + (home / "receiver").string() + "\topens\n");
}

} // namespace
