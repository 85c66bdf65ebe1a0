#include "platform/DeviceName.h"
#include "platform/DeviceFolder.h"
#include "platform/PlatformPaths.h"
#include "tests/support/TestPaths.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace fs = std::filesystem;

namespace {

class DeviceNameTest : public ::testing::Test {
protected:
    testpaths::TempDir dir;
    PlatformPaths paths = PlatformPaths::Below(dir.Path());

    // Stands in for a device node below the fake /dev.
    fs::path Device(const std::string& name) {
        const fs::path path = paths.systemDeviceRoot / name;
        fs::create_directories(path.parent_path());
        testpaths::WriteFileBytes(path, "");
        return path;
    }
    std::vector<std::pair<std::string, fs::path>> Links(DeviceFolder& folder) {
        std::vector<std::pair<std::string, fs::path>> links;
        for (const DeviceFolder::Entry& entry : folder.List()) {
            links.emplace_back(entry.name, entry.target);
        }
        return links;
    }
};

TEST_F(DeviceNameTest, TheFolderIsCreatedWithTheSerialDevicesInAStableOrder) {
    const fs::path usb0 = Device("ttyUSB0");
    const fs::path usb10 = Device("ttyUSB10");
    const fs::path usb2 = Device("ttyUSB2");
    Device("ttyACM0");
    const fs::path rfcomm0 = Device("rfcomm0");
    Device("ttyS0");
    Device("tty1");
    fs::create_directories(paths.systemDeviceRoot / "serial" / "by-id");
    const fs::path byId = paths.systemDeviceRoot / "serial" / "by-id" / "usb-u-blox_GNSS-if00";
    fs::create_symlink("../../ttyACM0", byId);

    DeviceFolder folder(paths);
    EXPECT_EQ(Links(folder), (std::vector<std::pair<std::string, fs::path>>{
                                 {"COM1:", byId},
                                 {"COM2:", usb0},
                                 {"COM3:", usb2},
                                 {"COM4:", usb10},
                                 {"COM5:", rfcomm0},
                             }))
        << "ttyACM0 is reached through its persistent name";

    // A device plugged in later takes the next free name; the others keep theirs.
    const fs::path usb1 = Device("ttyUSB1");
    EXPECT_EQ(Links(folder).size(), 5u) << "only a listing that looks for arrivals adds one";
    ASSERT_EQ(folder.AddArrivedDevices(), 0);
    const auto links = Links(folder);
    ASSERT_EQ(links.size(), 6u);
    EXPECT_EQ(links[0], (std::pair<std::string, fs::path>{"COM1:", byId}));
    EXPECT_EQ(links[5], (std::pair<std::string, fs::path>{"COM6:", usb1}));
}

TEST_F(DeviceNameTest, DevicesPluggedInAfterTheFirstUseGetNamesOfTheirOwn) {
    DeviceFolder folder(paths);
    ASSERT_EQ(folder.AddArrivedDevices(), 0);
    EXPECT_TRUE(Links(folder).empty()) << "nothing plugged in at the first use";

    // The user's own entries: one made before its device came, one to a device node that
    // arrives under a persistent name.
    ASSERT_EQ(folder.CreateLink("COM2:", paths.systemDeviceRoot / "ttyUSB0"), 0);
    ASSERT_EQ(folder.CreateLink("COM9:", paths.systemDeviceRoot / "ttyUSB3"), 0);
    const fs::path acm = Device("ttyACM0");
    Device("ttyUSB0");
    Device("ttyUSB3");
    fs::create_directories(paths.systemDeviceRoot / "serial" / "by-id");
    const fs::path acmById = paths.systemDeviceRoot / "serial" / "by-id" / "usb-puck-if00";
    fs::create_symlink("../../ttyACM0", acmById);
    fs::create_symlink("../../ttyUSB3", paths.systemDeviceRoot / "serial" / "by-id" / "usb-x");
    const fs::path usb7 = Device("ttyUSB7");

    ASSERT_EQ(folder.AddArrivedDevices(), 0);
    const std::vector<std::pair<std::string, fs::path>> expected = {
        {"COM1:", acmById},
        {"COM2:", paths.systemDeviceRoot / "ttyUSB0"},
        {"COM3:", usb7},
        {"COM9:", paths.systemDeviceRoot / "ttyUSB3"},
    };
    EXPECT_EQ(Links(folder), expected) << "a device an entry leads to gets no second one";
    ASSERT_EQ(folder.AddArrivedDevices(), 0);
    EXPECT_EQ(Links(folder), expected) << "listing again adds nothing";

    // A port the user gave up stays given up while its device stays plugged in.
    ASSERT_EQ(folder.RemoveLink("COM1:"), 0);
    ASSERT_EQ(folder.AddArrivedDevices(), 0);
    EXPECT_FALSE(folder.Find("COM1:"));

    // Unplugged and plugged in again, it is a new arrival.
    fs::remove(acmById);
    fs::remove(acm);
    ASSERT_EQ(folder.AddArrivedDevices(), 0);
    Device("ttyACM0");
    fs::create_symlink("../../ttyACM0", acmById);
    ASSERT_EQ(folder.AddArrivedDevices(), 0);
    ASSERT_TRUE(folder.Find("COM1:"));
    EXPECT_EQ(folder.Find("COM1:")->target, acmById);
}

TEST_F(DeviceNameTest, NamesResolveToWhatIsOpened) {
    DeviceFolder folder(paths);
    ASSERT_EQ(folder.EnsureCreated(), 0);
    ASSERT_EQ(folder.CreateLink("COM3:", "/dev/ttyUSB0"), 0);
    ASSERT_EQ(folder.CreateLink("COM12:", "/dev/pts/7"), 0);
    ASSERT_EQ(folder.CreateLink("GPD1:", "/dev/ttyACM1"), 0);
    ASSERT_EQ(folder.CreateLink("COM4:", "relative-target"), 0);
    GpsdAddress gpsd{"localhost", 2948};

    using Kind = ResolvedDevice::Kind;
    const struct {
        const char* name;
        Kind kind;
        fs::path path;
        int error;
    } cases[] = {
        {"COM3:", Kind::File, "/dev/ttyUSB0", 0},
        {"$device\\COM12:", Kind::File, "/dev/pts/7", 0},
        {"COM12:", Kind::File, "/dev/pts/7", 0},
        {"GPD1:", Kind::File, "/dev/ttyACM1", 0},
        {"GPD0:", Kind::Gpsd, {}, 0},
        {"GPD17:", Kind::Gpsd, {}, 0},
        {"$device\\GPD0:", Kind::Gpsd, {}, 0},
        {"/dev/ttyS1", Kind::File, "/dev/ttyS1", 0},
        {"COM4:", Kind::File, paths.deviceDir / "relative-target", 0},
        {"COM5:", Kind::Unknown, {}, ENOENT},
        {"com3:", Kind::Unknown, {}, ENOENT},
        {"GPD:", Kind::Unknown, {}, ENOENT},
        {"GPDx:", Kind::Unknown, {}, ENOENT},
        {"", Kind::Unknown, {}, EINVAL},
        {"$device\\", Kind::Unknown, {}, EINVAL},
        {"../COM3:", Kind::Unknown, {}, EINVAL},
        {"dev/ttyS1", Kind::Unknown, {}, EINVAL},
    };
    for (const auto& c : cases) {
        const ResolvedDevice device = ResolveDeviceName(c.name, folder, gpsd);
        EXPECT_EQ(device.kind, c.kind) << c.name;
        EXPECT_EQ(device.path, c.path) << c.name;
        EXPECT_EQ(device.error, c.error) << c.name;
        if (c.kind == Kind::Gpsd) {
            EXPECT_EQ(device.gpsd.host, "localhost");
            EXPECT_EQ(device.gpsd.port, 2948);
        }
    }
}

TEST_F(DeviceNameTest, LinksAreAddedRepointedAndRemoved) {
    DeviceFolder folder(paths);
    EXPECT_EQ(folder.CreateLink("COM7:", "/dev/pts/3"), 0) << "creates the folder on first use";
    EXPECT_EQ(folder.CreateLink("COM7:", "/dev/pts/4"), 0);
    ASSERT_TRUE(folder.Find("COM7:"));
    EXPECT_EQ(folder.Find("COM7:")->target, "/dev/pts/4");
    EXPECT_EQ(folder.RemoveLink("COM7:"), 0);
    EXPECT_FALSE(folder.Find("COM7:"));
    EXPECT_EQ(folder.RemoveLink("COM7:"), ENOENT);

    testpaths::WriteFileBytes(paths.deviceDir / "notes", "a person's file");
    EXPECT_EQ(folder.RemoveLink("notes"), EPERM) << "only links are removed";
    for (const char* bad : {"", ".", "..", "a/b"}) {
        EXPECT_EQ(folder.CreateLink(bad, "/dev/null"), EINVAL) << bad;
    }
}

} // namespace
