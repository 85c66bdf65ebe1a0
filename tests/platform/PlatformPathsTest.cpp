#include "platform/PlatformPaths.h"
#include "platform/DocumentsFolder.h"
#include "platform/ScriptedPrompts.h"
#include "tests/support/TestPaths.h"

#include <gtest/gtest.h>

#include <map>

namespace fs = std::filesystem;

namespace {

PlatformPaths FromVariables(const std::map<std::string, std::string>& variables) {
    return PlatformPaths::FromEnvironment([&](const char* name) -> const char* {
        const auto found = variables.find(name);
        return found == variables.end() ? nullptr : found->second.c_str();
    });
}

TEST(PlatformPaths, FollowTheXdgVariables) {
    const PlatformPaths set = FromVariables({{"HOME", "/home/u"},
                                             {"XDG_CONFIG_HOME", "/cfg"},
                                             {"XDG_DOCUMENTS_DIR", "/docs"},
                                             {"XDG_CONFIG_DIRS", "/nowhere-a:/nowhere-b"},
                                             {"ZRV_GPSD", "gps.local:3000"}});
    EXPECT_EQ(set.userRegistryFile, "/cfg/Velmora Records2009/user.reg");
    EXPECT_EQ(set.deviceDir, "/cfg/Velmora Records2009/devices");
    EXPECT_EQ(set.documentsDir, "/docs");
    EXPECT_EQ(set.machineRegistryFile, "/nowhere-a/Velmora Records2009/system.reg");
    EXPECT_EQ(set.gpsd.host, "gps.local");
    EXPECT_EQ(set.gpsd.port, 3000);

    // Unset or relative values fall back as the XDG rules say.
    const PlatformPaths unset = FromVariables(
        {{"HOME", "/home/u"}, {"XDG_CONFIG_HOME", "relative"}, {"ZRV_GPSD", "host-only:notaport"}});
    EXPECT_EQ(unset.userRegistryFile, "/home/u/.config/Velmora Records2009/user.reg");
    EXPECT_EQ(unset.documentsDir, "/home/u/Documents");
    EXPECT_EQ(unset.machineRegistryFile, "/etc/xdg/Velmora Records2009/system.reg");
    EXPECT_EQ(unset.gpsd.host, "host-only");
    EXPECT_EQ(unset.gpsd.port, 2947);
}

TEST(PlatformPaths, DocumentsComeFromUserDirsWhenNotInTheEnvironment) {
    testpaths::TempDir dir;
    const struct {
        const char* line;
        fs::path expected;
    } cases[] = {
        {"XDG_DOCUMENTS_DIR=\"$HOME/Dokumente\"", "/home/u/Dokumente"},
        {"XDG_DOCUMENTS_DIR=\"/data/docs\"", "/data/docs"},
        {"XDG_DOCUMENTS_DIR=\"$HOME/\"", "/home/u"},
        {"# nothing", "/home/u/Documents"},
    };
    for (const auto& c : cases) {
        testpaths::WriteFileBytes(dir / "user-dirs.dirs",
                                  std::string("XDG_MUSIC_DIR=\"$HOME/Music\"\n") + c.line + "\n");
        const PlatformPaths paths =
            FromVariables({{"HOME", "/home/u"}, {"XDG_CONFIG_HOME", dir.Path().string()}});
        EXPECT_EQ(paths.documentsDir, c.expected) << c.line;
    }
}

TEST(DocumentsFolder, IsCreatedWhenMissingAndItsFailureReported) {
    testpaths::TempDir dir;
    PlatformPaths paths = PlatformPaths::Below(dir.Path());
    ScriptedPrompts prompts;
    paths.documentsDir = dir / "deep" / "Documents";
    EXPECT_EQ(FindDocumentsFolder(paths, prompts), paths.documentsDir);
    EXPECT_TRUE(fs::is_directory(paths.documentsDir));

    testpaths::WriteFileBytes(dir / "file", "");
    paths.documentsDir = dir / "file" / "Documents";
    EXPECT_FALSE(FindDocumentsFolder(paths, prompts));
    paths.documentsDir.clear();
    EXPECT_FALSE(FindDocumentsFolder(paths, prompts));
    ASSERT_EQ(prompts.Shown().size(), 2u);
    EXPECT_EQ(prompts.Shown()[0].text, "SHGetSpecialFolderPath failed at CSIDL_PERSONAL");
    EXPECT_EQ(prompts.Shown()[0].caption, "Irreparable Error");
    EXPECT_EQ(prompts.Shown()[0].icon, PromptIcon::Stop);
}

} // namespace
