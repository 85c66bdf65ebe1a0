#include "platform/RegistryStore.h"
#include "platform/PlatformPaths.h"
#include "platform/RegistryAccessor.h"
#include "platform/RegistryText.h"
#include "platform/ScriptedPrompts.h"
#include "platform/SettingsKeys.h"
#include "tests/support/TestPaths.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

const std::string kGeneral = settings_keys::kGeneral;

class RegistryStoreTest : public ::testing::Test {
protected:
    testpaths::TempDir dir;
    PlatformPaths paths = PlatformPaths::Below(dir.Path());
    ScriptedPrompts prompts;
    RegistryStore store{paths, &prompts};

    CRegistryAccessor At(const std::string& key, const std::string& name,
                         RegistryRoot root = RegistryRoot::CurrentUser) {
        CRegistryAccessor accessor(store);
        accessor.SetRoot(root);
        accessor.SetKey(key);
        accessor.SetValueName(name);
        return accessor;
    }
};

TEST_F(RegistryStoreTest, EachTypeReadsBackWhatWasWritten) {
    EXPECT_EQ(At(kGeneral, "VSerialPort").WriteDword(0xFFFFFFFFu), 0);
    EXPECT_EQ(At(kGeneral, "Name").WriteString("$device\\COM12:"), 0);
    EXPECT_EQ(At(kGeneral, "Address").WriteQword(0x0000123456789ABCull), 0);

    // A second store stands for the next run of the program: it reads the file.
    RegistryStore next(paths, &prompts);
    CRegistryAccessor accessor(next);
    accessor.SetKey(kGeneral);
    std::uint32_t dword = 0;
    std::string text;
    std::uint64_t qword = 0;
    accessor.SetValueName("VSerialPort");
    EXPECT_EQ(accessor.ReadDword(dword), 0);
    accessor.SetValueName("Name");
    EXPECT_EQ(accessor.ReadString(text), 0);
    accessor.SetValueName("Address");
    EXPECT_EQ(accessor.ReadQword(qword), 0);
    EXPECT_EQ(dword, 0xFFFFFFFFu);
    EXPECT_EQ(text, "$device\\COM12:");
    EXPECT_EQ(qword, 0x0000123456789ABCull);
    EXPECT_TRUE(prompts.Shown().empty());
}

TEST_F(RegistryStoreTest, AFailedReadLeavesTheCallersDefault) {
    ASSERT_EQ(At(kGeneral, "Text").WriteString("7"), 0);
    ASSERT_EQ(At(kGeneral, "Number").WriteDword(7), 0);
    const struct {
        const char* label;
        std::string key;
        std::string name;
    } cases[] = {
        {"missing key", kGeneral + "\\Nowhere", "Number"},
        {"missing value", kGeneral, "Other"},
        {"string read as a number", kGeneral, "Text"},
        {"malformed key path", "A\\\\B", "Number"},
    };
    for (const auto& c : cases) {
        std::uint32_t dword = 42;
        std::uint64_t qword = 42;
        std::string text = "default";
        EXPECT_NE(At(c.key, c.name).ReadDword(dword), 0) << c.label;
        EXPECT_NE(At(c.key, c.name).ReadQword(qword), 0) << c.label;
        if (c.name != "Text") {
            EXPECT_NE(At(c.key, c.name).ReadString(text), 0) << c.label;
        }
        EXPECT_EQ(dword, 42u) << c.label;
        EXPECT_EQ(qword, 42u) << c.label;
        EXPECT_EQ(text, "default") << c.label;
    }
    EXPECT_TRUE(prompts.Shown().empty()) << "read failures are never reported";
}

TEST_F(RegistryStoreTest, DeletingASubkeyRemovesItsValuesAndNestedKeys) {
    const std::string comm = settings_keys::kCommunication;
    ASSERT_EQ(At(comm + "\\BluetoothDevices\\BluetoothDevice_0", "DeviceName").WriteString("a"), 0);
    ASSERT_EQ(
        At(comm + "\\BluetoothDevices\\BluetoothDevice_1", "RemoteDeviceAddress").WriteQword(1), 0);
    ASSERT_EQ(At(comm, "UseGPSIntermediateDriver").WriteDword(1), 0);

    CRegistryAccessor accessor = At(comm, "");
    EXPECT_EQ(accessor.DeleteSubkey("BluetoothDevices"), 0);
    EXPECT_NE(accessor.DeleteSubkey("BluetoothDevices"), 0) << "already gone";
    EXPECT_NE(accessor.DeleteSubkey(""), 0) << "the key itself is not a subkey";

    std::string name;
    EXPECT_NE(At(comm + "\\BluetoothDevices\\BluetoothDevice_0", "DeviceName").ReadString(name), 0);
    const RegistryTree left = store.Snapshot(RegistryRoot::CurrentUser);
    EXPECT_FALSE(KeyExists(left, comm + "\\BluetoothDevices"));
    std::uint32_t use = 0;
    EXPECT_EQ(At(comm, "UseGPSIntermediateDriver").ReadDword(use), 0) << "parent values stay";
}

TEST_F(RegistryStoreTest, TheMachineRootIsReadOnlyAndNamesTheBuiltInGps) {
    testpaths::WriteFileBytes(paths.machineRegistryFile,
                              "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\GPS "
                              "Intermediate Driver]\n\"IsEnabled\"=dword:00000000\n");
    bool gpsdAnswers = false;
    RegistryStore machine(paths, &prompts, [&] { return gpsdAnswers; });
    CRegistryAccessor accessor(machine);
    accessor.SetRoot(RegistryRoot::LocalMachine);
    accessor.SetKey(settings_keys::kGpsIntermediateDriver);
    accessor.SetValueName(settings_keys::kIsEnabled);
    std::uint32_t enabled = 1;
    EXPECT_EQ(accessor.ReadDword(enabled), 0);
    EXPECT_EQ(enabled, 0u);
    EXPECT_NE(accessor.WriteDword(1), 0);
    EXPECT_NE(accessor.DeleteSubkey("Multiplexer"), 0);

    accessor.SetKey(settings_keys::kGpsMultiplexer);
    accessor.SetValueName(settings_keys::kDriverInterface);
    std::string port = "unset";
    EXPECT_NE(accessor.ReadString(port), 0) << "no gpsd, no port";
    gpsdAnswers = true;
    EXPECT_EQ(accessor.ReadString(port), 0);
    EXPECT_EQ(port, "GPD0:");

    // A port named by the machine file wins over gpsd.
    testpaths::WriteFileBytes(paths.machineRegistryFile,
                              "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\GPS "
                              "Intermediate Driver\\Multiplexer]\n\"DriverInterface\"=\"GPD3:\"\n");
    EXPECT_EQ(accessor.ReadString(port), 0);
    EXPECT_EQ(port, "GPD3:");
    EXPECT_FALSE(fs::exists(paths.userRegistryFile)) << "nothing written for the machine";
}

TEST_F(RegistryStoreTest, TheFileIsPlainTextAndChangesByOthersAreSeen) {
    ASSERT_EQ(At(kGeneral, "KindOfView").WriteDword(1), 0);
    const std::string text = testpaths::ReadFileBytes(paths.userRegistryFile);
    EXPECT_NE(text.find("REGEDIT4"), std::string::npos);
    EXPECT_NE(text.find("\"KindOfView\"=dword:00000001"), std::string::npos) << text;

    // A person edits the file while the program runs.
    std::string edited = text;
    edited.replace(edited.find("dword:00000001"), 14, "dword:00000002");
    testpaths::WriteFileBytes(paths.userRegistryFile, edited);
    std::uint32_t kind = 0;
    EXPECT_EQ(At(kGeneral, "KindOfView").ReadDword(kind), 0);
    EXPECT_EQ(kind, 2u);
}

TEST_F(RegistryStoreTest, WritingAnUnchangedValueLeavesTheFileAlone) {
    ASSERT_EQ(At(kGeneral, "DistanceUnits").WriteDword(3), 0);
    struct stat before {};
    ASSERT_EQ(stat(paths.userRegistryFile.c_str(), &before), 0);
    ASSERT_EQ(At(kGeneral, "DistanceUnits").WriteDword(3), 0);
    struct stat after {};
    ASSERT_EQ(stat(paths.userRegistryFile.c_str(), &after), 0);
    EXPECT_EQ(before.st_ino, after.st_ino);
}

TEST_F(RegistryStoreTest, ADamagedFileIsKeptReportedAndReplacedByDefaults) {
    const std::string damaged = "REGEDIT4\n[HKEY_CURRENT_USER\\X]\n\"a\"=dword:nonsense\n";
    fs::create_directories(paths.configDir);
    testpaths::WriteFileBytes(paths.userRegistryFile, damaged);

    std::uint32_t value = 5;
    EXPECT_NE(At(kGeneral, "KindOfView").ReadDword(value), 0);
    EXPECT_EQ(value, 5u);
    const fs::path kept = paths.userRegistryFile.string() + ".damaged";
    EXPECT_EQ(testpaths::ReadFileBytes(kept), damaged);
    ASSERT_EQ(prompts.Shown().size(), 1u);
    EXPECT_NE(prompts.Texts()[0].find("line 3"), std::string::npos) << prompts.Texts()[0];
    EXPECT_NE(prompts.Texts()[0].find(kept.string()), std::string::npos) << prompts.Texts()[0];

    // The program goes on: the next write starts a new file.
    EXPECT_EQ(At(kGeneral, "KindOfView").WriteDword(1), 0);
    EXPECT_EQ(At(kGeneral, "KindOfView").ReadDword(value), 0);
    EXPECT_EQ(value, 1u);

    // A second damaged file is kept under another name; the first copy stays.
    testpaths::WriteFileBytes(paths.userRegistryFile, "garbage");
    EXPECT_EQ(At(kGeneral, "Other").WriteDword(2), 0) << "a write also keeps the damaged file";
    EXPECT_EQ(testpaths::ReadFileBytes(kept), damaged);
    EXPECT_EQ(testpaths::ReadFileBytes(paths.userRegistryFile.string() + ".damaged-2"), "garbage");
    EXPECT_EQ(prompts.Shown().size(), 2u);
    EXPECT_EQ(prompts.Shown()[1].icon, PromptIcon::Exclamation);
}

TEST_F(RegistryStoreTest, ADamagedFileThatCannotBeKeptIsReportedAndLeftAsItIs) {
    if (geteuid() == 0) {
        GTEST_SKIP() << "root writes into read-only folders";
    }
    fs::create_directories(paths.configDir);
    testpaths::WriteFileBytes(paths.userRegistryFile, "garbage");
    // The lock file exists, but the folder takes no new names.
    testpaths::WriteFileBytes(paths.userRegistryFile.string() + ".lock", "");
    fs::permissions(paths.configDir, fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_NE(At(kGeneral, "KindOfView").WriteDword(1), 0);
    fs::permissions(paths.configDir, fs::perms::owner_all);
    EXPECT_EQ(testpaths::ReadFileBytes(paths.userRegistryFile), "garbage");
    ASSERT_FALSE(prompts.Texts().empty());
    EXPECT_NE(prompts.Texts()[0].find("not saved"), std::string::npos) << prompts.Texts()[0];
}

TEST_F(RegistryStoreTest, ADamagedMachineFileIsIgnoredAndLeftInPlace) {
    testpaths::WriteFileBytes(paths.machineRegistryFile, "garbage");
    CRegistryAccessor accessor =
        At(settings_keys::kGpsIntermediateDriver, "IsEnabled", RegistryRoot::LocalMachine);
    std::uint32_t enabled = 1;
    EXPECT_NE(accessor.ReadDword(enabled), 0);
    EXPECT_NE(accessor.ReadDword(enabled), 0);
    EXPECT_EQ(testpaths::ReadFileBytes(paths.machineRegistryFile), "garbage");
    EXPECT_EQ(prompts.Shown().size(), 1u) << "reported once, not on every read";
}

// The window and the command-line companion write at the same time: both keep their values.
TEST_F(RegistryStoreTest, TwoProcessesWritingAtOnceLoseNothing) {
    constexpr int kWrites = 60;
    auto writeAll = [&](RegistryStore& own, const std::string& prefix) {
        CRegistryAccessor accessor(own);
        accessor.SetKey(kGeneral);
        int failures = 0;
        for (int i = 0; i < kWrites; ++i) {
            accessor.SetValueName(prefix + std::to_string(i));
            failures += accessor.WriteDword(static_cast<std::uint32_t>(i)) != 0;
        }
        return failures;
    };
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        RegistryStore own(paths, nullptr);
        _exit(writeAll(own, "Child") == 0 ? 0 : 1);
    }
    const int parentFailures = writeAll(store, "Parent");
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(parentFailures, 0);

    RegistryStore fresh(paths, &prompts);
    const RegistryTree tree = fresh.Snapshot(RegistryRoot::CurrentUser);
    const auto general = tree.find(kGeneral);
    ASSERT_NE(general, tree.end());
    EXPECT_EQ(general->second.size(), 2u * kWrites);
    EXPECT_TRUE(prompts.Shown().empty());
}

// Threads share one store, each with its own accessor, as the user-interface thread and the
// store loader do.
TEST_F(RegistryStoreTest, ThreadsWithTheirOwnAccessorsSeeTheirOwnValues) {
    constexpr int kThreads = 4;
    constexpr int kRounds = 25;
    std::vector<int> mismatches(kThreads, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            CRegistryAccessor accessor(store);
            accessor.SetKey(kGeneral + "\\Thread" + std::to_string(t));
            for (int i = 0; i < kRounds; ++i) {
                accessor.SetValueName("V" + std::to_string(i));
                const std::uint32_t written = static_cast<std::uint32_t>(t * 1000 + i);
                std::uint32_t read = 0;
                if (accessor.WriteDword(written) != 0 || accessor.ReadDword(read) != 0 ||
                    read != written) {
                    ++mismatches[t];
                }
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    for (int t = 0; t < kThreads; ++t) {
        EXPECT_EQ(mismatches[t], 0) << "thread " << t;
    }
    RegistryStore fresh(paths, &prompts);
    std::size_t values = 0;
    for (const auto& [key, found] : fresh.Snapshot(RegistryRoot::CurrentUser)) {
        values += found.size();
    }
    EXPECT_EQ(values, static_cast<std::size_t>(kThreads * kRounds));
}

} // namespace
