#include "comm/BluetoothEndpoint.h"
#include "nmea/ProprietarySentences.h"
#include "platform/Settings.h"
#include "tests/comm/AppFixture.h"
#include "tests/comm/ScriptedBluetooth.h"
#include "tests/comm/TestLogs.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <deque>
#include <future>
#include <numeric>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

using namespace std::chrono_literals;

namespace {

using Bytes = SdpBytes;

const BluetoothDevice kMouse{"GPS-Mouse", 0x0011'2233'4455};
constexpr const char* kRecordName = "2026_05_01_07_30_00_Fr.txt";

Bytes AttributeLists(std::initializer_list<std::uint8_t> channels) {
    return SerialPortAttributeLists(channels);
}

// An application whose Bluetooth stack is the scripted one; the transport outlives it.
class Bluetooth : public ::testing::Test {
protected:
    Bluetooth() {
        f.app = std::make_unique<ApplicationCore>(
            ApplicationServices{f.paths, *f.registry, f.prompts, f.view, f.timers, f.clock,
                                RealSystemCalls(), transport});
        EXPECT_TRUE(f.app->Start(false));
    }
    ~Bluetooth() override {
        if (f.app->BluetoothSource().IsRunning()) {
            f.app->RecordCommand();
        }
        if (f.app->BluetoothDestination().IsRunning()) {
            f.app->PlaybackToCommand();
        }
    }

    void StartRecording() {
        f.app->BluetoothSource().SetDevice(kMouse);
        f.app->RecordCommand();
        ASSERT_TRUE(f.app->BluetoothSource().IsRunning());
        ASSERT_NE(transport.peer, nullptr);
    }
    std::filesystem::path RecordPath() const { return f.paths.documentsDir / kRecordName; }
    bool FileHolds(std::size_t bytes) const {
        std::error_code error;
        return std::filesystem::file_size(RecordPath(), error) >= bytes && !error;
    }

    ScriptedTransport transport;
    AppFixture f;
};

std::string Expected(const std::string& stream, const std::string& source) {
    const auto kept = testlogs::KeptSentences(stream);
    return ProductVersionLine() + NoticeLine() + SourceLine(source).value_or("") +
           std::accumulate(kept.begin(), kept.end(), std::string());
}

// --- Recording ----------------------------------------------------------------------------

TEST_F(Bluetooth, RecordingWritesTheChannelHeaderAndTheSentencesAndFillsTrack2) {
    StartRecording();
    EXPECT_EQ(transport.searchedAddress, kMouse.address);
    EXPECT_EQ(f.app->BluetoothSource().ConnectedName(), "GPS-Mouse Channel:5");
    EXPECT_EQ(f.app->RunningSource(), &f.app->BluetoothSource());
    EXPECT_TRUE(f.timers.IsRunning(kTimerKeepAwakeRecording));
    const std::string stream = testlogs::SyntheticDrive(20);
    transport.peer->Write(stream);
    const std::string expected = Expected(stream, "GPS-Mouse,Channel:5");
    ASSERT_TRUE(WaitUntil([&] { return FileHolds(expected.size()); }));
    ASSERT_TRUE(WaitUntil([&] { return f.Points(2).size() == 20; }));
    // The keep-alive goes out at once, whatever the device.
    ASSERT_TRUE(WaitUntil([&] { return transport.peer->Received() == KeepAliveLine(); }));

    f.prompts.Answer(PromptAnswer::Yes);
    // Nothing arrives any more and the keep-alive sleeps for 10 s: the stop is still prompt.
    auto stopped = std::async(std::launch::async, [&] { f.app->RecordCommand(); });
    ASSERT_EQ(stopped.wait_for(5s), std::future_status::ready);
    EXPECT_FALSE(f.app->BluetoothSource().IsRunning());
    EXPECT_TRUE(transport.peer->SawEnd());
    EXPECT_EQ(f.app->BluetoothSource().Channel(), 0);
    EXPECT_TRUE(f.app->BluetoothSource().ConnectedName().empty());
    EXPECT_FALSE(f.timers.IsRunning(kTimerKeepAwakeRecording));
    EXPECT_EQ(testpaths::ReadFileBytes(RecordPath()), expected);
    f.WaitForPlaybackLoaded();
    EXPECT_EQ(f.Points(1).size(), 20u);
    EXPECT_TRUE(f.Points(2).empty());
}

TEST_F(Bluetooth, ADeviceThatHangsUpEndsTheRecordingWithOneBoxAndTheKeepQuestion) {
    StartRecording();
    const std::string stream = testlogs::SyntheticDrive(5);
    transport.peer->Write(stream);
    const std::string expected = Expected(stream, "GPS-Mouse,Channel:5");
    ASSERT_TRUE(WaitUntil([&] { return FileHolds(expected.size()); }));
    transport.peer->HangUp();
    ASSERT_TRUE(WaitUntil([&] { return !f.prompts.Texts().empty(); }));

    f.prompts.Answer(PromptAnswer::No);
    ASSERT_TRUE(f.view.RunPosted(10s)); // the stop the failure asked for
    EXPECT_FALSE(f.app->BluetoothSource().IsRunning());
    const std::vector<std::string> texts = f.prompts.Texts();
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0], "recvfrom failed (104) at GPS-Mouse");
    EXPECT_EQ(texts[1].rfind("Do You want to save", 0), 0u);
    EXPECT_FALSE(std::filesystem::exists(RecordPath()));
}

TEST_F(Bluetooth, AHangUpStillRecordsTheSentenceItCutOff) {
    StartRecording();
    const std::string stream = testlogs::SyntheticDrive(5);
    const std::string cut = "$GPRMC,073005,A,4916.4";
    transport.peer->Write(stream + cut);
    const std::string expected = Expected(stream, "GPS-Mouse,Channel:5");
    ASSERT_TRUE(WaitUntil([&] { return FileHolds(expected.size()); }));
    // The cut-off sentence came before the end of the connection, and is read before it.
    transport.peer->HangUp();
    ASSERT_TRUE(WaitUntil([&] { return !f.prompts.Texts().empty(); }));
    f.prompts.Answer(PromptAnswer::Yes);
    ASSERT_TRUE(f.view.RunPosted(10s));
    EXPECT_EQ(testpaths::ReadFileBytes(RecordPath()), expected + cut);
    f.WaitForPlaybackLoaded();
    EXPECT_EQ(f.Points(1).size(), 5u);
}

TEST_F(Bluetooth, TheSerialSourceGoesFirstAndOnlyOneSourceRuns) {
    f.app->BluetoothSource().SetDevice(kMouse);
    f.app->SerialSource().SetPortName("COM9:");
    f.app->RecordCommand(); // the serial port does not exist: reported, nothing starts
    EXPECT_EQ(f.app->RunningSource(), nullptr);
    EXPECT_EQ(transport.searchedAddress, 0u);
    ASSERT_EQ(f.prompts.Texts().size(), 1u);
    EXPECT_EQ(f.prompts.Texts()[0].rfind("CreateFile failed", 0), 0u);
}

// --- Playback to a device -------------------------------------------------------------------

TEST_F(Bluetooth, PlaybackSendsOneBurstPerSecondToTheDevice) {
    const auto file = f.home / "drive.txt";
    testpaths::WriteFileBytes(file, testlogs::SyntheticDrive(50));
    f.app->LoadRecordFile(file.string(), "drive.txt");
    f.WaitForPlaybackLoaded();
    f.view.Show(1, 1);
    f.app->SetPlaybackMode(PlaybackMode::Play);
    f.app->BluetoothDestination().SetDevice(kMouse);
    f.app->PlaybackToCommand();
    ASSERT_TRUE(f.app->BluetoothDestination().IsRunning());
    EXPECT_TRUE(f.app->IsDestinationRunning());
    ASSERT_GE(f.view.WaitForMarkers(2, 20s).size(), 2u);
    // What the device sends back is read and dropped.
    transport.peer->Write("$GPTXT,01,01,02,hello*00\r\n");
    f.app->PlaybackToCommand();
    EXPECT_FALSE(f.app->BluetoothDestination().IsRunning());
    EXPECT_TRUE(f.prompts.Texts().empty());

    const std::string sent = transport.peer->Received();
    EXPECT_EQ(sent.rfind("$GPGGA,", 0), 0u) << sent;
    for (const char* mnemonic : {"$GPGSA,", "$GPGSV,", "$GPRMC,", "$GPVTG,", "$GPGLL,"}) {
        EXPECT_NE(sent.find(mnemonic), std::string::npos) << mnemonic;
    }
    EXPECT_NE(sent.find("$GPGGA,", 1), std::string::npos); // a second burst
}

TEST_F(Bluetooth, StoppingDoesNotWaitForTheDeviceToCloseItsEnd) {
    StartRecording();
    transport.peer->StayAfterEnd();
    f.app->RecordCommand();
    // Stopped, its sending side shut, and not yet closed while the device holds on: the wait
    // for the device's close goes on behind the caller's back.
    EXPECT_FALSE(f.app->BluetoothSource().IsRunning());
    ASSERT_TRUE(WaitUntil([&] { return transport.peer->SawEnd(); }));
    EXPECT_FALSE(transport.peer->OtherEndClosed());
    EXPECT_TRUE(f.app->BluetoothSource().IsClosing());
    // The device lets go: the socket is closed, and the next start connects anew.
    transport.peer->HangUp();
    ASSERT_TRUE(WaitUntil([&] { return !f.app->BluetoothSource().IsClosing(); }));
    EXPECT_TRUE(transport.peer->OtherEndClosed());
    f.app->RecordCommand();
    EXPECT_TRUE(f.app->BluetoothSource().IsRunning());
    EXPECT_TRUE(f.prompts.Texts().empty());
}

TEST_F(Bluetooth, ARouteUploadGoesOverTheConnection) {
    CNavigationDataBase& store = f.app->Document().Store();
    store.StoreWaypoint(CWaypoint("HOME", CLatLong::FromDecimalDegrees(48.1, 11.5)), true, "t");
    store.StoreWaypoint(CWaypoint("WORK", CLatLong::FromDecimalDegrees(48.2, 11.6)), true, "t");
    CRoute route("COMMUTE", {"HOME", "WORK"});
    route.SetComplete(true);
    ASSERT_EQ(store.StoreRoute(route, true, "t"), 0);
    f.view.Show(2, 1); // track 2 is empty: only the upload is sent
    f.app->BluetoothDestination().SetDevice(kMouse);
    f.app->PlaybackToCommand();
    f.app->BluetoothDestination().PostUploadRequest(0);
    std::int32_t done = -1;
    ASSERT_TRUE(f.app->BluetoothDestination().WaitUploadDone(done, 20s));
    EXPECT_EQ(done, 1);
    ASSERT_TRUE(WaitUntil([&] {
        return transport.peer->Received().find("COMMUTE,HOME,WORK*") != std::string::npos;
    }));
}

// --- Finding the channel and connecting ---------------------------------------------------

TEST_F(Bluetooth, ARepeatedChannelConnectsWithoutAsking) {
    transport.search.attributeLists = AttributeLists({5, 5});
    StartRecording();
    EXPECT_TRUE(f.view.ChannelChoices().empty());
    EXPECT_EQ(transport.connectedChannels, std::vector<std::uint8_t>{5});
}

TEST_F(Bluetooth, SeveralChannelsAskTheUserAndConnectToTheChosenOne) {
    transport.search.attributeLists = AttributeLists({1, 3});
    f.view.AnswerChannelChoice(1);
    StartRecording();
    const auto choices = f.view.ChannelChoices();
    ASSERT_EQ(choices.size(), 1u);
    EXPECT_EQ(choices[0].deviceName, "GPS-Mouse");
    EXPECT_EQ(choices[0].channels, (std::vector<std::uint8_t>{1, 3}));
    EXPECT_EQ(transport.connectedChannels, std::vector<std::uint8_t>{3});
    EXPECT_EQ(f.app->BluetoothSource().ConnectedName(), "GPS-Mouse Channel:3");
}

TEST_F(Bluetooth, CancellingTheChannelChoiceAbortsSilently) {
    transport.search.attributeLists = AttributeLists({1, 3});
    f.view.AnswerChannelChoice(std::nullopt);
    f.app->BluetoothSource().SetDevice(kMouse);
    f.app->RecordCommand();
    EXPECT_FALSE(f.app->BluetoothSource().IsRunning());
    EXPECT_TRUE(f.prompts.Texts().empty());
    EXPECT_TRUE(transport.connectedChannels.empty());
    EXPECT_FALSE(std::filesystem::exists(RecordPath()));
}

TEST_F(Bluetooth, AConnectionThatIsStillBeingTornDownIsRetried) {
    transport.connectResults = {EISCONN, EISCONN};
    StartRecording();
    EXPECT_EQ(transport.connectedChannels.size(), 3u);
    EXPECT_TRUE(f.prompts.Texts().empty());
}

// A cancel from another thread is seen after the service search and between connect retries;
// either way nothing is left open, nothing is recorded and nothing is reported.
TEST_F(Bluetooth, ACancelledConnectionLeavesNothingOpenAndSaysNothing) {
    BluetoothEndpoint& source = f.app->BluetoothSource();
    source.SetDevice(kMouse);
    source.CancelOpen();
    f.app->RecordCommand();
    EXPECT_EQ(transport.searchedAddress, kMouse.address);
    EXPECT_EQ(transport.peer, nullptr) << "no socket after a cancel during the search";

    source.AllowOpen();
    transport.connectResults = std::deque<int>(60, EISCONN);
    transport.HoldConnect();
    auto opening = std::async(std::launch::async, [&] { f.app->RecordCommand(); });
    ASSERT_TRUE(WaitUntil([&] { return transport.ConnectWaiting(); }));
    source.CancelOpen();
    transport.ReleaseConnect();
    ASSERT_EQ(opening.wait_for(20s), std::future_status::ready);
    EXPECT_EQ(transport.connectedChannels.size(), 1u) << "no retry after the cancel";
    EXPECT_FALSE(source.IsRunning());
    EXPECT_EQ(source.Socket(), -1);
    EXPECT_EQ(source.Channel(), 0);
    EXPECT_FALSE(source.ReceiveSlot().IsAlive());
    EXPECT_TRUE(WaitUntil([&] { return transport.peer->SawEnd(); }));
    EXPECT_FALSE(std::filesystem::exists(RecordPath()));
    EXPECT_FALSE(f.timers.IsRunning(kTimerKeepAwakeRecording));
    EXPECT_TRUE(f.prompts.Texts().empty());

    // The next open is not cancelled by the last one.
    source.AllowOpen();
    transport.connectResults.clear();
    StartRecording();
}

TEST_F(Bluetooth, AFailureStopWaitsForAnOpeningOnAnotherThread) {
    BluetoothEndpoint& source = f.app->BluetoothSource();
    source.SetDevice(kMouse);
    transport.HoldConnect();
    // The connect worker runs the record command while the window stops the same endpoint,
    // as it does when a device failure of the run is reported.
    auto opening = std::async(std::launch::async, [&] { f.app->RecordCommand(); });
    ASSERT_TRUE(WaitUntil([&] { return transport.ConnectWaiting(); }));
    auto stopping = std::async(std::launch::async,
                               [&] { f.app->StopAfterDeviceFailure(source, source.RunNumber()); });
    // A stop that does not wait shuts the socket under the opening at once; one that waits
    // leaves it alone until the opening has ended.
    WaitUntil([&] { return transport.peer->SawEnd(); }, 2s);
    transport.ReleaseConnect();
    ASSERT_EQ(opening.wait_for(20s), std::future_status::ready);
    ASSERT_EQ(stopping.wait_for(20s), std::future_status::ready);

    EXPECT_TRUE(f.prompts.Texts().empty());
    EXPECT_FALSE(source.IsRunning());
    EXPECT_EQ(source.Socket(), -1);
    EXPECT_TRUE(source.ConnectedName().empty());
    EXPECT_FALSE(source.ReceiveSlot().IsAlive());
    EXPECT_FALSE(source.SendSlot().IsAlive());
    EXPECT_TRUE(transport.peer->SawEnd());
    EXPECT_FALSE(std::filesystem::exists(RecordPath()));
    EXPECT_FALSE(f.timers.IsRunning(kTimerKeepAwakeRecording));
}

TEST_F(Bluetooth, FailuresBeforeTheConnectionAreReportedAndLeaveNothingBehind) {
    using Step = IBluetoothTransport::LookupStep;
    struct Case {
        const char* label;
        IBluetoothTransport::ServiceSearch search;
        int socketError;
        std::deque<int> connectResults;
        std::string message;
    };
    const Bytes noRfcomm =
        SdpSequence(SdpSequence(SdpUint16(4) + SdpSequence(SdpSequence(SdpUuid16(0x0100)))));
    const std::vector<Case> cases = {
        {"search begin",
         {Step::Begin, EHOSTDOWN, {}},
         0,
         {},
         "WSALookupServiceBegin failed (112) at GPS-Mouse during the Search of Services"},
        {"search next",
         {Step::Next, ETIMEDOUT, {}},
         0,
         {},
         "WSALookupServiceNext failed (110) at GPS-Mouse during the Search of Services"},
        {"no record",
         {Step::None, 0, {}},
         0,
         {},
         "An appropriate Service (COM port) at GPS-Mouse was not found. Please, try with an "
         "another BT Device"},
        {"no rfcomm",
         {Step::None, 0, noRfcomm},
         0,
         {},
         "An appropriate Service (COM port) at GPS-Mouse was not found. Please, try with an "
         "another BT Device"},
        {"socket",
         {Step::None, 0, AttributeLists({5})},
         EAFNOSUPPORT,
         {},
         "socket failed (97) at GPS-Mouse"},
        {"connect",
         {Step::None, 0, AttributeLists({5})},
         0,
         {ECONNREFUSED},
         "connect failed (111) at GPS-Mouse"},
        {"connect after a retry",
         {Step::None, 0, AttributeLists({5})},
         0,
         {EISCONN, EHOSTUNREACH},
         "connect failed (113) at GPS-Mouse"},
    };
    for (const Case& c : cases) {
        ScriptedTransport scripted;
        scripted.search = c.search;
        scripted.socketError = c.socketError;
        scripted.connectResults = c.connectResults;
        AppFixture g;
        g.app = std::make_unique<ApplicationCore>(
            ApplicationServices{g.paths, *g.registry, g.prompts, g.view, g.timers, g.clock,
                                RealSystemCalls(), scripted});
        ASSERT_TRUE(g.app->Start(false));
        g.app->BluetoothSource().SetDevice(kMouse);
        g.app->RecordCommand();
        EXPECT_FALSE(g.app->BluetoothSource().IsRunning()) << c.label;
        EXPECT_EQ(g.app->BluetoothSource().Socket(), -1) << c.label;
        ASSERT_EQ(g.prompts.Shown().size(), 1u) << c.label;
        const PromptRequest shown = g.prompts.Shown()[0];
        EXPECT_EQ(shown.text, c.message) << c.label;
        const bool notFound = c.message.starts_with("An appropriate");
        EXPECT_EQ(shown.caption, notFound ? "Error" : kCaptionError) << c.label;
        EXPECT_EQ(shown.icon, notFound ? PromptIcon::Information : PromptIcon::Stop) << c.label;
        EXPECT_FALSE(std::filesystem::exists(g.paths.documentsDir / kRecordName)) << c.label;
        EXPECT_FALSE(g.timers.IsRunning(kTimerKeepAwakeRecording)) << c.label;
        if (scripted.peer != nullptr) {
            // The socket was closed: the device sees the end of the connection.
            EXPECT_TRUE(WaitUntil([&] { return scripted.peer->SawEnd(); })) << c.label;
        }
        g.app.reset();
    }
}

TEST_F(Bluetooth, OpeningWithoutADeviceOrWithARecordFileOpenIsRefusedWithoutAMessage) {
    f.app->RecordCommand();
    EXPECT_EQ(f.app->RunningSource(), nullptr);
    StartRecording();
    EXPECT_FALSE(f.app->BluetoothSource().Open(SourceSocketRecvProc, SourceSocketSendProc, true));
    EXPECT_TRUE(f.prompts.Texts().empty());
}

// --- Settings and the device inquiry ------------------------------------------------------

TEST_F(Bluetooth, StoredBluetoothChoicesAndKnownDevicesAreApplied) {
    Settings settings;
    settings.rememberedDevices = {{"GPS-Mouse", kMouse.address}, {"Phone", 0x42}};
    settings.source = {DeviceKind::Bluetooth, {}, "GPS-Mouse", kMouse.address};
    settings.destination = {DeviceKind::Bluetooth, {}, "Phone", 0x42};
    f.app->ApplySettings(settings);
    EXPECT_EQ(f.app->BluetoothSource().Device(), kMouse);
    EXPECT_EQ(f.app->BluetoothDestination().Device(), (BluetoothDevice{"Phone", 0x42}));
    EXPECT_TRUE(f.app->HasSource());
    EXPECT_TRUE(f.app->HasDestination());
    EXPECT_EQ(f.app->BluetoothDevices(),
              (std::vector<BluetoothDevice>{kMouse, BluetoothDevice{"Phone", 0x42}}));
}

TEST_F(Bluetooth, TheInquiryListsTheDevicesFoundWithUnknownForAnEmptyName) {
    f.app->AppendBluetoothDevice({"Old", 7}); // a new inquiry starts from an empty list
    transport.inquiryDevices = {kMouse, {"", 0x0A0B'0C0D'0E0F}};
    // The end of the results is how every inquiry ends.
    transport.inquiryEnd = {IBluetoothTransport::LookupStep::Next, ENOENT};
    ASSERT_TRUE(f.app->StartBluetoothInquiry());
    ASSERT_TRUE(WaitUntil([&] { return !f.app->InquirySlot().IsAlive(); }));
    EXPECT_EQ(f.app->BluetoothDevices(),
              (std::vector<BluetoothDevice>{kMouse, {"Unknown", 0x0A0B'0C0D'0E0F}}));
    EXPECT_TRUE(f.prompts.Texts().empty());
}

// The stack's inquiry runs on after a stop (it cannot be interrupted); the stop does not wait
// for it, tells it to end at its next step, and what it finds later is not listed.
TEST_F(Bluetooth, StoppingAnInquiryDoesNotWaitForTheStack) {
    transport.inquiryDevices = {kMouse};
    transport.HoldInquiry();
    ASSERT_TRUE(f.app->StartBluetoothInquiry());
    ASSERT_TRUE(WaitUntil([&] { return f.app->BluetoothDevices().size() == 1; }));
    EXPECT_TRUE(f.app->InquirySlot().IsAlive());
    EXPECT_FALSE(transport.InquiryStopSignalled());
    f.app->InquirySlot().Stop();
    EXPECT_FALSE(f.app->InquirySlot().IsAlive());
    EXPECT_TRUE(transport.InquiryStopSignalled()) << "the stack is told to end early";
    transport.ReleaseInquiry();
    EXPECT_EQ(f.app->BluetoothDevices(), std::vector<BluetoothDevice>{kMouse});
    EXPECT_TRUE(f.prompts.Texts().empty());
}

TEST_F(Bluetooth, InquiryFailuresAreReported) {
    using Step = IBluetoothTransport::LookupStep;
    const std::vector<std::pair<IBluetoothTransport::InquiryEnd, std::string>> cases = {
        {{Step::Begin, ENODEV}, "WSALookupServiceBegin failed (19) at the Search of Devices"},
        {{Step::Next, ENETDOWN}, "The bluetooth network is down."},
    };
    for (const auto& [end, message] : cases) {
        f.prompts.Clear();
        transport.inquiryEnd = end;
        ASSERT_TRUE(f.app->StartBluetoothInquiry());
        ASSERT_TRUE(WaitUntil([&] { return !f.app->InquirySlot().IsAlive(); }));
        EXPECT_EQ(f.prompts.Texts(), std::vector<std::string>{message});
    }
}

} // namespace
