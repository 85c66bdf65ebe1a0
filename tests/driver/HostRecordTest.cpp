#include "driver/host/HostRecord.h"
#include "driver/host/DeviceLink.h"
#include "driver/host/HostIdentity.h"
#include "driver/host/PortTakenError.h"
#include "tests/support/TestPaths.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

namespace {

HostIdentity SampleIdentity() {
    HostIdentity identity;
    identity.pid = 4242;
    identity.token = "0123456789abcdef0123456789abcdef";
    identity.device = "COM5:";
    identity.link = "/home/u/.config/Velmora Records2009/devices/COM5:";
    identity.slave = "/dev/pts/7";
    identity.input = "/dev/pts/8";
    return identity;
}

TEST(HostIdentityTest, RoundTripsAndRefusesDamagedRecords) {
    const HostIdentity identity = SampleIdentity();
    const auto parsed = ParseHostIdentity(FormatHostIdentity(identity));
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->pid, identity.pid);
    EXPECT_EQ(parsed->token, identity.token);
    EXPECT_EQ(parsed->device, identity.device);
    EXPECT_EQ(parsed->link, identity.link);
    EXPECT_EQ(parsed->slave, identity.slave);
    EXPECT_EQ(parsed->input, identity.input);

    const std::string good = FormatHostIdentity(identity);
    for (const auto& [from, to] :
         std::vector<std::pair<std::string, std::string>>{{"pid=4242", "pid=0"},
                                                          {"pid=4242", "pid=42x"},
                                                          {"token=0123", "token=Z123"},
                                                          {"slave=/dev/pts/7", "x="}}) {
        std::string text = good;
        text.replace(text.find(from), from.size(), to);
        EXPECT_FALSE(ParseHostIdentity(text)) << text;
    }
    std::string withoutInput = good;
    withoutInput.erase(withoutInput.find("input="));
    const auto older = ParseHostIdentity(withoutInput);
    ASSERT_TRUE(older) << "a record of a host without an input terminal";
    EXPECT_EQ(older->input, "");
    EXPECT_NE(NewHostToken(), NewHostToken());
}

TEST(HostRecordTest, OnlyOneHostHoldsARecordAtATime) {
    const testpaths::TempDir dir;
    const auto path = dir / "COM5.host";
    {
        HostRecord first(path);
        EXPECT_EQ(first.PreviousContents(), "");
        first.Write("pid=1\n");
        EXPECT_THROW(HostRecord second(path), PortTakenError);
        EXPECT_EQ(testpaths::ReadFileBytes(path), "pid=1\n");
    }
    EXPECT_FALSE(std::filesystem::exists(path)) << "a host's own record goes with it";
    HostRecord again(path);
    EXPECT_EQ(again.PreviousContents(), "");
}

TEST(HostRecordTest, ARecordLeftByAHostThatIsGoneIsReadAndKeptUntilReplaced) {
    const testpaths::TempDir dir;
    const auto path = dir / "COM5.host";
    testpaths::WriteFileBytes(path, "left behind\n");
    {
        HostRecord record(path);
        EXPECT_EQ(record.PreviousContents(), "left behind\n");
    }
    EXPECT_EQ(testpaths::ReadFileBytes(path), "left behind\n")
        << "a host that failed to start keeps the old record";
    {
        HostRecord record(path);
        record.Write("new\n");
        EXPECT_EQ(testpaths::ReadFileBytes(path), "new\n");
    }
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST(DeviceLinkTest, TellsLeftoversFromNamesThatBelongToOthers) {
    const testpaths::TempDir dir;
    const auto link = dir / "COM5:";
    const auto device = dir / "ttyUSB0";
    testpaths::WriteFileBytes(device, "");
    const std::string gone = (dir / "pts-gone").string();

    EXPECT_EQ(InspectDeviceLink(link, ""), LinkState::Absent);

    std::filesystem::create_symlink(gone, link);
    EXPECT_EQ(InspectDeviceLink(link, ""), LinkState::Stale) << "dangling";
    std::filesystem::remove(link);

    std::filesystem::create_symlink(device, link);
    EXPECT_EQ(InspectDeviceLink(link, ""), LinkState::Taken) << "a real device";
    EXPECT_EQ(InspectDeviceLink(link, device.string()), LinkState::Stale)
        << "the terminal the previous host served, now someone else's";
    EXPECT_EQ(InspectDeviceLink(link, gone), LinkState::Taken);
    std::filesystem::remove(link);

    testpaths::WriteFileBytes(link, "");
    EXPECT_EQ(InspectDeviceLink(link, ""), LinkState::Taken) << "a plain file";
}

TEST(DeviceLinkTest, ReplacesALeftoverAndRemovesOnlyItsOwnName) {
    const testpaths::TempDir dir;
    const auto link = dir / "COM5:";
    const auto mine = (dir / "pts-mine").string();
    const auto other = (dir / "ttyUSB0").string();
    testpaths::WriteFileBytes(other, "");
    std::filesystem::create_symlink(dir / "pts-gone", link);
    {
        const DeviceLink claimed(link, mine, "");
        EXPECT_EQ(std::filesystem::read_symlink(link), mine);
    }
    EXPECT_FALSE(std::filesystem::is_symlink(link));

    {
        const DeviceLink claimed(link, mine, "");
        std::filesystem::remove(link);
        std::filesystem::create_symlink(other, link); // the user re-points the name
    }
    EXPECT_EQ(std::filesystem::read_symlink(link), other) << "re-pointed names stay";
    EXPECT_THROW(DeviceLink(link, mine, ""), PortTakenError);
    EXPECT_EQ(std::filesystem::read_symlink(link), other);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()),
                            std::filesystem::directory_iterator()),
              2)
        << "no temporary names left behind";
}

} // namespace
