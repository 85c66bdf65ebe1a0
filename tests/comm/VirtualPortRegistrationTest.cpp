// The registration rules of the virtual serial port against a scripted device manager: which
// calls are made, what is stored and which boxes are shown, at start-up and on a change.
#include "comm/VirtualPortRegistration.h"
#include "comm/DeviceManager.h"
#include "platform/PlatformPaths.h"
#include "platform/RegistryAccessor.h"
#include "platform/RegistryStore.h"
#include "platform/ScriptedPrompts.h"
#include "platform/SettingsKeys.h"
#include "tests/comm/ScriptedDeviceManager.h"
#include "tests/support/TestPaths.h"

#include <cerrno>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <vector>

namespace {

// Settings in a fresh folder, the scripted manager and prompts, with "ServiceHandle" stored
// when given.
struct Scenario {
    explicit Scenario(std::optional<std::uint32_t> storedHandle)
        : paths(PlatformPaths::Below(home.Path())),
          registry(paths, &prompts), services{registry, devices, prompts} {
        if (storedHandle) {
            CRegistryAccessor accessor(registry);
            accessor.SetKey(settings_keys::kVirtualSerialPort);
            accessor.SetValueName(settings_keys::kServiceHandle);
            accessor.WriteDword(*storedHandle);
        }
    }

    testpaths::TempDir home;
    PlatformPaths paths;
    ScriptedPrompts prompts;
    RegistryStore registry;
    ScriptedDeviceManager devices;
    VirtualPortServices services;
};

using Outcome = StartupRegistration::Outcome;
const std::string kRegister5 = "Register COM 5 ppcZRV3SerialDrv.dll 0";

TEST(VirtualPortRegistration, StartupRegistersOnlyAMissingPortAndNeverShowsAnything) {
    struct Case {
        const char* label;
        const char* existing;
        std::uint32_t registerHandle;
        Outcome outcome;
        std::vector<std::string> calls;
        std::uint32_t storedAfter;
    };
    const Case cases[] = {
        {"port exists: left alone, handle kept", "COM5:", 0x51, Outcome::AlreadyPresent, {}, 0x77},
        {"port missing: registered", "COM3:", 0x51, Outcome::Registered, {kRegister5}, 0x51},
        {"registration fails: handle kept", "", 0, Outcome::Failed, {kRegister5}, 0x77},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        Scenario s(0x77);
        s.devices.existing = {c.existing};
        s.devices.registerHandle = c.registerHandle;
        s.devices.registerError = EEXIST;
        const StartupRegistration result = RegisterVirtualPortAtStartup(s.services, 5);
        EXPECT_EQ(result.outcome, c.outcome);
        EXPECT_EQ(result.error, c.registerHandle == 0 ? EEXIST : 0);
        EXPECT_EQ(s.devices.calls, c.calls);
        EXPECT_EQ(ReadServiceHandle(s.registry), c.storedAfter);
        EXPECT_TRUE(s.prompts.Texts().empty());
    }
}

TEST(VirtualPortRegistration, StartupWithoutAPortWithdrawsAStoredHandleEvenWhenThatFails) {
    struct Case {
        const char* label;
        std::optional<std::uint32_t> stored;
        int deregisterError;
        Outcome outcome;
        std::vector<std::string> calls;
    };
    const Case cases[] = {
        {"handle stored", 0x77, 0, Outcome::Deregistered, {"Deregister 119"}},
        {"deregistration fails", 0x77, ESRCH, Outcome::Deregistered, {"Deregister 119"}},
        {"handle 0", 0, 0, Outcome::NoPort, {}},
        {"no handle stored", std::nullopt, 0, Outcome::NoPort, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        Scenario s(c.stored);
        s.devices.deregisterError = c.deregisterError;
        const StartupRegistration result = RegisterVirtualPortAtStartup(s.services, -1);
        EXPECT_EQ(result.outcome, c.outcome);
        EXPECT_EQ(result.error, c.deregisterError);
        EXPECT_EQ(s.devices.calls, c.calls);
        EXPECT_EQ(ReadServiceHandle(s.registry), 0u);
        EXPECT_TRUE(s.prompts.Texts().empty());
    }
}

TEST(VirtualPortRegistration, AChangeWithdrawsTheStoredHandleRegistersTheNewPortAndStoresBoth) {
    struct Case {
        const char* label;
        std::uint32_t storedHandle;
        int newIndex;
        std::uint32_t registerHandle;
        int registerError;
        int deregisterError;
        std::vector<std::string> calls;
        std::uint32_t handleAfter;
        std::vector<std::string> boxes;
    };
    const std::string withdraw = "Deregister 119";
    const Case cases[] = {
        {"3 to None", 0x77, -1, 0x51, 0, 0, {withdraw}, 0, {}},
        {"None to 5", 0, 5, 0x51, 0, 0, {kRegister5}, 0x51, {}},
        {"3 to 5", 0x77, 5, 0x51, 0, 0, {withdraw, kRegister5}, 0x51, {}},
        {"deregistration fails",
         0x77,
         5,
         0x51,
         0,
         ESRCH,
         {withdraw, kRegister5},
         0x51,
         {"DeregisterService failed, error 3: No such process\n"}},
        {"registration fails",
         0x77,
         5,
         0,
         EEXIST,
         0,
         {withdraw, kRegister5},
         0,
         {"RegisterService failed, error 17: File exists\n"}},
        {"registration fails without a reason", 0, 5, 0, 0, 0, {kRegister5}, 0, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        Scenario s(c.storedHandle);
        s.devices.registerHandle = c.registerHandle;
        s.devices.registerError = c.registerError;
        s.devices.deregisterError = c.deregisterError;
        const VirtualPortChange change = ChangeVirtualSerialPort(s.services, c.newIndex);
        EXPECT_EQ(s.devices.calls, c.calls);
        EXPECT_EQ(ReadServiceHandle(s.registry), c.handleAfter);
        EXPECT_EQ(change.handle, c.handleAfter);
        EXPECT_EQ(ReadVirtualPortIndex(s.registry), c.newIndex);
        EXPECT_EQ(change.deregistrationFailed, c.deregisterError != 0);
        EXPECT_EQ(change.registrationFailed, c.registerHandle == 0);
        EXPECT_EQ(s.prompts.Texts(), c.boxes);
        for (const PromptRequest& box : s.prompts.Shown()) {
            EXPECT_EQ(box.caption, "Irreparable Error");
            EXPECT_EQ(box.icon, PromptIcon::Stop);
        }
    }
}

TEST(VirtualPortRegistration, OnlyAnUnreadableHandleIsToldAndTheNewPortIsRegisteredEitherWay) {
    // Never stored, as on a new machine: nothing was registered, so there is nothing to tell.
    {
        Scenario s(std::nullopt);
        const VirtualPortChange change = ChangeVirtualSerialPort(s.services, 5);
        EXPECT_TRUE(s.prompts.Shown().empty());
        EXPECT_EQ(s.devices.calls, std::vector<std::string>{kRegister5});
        EXPECT_EQ(change.handle, 0x51u);
    }
    Scenario s(std::nullopt);
    ASSERT_EQ(s.registry.Write(RegistryRoot::CurrentUser, settings_keys::kVirtualSerialPort,
                               settings_keys::kServiceHandle, RegistryValue::String("x")),
              0);
    const VirtualPortChange change = ChangeVirtualSerialPort(s.services, 5);
    ASSERT_EQ(s.prompts.Shown().size(), 1u);
    const PromptRequest box = s.prompts.Shown().front();
    EXPECT_EQ(box.text,
              "The service handle for ppcZRV3SerialDrv.dll could not be read from registry");
    EXPECT_EQ(box.caption, "Velmora Recorder 3");
    EXPECT_EQ(box.icon, PromptIcon::Information);
    EXPECT_EQ(s.devices.calls, std::vector<std::string>{kRegister5});
    EXPECT_EQ(change.handle, 0x51u);
    EXPECT_EQ(ReadServiceHandle(s.registry), 0x51u);
    EXPECT_EQ(ReadVirtualPortIndex(s.registry), 5);
}

} // namespace
