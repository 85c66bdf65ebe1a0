// The device manager with real device hosts: registration, deregistration by handle, leftovers
// of killed hosts, and the guarantee that no process but the named host is ever touched.
#include "comm/DeviceManager.h"
#include "comm/ServiceFiles.h"
#include "comm/ServiceHandle.h"
#include "comm/VirtualPortRegistration.h"
#include "driver/host/HostIdentity.h"
#include "platform/DeviceFolder.h"
#include "platform/PlatformPaths.h"
#include "platform/RegistryStore.h"
#include "platform/ScriptedPrompts.h"
#include "tests/comm/PseudoTerminal.h"
#include "tests/comm/ServiceTestSupport.h"
#include "tests/support/TestPaths.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

constexpr const char* kDriver = "ppcZRV3SerialDrv.dll";

TEST(ServiceHandle, NamesThePortAndTheHostAndIsNeverZero) {
    const std::string token = "3a5b1c2f00000000000000000000000f";
    const std::uint32_t handle = ServiceHandleOf(5, token);
    EXPECT_EQ(handle, 0x3a5b1c25u);
    EXPECT_EQ(PortIndexOfHandle(handle), 5);
    EXPECT_NE(ServiceHandleOf(5, "3a5b1c3f000000000000000000000000"), handle);
    EXPECT_NE(ServiceHandleOf(0, "00000000000000000000000000000000"), 0u);
    EXPECT_EQ(PortIndexOfHandle(ServiceHandleOf(0, "00000000000000000000000000000000")), 0);
    for (const std::uint32_t malformed : {0u, 0x1au, 0xffffffffu}) {
        EXPECT_EQ(PortIndexOfHandle(malformed), -1) << malformed;
    }
}

TEST(ServiceFiles, DriverNamesAndSearchFolders) {
    EXPECT_EQ(DriverLibraryName("ppcZRV3SerialDrv.dll"), "libppcZRV3SerialDrv.so");
    for (const char* bad : {"../x.dll", "dir/x.dll", "a\\b.dll", "", ".dll"}) {
        EXPECT_EQ(DriverLibraryName(bad), std::nullopt) << bad;
    }
    EXPECT_EQ(ServiceSearchFolders("/opt/zrv", "/usr/bin"), std::vector<fs::path>{"/opt/zrv"});
    EXPECT_EQ(ServiceSearchFolders(nullptr, "/b/cli"),
              (std::vector<fs::path>{"/b/cli", "/b/driver", "/b/libexec/ppcobrin3"}));
    EXPECT_EQ(ServiceSearchFolders("", "/b/cli").size(), 3u);

    // The host program in a "host" subfolder is found; a file that may not run is not.
    testpaths::TempDir dir;
    fs::create_directories(dir / "host");
    testpaths::WriteFileBytes(dir / "host" / "prog", "");
    testpaths::WriteFileBytes(dir / "plain", "");
    chmod((dir / "host" / "prog").c_str(), 0755);
    chmod((dir / "plain").c_str(), 0644);
    EXPECT_EQ(FindServiceFile({dir.Path()}, "prog", true), dir / "host" / "prog");
    EXPECT_EQ(FindServiceFile({dir.Path()}, "plain", true), std::nullopt);
    EXPECT_EQ(FindServiceFile({dir.Path()}, "plain", false), dir / "plain");
}

class DeviceManagerTest : public ::testing::Test {
protected:
    DeviceManagerTest()
        : paths(PlatformPaths::Below(home.Path())),
          devices(paths, servicetest::BuiltServiceFolders()),
          registry(paths, &prompts), services{registry, devices, prompts} {}
    ~DeviceManagerTest() override { servicetest::StopServingHosts(paths); }

    std::uint32_t Register(int index) {
        int error = 0;
        const std::uint32_t handle = devices.RegisterService("COM", index, kDriver, 0, error);
        EXPECT_NE(handle, 0u) << "error " << error;
        return handle;
    }
    HostIdentity Identity(int index) {
        return ReadHostIdentity(ServiceRecordPath(paths, index)).value_or(HostIdentity{});
    }
    // Ends the host of `index` as a crash would, after making sure it is that host.
    void KillHost(std::uint32_t handle) {
        std::string reason;
        const auto status = devices.ServiceStatus(handle, reason);
        ASSERT_TRUE(status) << reason;
        const auto pid = servicetest::StatusNumber(*status, "pid");
        ASSERT_TRUE(pid);
        ASSERT_EQ(static_cast<pid_t>(*pid), Identity(PortIndexOfHandle(handle)).pid);
        kill(static_cast<pid_t>(*pid), SIGKILL);
        ASSERT_TRUE(servicetest::WaitUntilHostGone(paths, PortIndexOfHandle(handle)));
    }
    void RewriteRecord(int index, const HostIdentity& identity) {
        testpaths::WriteFileBytes(ServiceRecordPath(paths, index), FormatHostIdentity(identity));
    }

    testpaths::TempDir home;
    PlatformPaths paths;
    DeviceManager devices;
    ScriptedPrompts prompts;
    RegistryStore registry;
    VirtualPortServices services;
};

TEST_F(DeviceManagerTest, RegisteredPortServesUntilItsHandleDeregistersIt) {
    const std::uint32_t handle = Register(5);
    ASSERT_NE(handle, 0u);
    EXPECT_EQ(PortIndexOfHandle(handle), 5);
    const fs::path link = paths.deviceDir / "COM5:";
    EXPECT_EQ(fs::read_symlink(link), fs::path(Identity(5).slave));
    EXPECT_TRUE(devices.DeviceExists("COM", 5));
    std::string reason;
    const auto status = devices.ServiceStatus(handle, reason);
    ASSERT_TRUE(status) << reason;
    EXPECT_NE(status->find("device=COM5:"), std::string::npos) << *status;
    EXPECT_EQ(servicetest::StatusNumber(*status, "opens"), 0u) << *status;

    int error = 0;
    EXPECT_TRUE(devices.DeregisterService(handle, error)) << error;
    EXPECT_FALSE(fs::is_symlink(link));
    EXPECT_FALSE(fs::exists(ServiceRecordPath(paths, 5)));
    EXPECT_FALSE(devices.DeviceExists("COM", 5));
    EXPECT_FALSE(devices.ServiceStatus(handle, reason));
    EXPECT_FALSE(devices.DeregisterService(handle, error));
    EXPECT_EQ(error, ESRCH);
}

TEST_F(DeviceManagerTest, RegistrationsThatCannotBeServedAreRefusedWithTheirReason) {
    ASSERT_NE(Register(5), 0u);
    ASSERT_EQ(DeviceFolder(paths).CreateLink("COM6:", "/dev/null"), 0);
    struct Case {
        const char* label;
        const char* prefix;
        int index;
        const char* library;
        int error;
    };
    const Case cases[] = {
        {"another prefix", "LPT", 1, kDriver, EINVAL},
        {"index above 9", "COM", 10, kDriver, EINVAL},
        {"negative index", "COM", -1, kDriver, EINVAL},
        {"library not found", "COM", 7, "missing.dll", ENOENT},
        {"port served already", "COM", 5, kDriver, EEXIST},
        {"name of a real device", "COM", 6, kDriver, EEXIST},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        int error = 0;
        EXPECT_EQ(devices.RegisterService(c.prefix, c.index, c.library, 0, error), 0u);
        EXPECT_EQ(error, c.error);
    }
    EXPECT_EQ(fs::read_symlink(paths.deviceDir / "COM6:"), "/dev/null");
    int error = 0;
    EXPECT_FALSE(devices.DeregisterService(0, error));
    EXPECT_EQ(error, EINVAL);
}

TEST_F(DeviceManagerTest, StartupReplacesTheLinkOfAKilledHost) {
    const StartupRegistration first = RegisterVirtualPortAtStartup(services, 5);
    ASSERT_EQ(first.outcome, StartupRegistration::Outcome::Registered) << first.error;
    KillHost(first.handle);
    EXPECT_TRUE(fs::is_symlink(paths.deviceDir / "COM5:"));
    EXPECT_FALSE(devices.DeviceExists("COM", 5));

    const StartupRegistration second = RegisterVirtualPortAtStartup(services, 5);
    ASSERT_EQ(second.outcome, StartupRegistration::Outcome::Registered) << second.error;
    EXPECT_NE(second.handle, first.handle);
    EXPECT_EQ(ReadServiceHandle(registry), second.handle);
    std::string reason;
    EXPECT_TRUE(devices.ServiceStatus(second.handle, reason)) << reason;
    EXPECT_EQ(fs::read_symlink(paths.deviceDir / "COM5:"), fs::path(Identity(5).slave));
    // The old handle names no host any more and stops none.
    int error = 0;
    EXPECT_FALSE(devices.ServiceStatus(first.handle, reason));
    EXPECT_FALSE(devices.DeregisterService(first.handle, error));
    EXPECT_EQ(error, ESRCH);
    EXPECT_TRUE(devices.ServiceStatus(second.handle, reason)) << reason;
}

// The killed host's terminal number was given to another terminal since: its old link now
// leads there and opens, yet it is no port and is replaced.
TEST_F(DeviceManagerTest, ALeftoverLinkToATerminalReusedSinceIsNoPort) {
    const StartupRegistration first = RegisterVirtualPortAtStartup(services, 5);
    ASSERT_EQ(first.outcome, StartupRegistration::Outcome::Registered) << first.error;
    HostIdentity identity = Identity(5);
    KillHost(first.handle);
    PseudoTerminal other;
    identity.slave = other.SlavePath();
    RewriteRecord(5, identity);
    ASSERT_EQ(DeviceFolder(paths).CreateLink("COM5:", other.SlavePath()), 0);

    EXPECT_FALSE(devices.DeviceExists("COM", 5));
    const StartupRegistration second = RegisterVirtualPortAtStartup(services, 5);
    ASSERT_EQ(second.outcome, StartupRegistration::Outcome::Registered) << second.error;
    EXPECT_NE(fs::read_symlink(paths.deviceDir / "COM5:"), fs::path(other.SlavePath()));
}

TEST_F(DeviceManagerTest, AHandleOfAKilledHostWhosePidWasReusedSignalsNoOne) {
    const std::uint32_t handle = Register(5);
    HostIdentity identity = Identity(5);
    KillHost(handle);
    servicetest::IdleChild reuser;
    identity.pid = reuser.Pid();
    RewriteRecord(5, identity);

    int error = 0;
    EXPECT_TRUE(devices.DeregisterService(handle, error)) << error;
    EXPECT_TRUE(reuser.Alive());
    EXPECT_FALSE(fs::is_symlink(paths.deviceDir / "COM5:"));
    EXPECT_FALSE(fs::exists(ServiceRecordPath(paths, 5)));
}

// A record held by a process that is not a host answering for it: deregistration fails and
// leaves process, link and record alone.
TEST_F(DeviceManagerTest, ARecordHeldByAnotherProcessIsNeverSignalledNorRemoved) {
    servicetest::IdleChild impostor;
    HostIdentity identity;
    identity.pid = impostor.Pid();
    identity.token = "0123456789abcdef0123456789abcdef";
    identity.device = "COM4:";
    identity.link = (paths.deviceDir / "COM4:").string();
    identity.slave = "/dev/null";
    fs::create_directories(ServiceRecordPath(paths, 4).parent_path());
    RewriteRecord(4, identity);
    ASSERT_EQ(DeviceFolder(paths).CreateLink("COM4:", "/dev/null"), 0);
    const int held = open(ServiceRecordPath(paths, 4).c_str(), O_RDWR | O_CLOEXEC);
    struct flock lock {};
    lock.l_type = F_WRLCK;
    ASSERT_EQ(fcntl(held, F_OFD_SETLK, &lock), 0);

    int error = 0;
    EXPECT_FALSE(devices.DeregisterService(ServiceHandleOf(4, identity.token), error));
    EXPECT_EQ(error, ETIMEDOUT);
    EXPECT_TRUE(impostor.Alive());
    EXPECT_TRUE(fs::is_symlink(paths.deviceDir / "COM4:"));
    EXPECT_TRUE(fs::exists(ServiceRecordPath(paths, 4)));
    close(held);
}

} // namespace
