#include "comm/AutopilotOutput.h"
#include "comm/NetworkSockets.h"
#include "tests/comm/AppFixture.h"
#include "tests/comm/Loopback.h"
#include "tests/comm/PseudoTerminal.h"
#include "tests/comm/TestLogs.h"

#include <gtest/gtest.h>

#include <unistd.h>

using namespace std::chrono_literals;

namespace {

std::size_t Count(const std::string& text, const std::string& what) {
    std::size_t count = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
        ++count;
    }
    return count;
}

TEST(AutopilotSteering, EachNewFixIsSteeredOnceAndNothingWithoutAFixOrADestination) {
    GuidanceUpdate update;
    update.target.mode = NavigationMode::GoTo;
    update.target.destination.name = "HOME";
    update.target.destination.position = CLatLong::FromDecimalDegrees(48.2, 11.6);
    LiveFix live;
    live.fix = {48.1, 11.5, 20.0, 45.0, true};
    live.time = 100;
    live.points = 1;
    AutopilotSteering steering;
    const std::string first = steering.SentencesFor(update, live, RadiiForKind(2));
    EXPECT_TRUE(first.starts_with("$GPRMB,")) << first;
    EXPECT_EQ(Count(first, "\r\n"), 3u) << first;
    // The receiver fell silent: the same fix is not sent again.
    EXPECT_EQ(steering.SentencesFor(update, live, RadiiForKind(2)), "");
    // A fix at the same position still counts as new.
    live.time = 101;
    EXPECT_NE(steering.SentencesFor(update, live, RadiiForKind(2)), "");
    steering.Restart();
    EXPECT_NE(steering.SentencesFor(update, live, RadiiForKind(2)), "");

    live.time = 102;
    live.fix.hasPosition = false;
    EXPECT_EQ(steering.SentencesFor(update, live, RadiiForKind(2)), "");
    live.fix.hasPosition = true;
    update.target.destination.position.reset();
    EXPECT_EQ(steering.SentencesFor(update, live, RadiiForKind(2)), "");
}

class AutopilotPort : public ::testing::Test {
protected:
    // Recording from COM1: while going to HOME, north-east of the drive.
    void StartSteeredRecording(const std::string& autopilotPort) {
        CNavigationDataBase& store = f.app->Document().Store();
        {
            std::lock_guard lock(store.Lock());
            const int home = store.StoreWaypoint(
                CWaypoint("HOME", CLatLong::FromDecimalDegrees(48.2, 11.6)), true, "");
            ASSERT_GE(home, 0);
            store.SetNavigationTarget(static_cast<int>(NavItemKind::Waypoint), home);
        }
        f.LinkPort("COM1:", receiver.SlavePath());
        f.app->SerialSource().SetPortName("COM1:");
        f.app->SetAutopilotPort(autopilotPort);
        f.app->RecordCommand();
        ASSERT_TRUE(f.app->SerialSource().IsRunning());
        ASSERT_TRUE(f.app->IsAutopilotRunning()) << f.prompts.Texts().size();
        EXPECT_EQ(f.app->AutopilotText(), "Autopilot: " + autopilotPort);
    }
    // The receiver sends the drive's next second; true once the live track took it.
    bool NextFix(int second) {
        const std::string drive = testlogs::SyntheticDrive(second + 1);
        receiver.Write(drive.substr(drive.rfind("$GPGGA")));
        return WaitUntil(
            [&] { return f.Points(2).size() == static_cast<std::size_t>(second + 1); });
    }

    AppFixture f;
    PseudoTerminal receiver;
    CRouteGuidance guidance{f.clock};
};

TEST_F(AutopilotPort, ARecordingSteersThePortOncePerNewFixAndClosesItAtTheStop) {
    PseudoTerminal autopilot;
    f.LinkPort("COM2:", autopilot.SlavePath());
    StartSteeredRecording("COM2:");
    ASSERT_TRUE(NextFix(0));

    const GuidanceUpdate update = f.app->GuideLiveFix(guidance);
    ASSERT_TRUE(update.display.hasDestination);
    std::string sent = autopilot.Read(1, 5s);
    sent += autopilot.ReadUntilQuiet(300ms);
    EXPECT_TRUE(sent.starts_with("$GPRMB,")) << sent;
    EXPECT_EQ(Count(sent, "$GPRMB,"), 1u) << sent;
    EXPECT_EQ(Count(sent, "$GPAPB,"), 1u) << sent;
    EXPECT_EQ(Count(sent, "$GPXTE,"), 1u) << sent;
    EXPECT_EQ(Count(sent, ",HOME,"), 2u) << sent; // RMB's and APB's destination

    // No new fix: nothing; the next fix: one more set.
    f.app->GuideLiveFix(guidance);
    EXPECT_EQ(autopilot.ReadUntilQuiet(300ms), "");
    ASSERT_TRUE(NextFix(1));
    f.app->GuideLiveFix(guidance);
    sent = autopilot.Read(1, 5s) + autopilot.ReadUntilQuiet(300ms);
    EXPECT_EQ(Count(sent, "$GPRMB,"), 1u) << sent;

    f.prompts.Answer(PromptAnswer::No);
    f.app->RecordCommand();
    EXPECT_FALSE(f.app->IsAutopilotRunning());
    EXPECT_EQ(f.app->AutopilotText(), "");
}

TEST_F(AutopilotPort, ANetworkDestinationGetsTheSentencesAsOneDatagram) {
    const int listener = BindLoopbackDatagrams(0);
    ASSERT_GE(listener, 0);
    StartSteeredRecording("udp://127.0.0.1:" + std::to_string(BoundPort(listener)));
    ASSERT_TRUE(NextFix(0));
    f.app->GuideLiveFix(guidance);
    const std::string text = ReceiveDatagram(listener);
    EXPECT_TRUE(text.starts_with("$GPRMB,")) << text;
    EXPECT_EQ(Count(text, "\r\n"), 3u) << text;
    close(listener);
    f.prompts.Answer(PromptAnswer::No);
    f.app->RecordCommand();
}

TEST_F(AutopilotPort, AnUnusableAddressIsReportedAndAPortChosenWhileRecordingOpensAtOnce) {
    f.LinkPort("COM1:", receiver.SlavePath());
    f.app->SerialSource().SetPortName("COM1:");
    f.app->SetAutopilotPort("udp://");
    f.app->RecordCommand();
    EXPECT_TRUE(f.app->SerialSource().IsRunning());
    EXPECT_FALSE(f.app->IsAutopilotRunning());
    ASSERT_EQ(f.prompts.Texts().size(), 1u);
    EXPECT_TRUE(f.prompts.Texts()[0].starts_with("The autopilot port udp:// cannot be used"))
        << f.prompts.Texts()[0];

    const std::string port = "udp://127.0.0.1:" + std::to_string(FreeLoopbackPort());
    f.app->SetAutopilotPort(port);
    EXPECT_TRUE(f.app->IsAutopilotRunning());
    EXPECT_EQ(f.app->AutopilotText(), "Autopilot: " + port);
    f.app->SetAutopilotPort("");
    EXPECT_FALSE(f.app->IsAutopilotRunning());
    f.prompts.Answer(PromptAnswer::No);
    f.app->RecordCommand();
}

} // namespace
