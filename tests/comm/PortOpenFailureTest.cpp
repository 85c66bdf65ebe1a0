#include "comm/PortOpenFailure.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace {

ResolvedDevice FileDevice(const std::string& path) {
    ResolvedDevice device;
    device.kind = ResolvedDevice::Kind::File;
    device.path = path;
    return device;
}

std::string Text(const std::string& port, const ResolvedDevice& device, PortFailure failure) {
    return PortOpenFailureText(port, device, failure, "/home/u/.config/devices").value_or("-");
}

TEST(PortOpenFailureTest, AMissingDeviceOrEntrySaysWhereTheNameLeads) {
    EXPECT_EQ(Text("COM1:", FileDevice("/dev/ttyUSB0"), {"CreateFile", ENOENT}),
              "CreateFile failed, error 2: No such file or directory\nContext: COM1:\n"
              "COM1: leads to /dev/ttyUSB0, which is not there: is the receiver plugged in? "
              "\"ppcObrin3-cli devices\" lists the ports that are.");
    EXPECT_EQ(Text("/dev/ttyUSB3", FileDevice("/dev/ttyUSB3"), {"CreateFile", ENOENT}),
              "CreateFile failed, error 2: No such file or directory\nContext: /dev/ttyUSB3\n"
              "/dev/ttyUSB3 is not there: is the receiver plugged in? \"ppcObrin3-cli devices\" "
              "lists the ports that are.");
    ResolvedDevice unknown;
    unknown.error = ENOENT;
    EXPECT_EQ(Text("COM7:", unknown, {"CreateFile", ENOENT}),
              "CreateFile failed, error 2: No such file or directory\nContext: COM7:\n"
              "There is no port COM7: in /home/u/.config/devices: \"ppcObrin3-cli devices\" lists "
              "the ports, \"ppcObrin3-cli devices link COM7: /dev/ttyUSB0\" makes one.");
}

TEST(PortOpenFailureTest, AForbiddenPortNamesTheGroupAndTheCommand) {
    // A device that cannot be asked for its group is taken to be in the usual one.
    const std::string text =
        Text("COM2:", FileDevice("/nonexistent/ttyUSB0"), {"CreateFile", EACCES});
    EXPECT_EQ(text, "CreateFile failed, error 13: Permission denied\nContext: COM2:\n"
                    "Serial ports may be opened by the members of the group \"dialout\": add "
                    "yourself with\n    sudo usermod -aG dialout $USER\nand log out and in again.");
}

TEST(PortOpenFailureTest, OtherFailuresKeepThePlainReport) {
    ResolvedDevice gpsd;
    gpsd.kind = ResolvedDevice::Kind::Gpsd;
    EXPECT_EQ(Text("COM3:", FileDevice("/dev/ttyUSB0"), {"CreateFile", EBUSY}),
              "CreateFile failed, error 16: Device or resource busy\nContext: COM3:");
    EXPECT_EQ(Text("COM3:", FileDevice("/dev/ttyUSB0"), {"SetCommState", ENOENT}),
              "SetCommState failed, error 2: No such file or directory\nContext: COM3:");
    EXPECT_EQ(Text("GPD0:", gpsd, {"CreateFile", ENOENT}),
              "CreateFile failed, error 2: No such file or directory\nContext: GPD0:");
    EXPECT_EQ(Text("COM3:", FileDevice("/dev/ttyUSB0"), {"CreateFile", 0}), "-");
}

} // namespace
