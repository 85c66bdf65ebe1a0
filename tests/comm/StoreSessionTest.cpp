#include "comm/ApplicationCore.h"
#include "navigation/StoreFile.h"
#include "platform/CalendarTime.h"
#include "platform/PlatformPaths.h"
#include "platform/RegistryStore.h"
#include "tests/comm/AppFixture.h"
#include "tests/comm/TestViewHost.h"
#include "tests/support/TestPaths.h"

#include <gmock/gmock.h>

#include <atomic>
#include <filesystem>
#include <memory>
#include <thread>

using ::testing::HasSubstr;

namespace {

namespace fs = std::filesystem;

// An application core in a temporary home whose posted work runs on a thread of its own, the
// user-interface thread of these tests.
class StoreSession : public ::testing::Test {
protected:
    StoreSession()
        : paths(PlatformPaths::Below(home.Path())), clock(MakeCalendarTime({2026, 5, 1, 7, 30, 0})),
          registry(paths, &prompts),
          app(ApplicationServices{paths, registry, prompts, view, timers, clock}) {
        ui = std::thread([this] {
            while (!stopUi) {
                view.RunPosted(std::chrono::milliseconds(20));
            }
        });
    }
    ~StoreSession() override {
        stopUi = true;
        ui.join();
        view.DropPosted();
    }
    CNavigationDataBase& Store() { return app.Document().Store(); }
    fs::path StorePath() const { return paths.documentsDir / CNavigationDataBase::kStoreFileName; }

    testpaths::TempDir home;
    PlatformPaths paths;
    ScriptedPrompts prompts;
    TestViewHost view;
    TestTimers timers;
    FixedClock clock;
    RegistryStore registry;
    ApplicationCore app;
    std::atomic<bool> stopUi{false};
    std::thread ui;
};

TEST_F(StoreSession, ClosingFailsWhileTheStoreHeldAtStartStaysHeldAndSavesOnceItIsFree) {
    fs::create_directories(paths.documentsDir);
    testpaths::WriteFileBytes(StorePath(), "");
    auto holder = std::make_unique<StoreFile>(StorePath());
    ASSERT_FALSE(holder->Open(StoreFile::Access::ReadWrite));
    ASSERT_TRUE(app.Start(true));
    ASSERT_TRUE(WaitUntil([&] { return !Store().StorePath().empty(); }));
    EXPECT_THAT(prompts.Texts(), ::testing::Contains(HasSubstr("used by another program")));
    Store().StoreWaypoint(CWaypoint("MINE", CLatLong::FromDecimalDegrees(1.0, 1.0)), false,
                          "/r.txt");

    EXPECT_FALSE(app.CloseDocument()); // after a wait of a few seconds
    EXPECT_THAT(prompts.Texts().back(), HasSubstr("The changes were not saved."));
    EXPECT_EQ(testpaths::ReadFileBytes(StorePath()), "");

    holder.reset(); // the other program is done with the store
    EXPECT_TRUE(app.CloseDocument());
    EXPECT_THAT(testpaths::ReadFileBytes(StorePath()), HasSubstr(",MINE*"));
}

} // namespace
