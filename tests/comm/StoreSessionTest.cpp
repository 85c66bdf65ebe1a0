#include "comm/ApplicationCore.h"
#include "navigation/StoreFile.h"
#include "nmea/Sentence.h"
#include "platform/CalendarTime.h"
#include "platform/DeviceFolder.h"
#include "platform/PlatformPaths.h"
#include "platform/RegistryStore.h"
#include "tests/comm/AppFixture.h"
#include "tests/comm/PseudoTerminal.h"
#include "tests/comm/TestLogs.h"
#include "tests/comm/TestViewHost.h"
#include "tests/support/TestPaths.h"

#include <gmock/gmock.h>

#include <atomic>
#include <condition_variable>
#include <filesystem>
#include <memory>
#include <mutex>
#include <thread>

using ::testing::HasSubstr;

namespace {

namespace fs = std::filesystem;

// Prompts whose name-conflict questions stay open until the test answers them, as a user who
// has not looked at the screen yet; every other box gets its default.
class HeldQuestionPrompts final : public IPrompts {
public:
    PromptAnswer Show(const PromptRequest& request) override {
        std::unique_lock lock(m_mutex);
        m_texts.push_back(request.text);
        if (request.text.find("exists already") == std::string::npos) {
            return request.buttons == PromptButtons::YesNo && !request.defaultNo
                       ? PromptAnswer::Yes
                       : (request.buttons == PromptButtons::Ok ? PromptAnswer::Ok
                                                               : PromptAnswer::No);
        }
        ++m_asking;
        m_changed.notify_all();
        m_changed.wait(lock, [&] { return m_answers > 0; });
        --m_answers;
        --m_asking;
        return PromptAnswer::Yes;
    }
    bool IsAsking() {
        std::lock_guard lock(m_mutex);
        return m_asking > 0;
    }
    void AnswerYes() {
        std::lock_guard lock(m_mutex);
        ++m_answers;
        m_changed.notify_all();
    }
    std::vector<std::string> Texts() {
        std::lock_guard lock(m_mutex);
        return m_texts;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    int m_asking = 0;
    int m_answers = 0;
    std::vector<std::string> m_texts;
};

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
    HeldQuestionPrompts prompts;
    TestViewHost view;
    TestTimers timers;
    FixedClock clock;
    RegistryStore registry;
    ApplicationCore app;
    std::atomic<bool> stopUi{false};
    std::thread ui;
};

std::string Wpl(const char* fields) {
    return *FinishLine(std::string("$GPWPL,") + fields + "*");
}

TEST_F(StoreSession, AReceivedWaypointWhoseNameIsTakenIsAskedAboutWhileRecordingGoesOn) {
    ASSERT_TRUE(app.Start(false));
    PseudoTerminal pty;
    DeviceFolder(paths).CreateLink("COM1:", pty.SlavePath());
    app.SerialSource().SetPortName("COM1:");
    app.RecordCommand();
    ASSERT_TRUE(app.SerialSource().IsRunning());
    const fs::path record = app.SerialSource().RecordFileName();

    // A sentence is complete once the next one begins.
    pty.Write(Wpl("4916.4500,N,12311.1200,W,X") + "$");
    ASSERT_TRUE(WaitUntil([&] { return Store().FindWaypoint("X") == 0; }));
    pty.Write(Wpl("0100.0000,N,00100.0000,E,X") + "$");
    ASSERT_TRUE(WaitUntil([&] { return prompts.IsAsking(); }));

    // While the question is open, the device's sentences go on into the record file.
    const auto before = fs::file_size(record);
    const std::string drive = testlogs::SyntheticDrive(20) + "$";
    std::size_t kept = 0;
    for (const std::string& sentence : testlogs::KeptSentences(drive)) {
        kept += sentence.size();
    }
    pty.Write(drive);
    EXPECT_TRUE(WaitUntil([&] { return fs::file_size(record) >= before + kept; },
                          std::chrono::seconds(10)));

    prompts.AnswerYes(); // Replace
    ASSERT_TRUE(WaitUntil([&] { return !prompts.IsAsking() && Store().WaitingConflicts() == 0; }));
    ASSERT_EQ(Store().Count(NavItemKind::Waypoint), 1);
    EXPECT_EQ(Store().Waypoint(0).Position(), CLatLong::FromDecimalDegrees(1.0, 1.0));
    app.RecordCommand();
}

TEST_F(StoreSession, ReceivedItemsStillWaitingAreAskedAboutBeforeTheStoreIsClosed) {
    ASSERT_TRUE(app.Start(false));
    Store().SetConflictNotice(nullptr); // nothing posted: the items wait until closing
    Store().FeedReceivedLine(Wpl("0100.0000,N,00100.0000,E,X"), "/r.txt");
    Store().FeedReceivedLine(Wpl("0200.0000,N,00200.0000,E,X"), "/r.txt");
    Store().FeedReceivedLine(Wpl("0300.0000,N,00300.0000,E,Y"), "/r.txt");
    EXPECT_EQ(Store().WaitingConflicts(), 1);
    EXPECT_EQ(Store().Count(NavItemKind::Waypoint), 2);

    std::thread closing([&] { app.CloseDocument(); });
    ASSERT_TRUE(WaitUntil([&] { return prompts.IsAsking(); }));
    prompts.AnswerYes();
    closing.join();
    EXPECT_EQ(Store().WaitingConflicts(), 0);
    EXPECT_EQ(Store().Waypoint(Store().FindWaypoint("X")).Position(),
              CLatLong::FromDecimalDegrees(2.0, 2.0));
}

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
