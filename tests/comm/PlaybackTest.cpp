#include "nmea/Sentence.h"
#include "platform/RegistryStore.h"
#include "platform/SettingsKeys.h"
#include "platform/SettingsStore.h"
#include "tests/comm/AppFixture.h"
#include "tests/comm/PseudoTerminal.h"
#include "tests/comm/TestLogs.h"

#include <gtest/gtest.h>

#include <thread>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <future>

using namespace std::chrono_literals;

namespace {

// The mnemonics of the sentences in a stream, in order.
std::vector<std::string> Mnemonics(const std::string& stream) {
    std::vector<std::string> out;
    for (std::size_t at = stream.find('$'); at != std::string::npos;
         at = stream.find('$', at + 1)) {
        out.push_back(stream.substr(at + 3, 3));
    }
    return out;
}

std::uint32_t RegistryDword(RegistryStore& registry, const char* key, const char* name) {
    RegistryValue value;
    if (registry.Read(RegistryRoot::CurrentUser, key, name, value) != 0) {
        return 0;
    }
    return value.AsDword().value_or(0);
}

class Playback : public ::testing::Test {
protected:
    void SetUp() override {
        recordFile = f.home / "drive.txt";
        testpaths::WriteFileBytes(recordFile, testlogs::SyntheticDrive(250));
        f.app->LoadRecordFile(recordFile.string(), "drive.txt");
        f.WaitForPlaybackLoaded();
        ASSERT_EQ(f.Points(1).size(), 250u);
        f.LinkPort("COM2:", consumer.SlavePath());
        f.app->SerialDestination().SetPortName("COM2:");
    }
    void TearDown() override {
        if (f.app->SerialDestination().IsRunning()) {
            f.app->PlaybackToCommand();
        }
    }

    AppFixture f;
    PseudoTerminal consumer;
    std::filesystem::path recordFile;
};

TEST_F(Playback, LoadingARecordFileFillsTrack1AndShowsIt) {
    const CTrack& track1 = f.app->Document().Track(1);
    EXPECT_EQ(track1.DisplayName(), "drive.txt");
    EXPECT_EQ(track1.FileName(), recordFile.string());
    EXPECT_EQ(f.view.SelectedViews().back(), 32781);
    ASSERT_FALSE(f.view.Progress().empty());
    EXPECT_EQ(f.view.Progress().back(), 100);
    EXPECT_FALSE(f.timers.IsRunning(kTimerKeepAwakePlayback)); // stopped when reading ended
    EXPECT_EQ(f.view.Alerts(), std::vector<AlertKind>{AlertKind::Long});
}

TEST_F(Playback, AFileThatDoesNotOpenIsReportedAndLeavesTrack1Empty) {
    const std::string missing = (f.home / "missing.txt").string();
    f.app->LoadRecordFile(missing, "missing.txt");
    f.WaitForPlaybackLoaded();
    EXPECT_TRUE(f.Points(1).empty());
    ASSERT_EQ(f.prompts.Texts().size(), 1u);
    EXPECT_EQ(f.prompts.Texts()[0], "File open for " + missing + " failed");
}

TEST_F(Playback, ControlsActOnTheShownTrackAndAreStoredForBothTracks) {
    f.view.Show(1, 1);
    f.app->SetPlaybackMode(PlaybackMode::Play);
    f.app->SetSpeedZoom(100);
    f.app->SetPlaybackDirection(PlaybackDirection::Reverse);
    const CTrack& track1 = f.app->Document().Track(1);
    const CTrack& track2 = f.app->Document().Track(2);
    EXPECT_EQ(track1.GetSpeedZoom(), 100);
    EXPECT_EQ(track2.GetSpeedZoom(), 1);
    using namespace settings_keys;
    RegistryStore& registry = *f.registry;
    EXPECT_EQ(RegistryDword(registry, kPlaybackFromFile, kPlaybackMode), 2u);
    EXPECT_EQ(RegistryDword(registry, kPlaybackFromFile, kSpeedZoom), 100u);
    EXPECT_EQ(RegistryDword(registry, kPlaybackFromFile, kPlaybackDirection), 2u);
    EXPECT_EQ(RegistryDword(registry, kPlaybackFromDirect, kPlaybackMode), 1u);
    EXPECT_EQ(RegistryDword(registry, kPlaybackFromDirect, kSpeedZoom), 1u);
    EXPECT_EQ(RegistryDword(registry, kPlaybackFromDirect, kPlaybackDirection), 1u);
}

TEST_F(Playback, GoToCommandsWithoutADestinationMoveTheMarkerAtOnce) {
    f.view.Show(1, 1);
    f.app->GoToPoint(ApplicationCore::GoTo::End);
    f.app->GoToPoint(ApplicationCore::GoTo::Begin);
    // Track 2 is empty: nothing moves.
    f.view.Show(2, 1);
    f.app->GoToPoint(ApplicationCore::GoTo::End);
    const auto markers = f.view.WaitForMarkers(2, 0ms);
    ASSERT_EQ(markers.size(), 2u);
    EXPECT_EQ(markers[0].engine, 1);
    EXPECT_EQ(markers[0].point.Time(), f.Points(1)[249].Time());
    EXPECT_EQ(markers[1].point.Time(), f.Points(1)[0].Time());
}

TEST_F(Playback, BurstsOncePerSecondFollowTheCursorAndCarryGsvEveryFifthBurst) {
    f.view.Show(1, 1);
    f.app->SetPlaybackMode(PlaybackMode::Play);
    f.app->SetSpeedZoom(100);
    f.app->PlaybackToCommand();
    ASSERT_TRUE(f.app->SerialDestination().IsRunning());
    const auto markers = f.view.WaitForMarkers(4, 20s);
    ASSERT_GE(markers.size(), 4u);
    const std::vector<TrackPoint> points = f.Points(1);
    const int expected[] = {100, 200, 249, 249};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(markers[i].engine, 1);
        EXPECT_EQ(markers[i].point.Time(), points[expected[i]].Time()) << "burst " << i;
    }
    auto stopped = std::async(std::launch::async, [&] { f.app->PlaybackToCommand(); });
    ASSERT_EQ(stopped.wait_for(5s), std::future_status::ready);

    const std::string sent = consumer.ReadUntilQuiet(200ms);
    const std::vector<std::string> mnemonics = Mnemonics(sent);
    ASSERT_GE(mnemonics.size(), 6u + 3 * 5);
    const std::vector<std::string> firstBurst(mnemonics.begin(), mnemonics.begin() + 8);
    // GSV is composed over several lines; the simulated sky has 12 satellites (3 lines).
    EXPECT_EQ(firstBurst,
              (std::vector<std::string>{"GGA", "GSA", "GSV", "GSV", "GSV", "RMC", "VTG", "GLL"}));
    const std::vector<std::string> secondBurst(mnemonics.begin() + 8, mnemonics.begin() + 13);
    EXPECT_EQ(secondBurst, (std::vector<std::string>{"GGA", "GSA", "RMC", "VTG", "GLL"}));
    // Every line the destination got is a finished sentence.
    for (std::size_t at = 0; at < sent.size();) {
        const std::size_t end = sent.find('\n', at) + 1;
        EXPECT_TRUE(IsSingleSentence(std::string_view(sent).substr(at, end - at)));
        at = end;
    }
}

TEST_F(Playback, PacedPlaybackSendsEveryPointInTurnAndIsKeptInTheSettings) {
    f.view.Show(1, 1);
    f.app->SetPlaybackMode(PlaybackMode::Play);
    f.app->SetSpeedZoom(100);
    f.app->SetPacedPlayback(true);
    EXPECT_EQ(
        RegistryDword(*f.registry, settings_keys::kPlaybackControl, settings_keys::kPacedByLogTime),
        1u);
    EXPECT_TRUE(LoadSettings(*f.registry).pacedByLogTime);
    f.app->PlaybackToCommand();
    ASSERT_TRUE(f.app->SerialDestination().IsRunning());
    // One point a second of the log at x100: every point, none skipped.
    const auto markers = f.view.WaitForMarkers(20, 20s);
    ASSERT_GE(markers.size(), 20u);
    const std::vector<TrackPoint> points = f.Points(1);
    for (int i = 0; i < 20; ++i) {
        EXPECT_EQ(markers[i].point.Time(), points[i].Time()) << "burst " << i;
    }
}

TEST_F(Playback, ARouteUploadSendsItsWaypointsThenItsRouteAndReportsCompletion) {
    CNavigationDataBase& store = f.app->Document().Store();
    store.StoreWaypoint(CWaypoint("HOME", CLatLong::FromDecimalDegrees(48.1, 11.5)), true, "t");
    store.StoreWaypoint(CWaypoint("WORK", CLatLong::FromDecimalDegrees(48.2, 11.6)), true, "t");
    CRoute route("COMMUTE", {"HOME", "WORK"});
    route.SetComplete(true);
    ASSERT_EQ(store.StoreRoute(route, true, "t"), 0);

    f.view.Show(2, 1); // track 2 is empty: no bursts, only the upload is sent
    f.app->PlaybackToCommand();
    f.app->SerialDestination().PostUploadRequest(0);
    std::int32_t done = -1;
    ASSERT_TRUE(f.app->SerialDestination().WaitUploadDone(done, 20s));
    EXPECT_EQ(done, 1);
    const std::string sent = consumer.ReadUntilQuiet(200ms);
    EXPECT_EQ(Mnemonics(sent), (std::vector<std::string>{"WPL", "WPL", "RTE"}));
    EXPECT_NE(sent.find(",HOME*"), std::string::npos);
    EXPECT_NE(sent.find("COMMUTE,HOME,WORK*"), std::string::npos);
}

TEST_F(Playback, ListPlaybackSendsTheNavigationTarget) {
    CNavigationDataBase& store = f.app->Document().Store();
    store.StoreWaypoint(CWaypoint("GOAL", CLatLong::FromDecimalDegrees(47.5, 10.25)), true, "t");
    store.SetNavigationTarget(1, 0);
    f.app->SerialDestination().SetListPlayback();
    f.app->PlaybackToCommand();
    const std::string sent = consumer.Read(40, 10s);
    EXPECT_EQ(sent.rfind("$GPGGA,", 0), 0u);
    EXPECT_NE(sent.find(",4730.0000,N,01015.0000,E,"), std::string::npos) << sent;
}

TEST_F(Playback, StoppingPlaybackLeavesTheRecordingsKeepAwakeTimer) {
    PseudoTerminal receiver;
    f.LinkPort("COM1:", receiver.SlavePath());
    f.app->SerialSource().SetPortName("COM1:");
    f.app->RecordCommand();
    f.app->PlaybackToCommand();
    ASSERT_TRUE(f.app->SerialSource().IsRunning());
    ASSERT_TRUE(f.app->SerialDestination().IsRunning());
    f.app->PlaybackToCommand();
    EXPECT_TRUE(f.timers.IsRunning(kTimerKeepAwakeRecording));
    f.app->RecordCommand();
    EXPECT_FALSE(f.timers.IsRunning(kTimerKeepAwakeRecording));
}

// The port's buffer is shared by every program that reads the virtual port: the destination
// must not take the bytes meant for them.
TEST_F(Playback, TheDestinationReadsItsPortUnlessAVirtualPortIsSet) {
    for (const int virtualPort : {-1, 2}) {
        SCOPED_TRACE(virtualPort);
        f.app->SetVirtualSerialPortIndex(virtualPort);
        f.app->PlaybackToCommand();
        ASSERT_TRUE(f.app->SerialDestination().IsRunning());
        WorkerThreadSlot& receive = f.app->SerialDestination().ReceiveSlot();
        if (virtualPort == -1) {
            EXPECT_FALSE(WaitUntil([&] { return !receive.IsAlive(); }, 300ms));
        } else {
            EXPECT_TRUE(WaitUntil([&] { return !receive.IsAlive(); }));
            EXPECT_EQ(receive.LastExitCode(), 6);
        }
        f.app->PlaybackToCommand();
        EXPECT_FALSE(f.app->SerialDestination().IsRunning());
    }
}

TEST_F(Playback, AVanishedDestinationEndsWithOneBoxAndIsStopped) {
    f.view.Show(1, 1);
    f.app->PlaybackToCommand();
    ASSERT_FALSE(f.view.WaitForMarkers(1, 20s).empty());
    consumer.CloseMaster();
    ASSERT_TRUE(f.view.RunPosted(20s));
    EXPECT_FALSE(f.app->SerialDestination().IsRunning());
    const std::vector<std::string> texts = f.prompts.Texts();
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_NE(texts[0].find(" failed, error 5: Input/output error\nContext: COM2:"),
              std::string::npos);
}

// Track 1 as a track fed the same lines directly, one after another.
std::vector<TrackPoint> DecodedDirectly(const std::string& bytes) {
    CTrack track;
    bool outOfMemory = false;
    for (std::size_t at = 0; at < bytes.size();) {
        const std::size_t end = bytes.find('\n', at) + 1;
        track.DecodeLine(std::string_view(bytes).substr(at, end - at), outOfMemory);
        at = end;
    }
    std::vector<TrackPoint> points;
    for (int i = 0; i < track.PointCount(); ++i) {
        points.push_back(track.PointAt(i));
    }
    return points;
}

TEST(PlaybackLoading, GivesTrack1EveryPointAndTheStoreTheWaypointsAndRoutesOfTheFile) {
    AppFixture f;
    ASSERT_TRUE(f.app->Start(false));
    // Store lines near the start and beyond the first few thousand lines, a route split over
    // two sentences with a drive line between them.
    const std::string drive = testlogs::SyntheticDrive(2000);
    const std::size_t early = drive.find("$GPRMC");
    const std::size_t late = drive.find("$GPGGA", drive.size() / 2);
    const std::size_t afterLate = drive.find('\n', late) + 1;
    const std::string bytes =
        drive.substr(0, early) + *FinishLine("$GPWPL,4806.0000,N,01130.0000,E,HOME*") +
        drive.substr(early, late - early) + *FinishLine("$GPWPL,4812.0000,N,01136.0000,E,WORK*") +
        *FinishLine("$GPRTE,2,1,c,COMMUTE,HOME*") + drive.substr(late, afterLate - late) +
        *FinishLine("$GPRTE,2,2,c,COMMUTE,WORK*") + drive.substr(afterLate);
    const auto file = f.home / "drive.txt";
    testpaths::WriteFileBytes(file, bytes);

    f.app->LoadRecordFile(file.string(), "drive.txt");
    f.WaitForPlaybackLoaded();

    const std::vector<TrackPoint> expected = DecodedDirectly(bytes);
    const std::vector<TrackPoint> loaded = f.Points(1);
    ASSERT_EQ(loaded.size(), expected.size());
    for (std::size_t i = 0; i < loaded.size(); ++i) {
        ASSERT_TRUE(SamePoint(loaded[i], expected[i])) << "point " << i;
    }
    CNavigationDataBase& store = f.app->Document().Store();
    EXPECT_EQ(store.FindWaypoint("HOME"), 0);
    EXPECT_EQ(store.FindWaypoint("WORK"), 1);
    const int route = store.FindRoute("COMMUTE");
    ASSERT_EQ(route, 0);
    store.ForEachRoute([](const CRoute& r) {
        EXPECT_EQ(r.WaypointNames(), (std::vector<std::string>{"HOME", "WORK"}));
    });
    EXPECT_EQ(f.view.PostedCommands(), std::vector<int>{32839}); // Route List
    EXPECT_EQ(f.view.Progress().back(), 100);
}

TEST(PlaybackLoading, AStopIsSeenWithinAFewThousandLinesAndOnlyClosesTheFile) {
    AppFixture f;
    ASSERT_TRUE(f.app->Start(false));
    constexpr int kSeconds = 20000; // three lines a second
    const auto file = f.home / "long.txt";
    testpaths::WriteFileBytes(file, testlogs::SyntheticDrive(kSeconds));
    // The first progress is shown after the first batch of lines; the stop asked there must
    // end the reader before the next one.
    f.view.OnProgress([&](int) { f.app->PlaybackReader().RequestStop(); });

    f.app->LoadRecordFile(file.string(), "long.txt");
    f.WaitForPlaybackLoaded();

    const std::size_t points = f.Points(1).size();
    EXPECT_GT(points, 0u);
    EXPECT_LE(points, 4096u / 3 + 1);
    EXPECT_EQ(f.view.Progress().size(), 1u);
    EXPECT_TRUE(f.view.Alerts().empty()); // a stopped reader does not finish
    EXPECT_TRUE(f.prompts.Texts().empty());
}

TEST(PlaybackLoading, TheEndOfAReplacedLoadLeavesTheNextLoadAlone) {
    AppFixture f;
    ASSERT_TRUE(f.app->Start(false));
    f.view.Show(1, 1);
    const auto first = f.home / "first.txt";
    testpaths::WriteFileBytes(first, testlogs::SyntheticDrive(20));
    f.app->LoadRecordFile(first.string(), "first.txt");
    // The first file is read to its end; its end is still on its way to the window.
    ASSERT_TRUE(WaitUntil([&] { return !f.app->PlaybackReader().IsRunning(); }));

    // The next file comes through a pipe, so that it is still being read when the first
    // file's end arrives.
    const auto second = f.home / "second.txt";
    ASSERT_EQ(::mkfifo(second.c_str(), 0600), 0);
    const int writer = ::open(second.c_str(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(writer, 0);
    f.app->LoadRecordFile(second.string(), "second.txt");
    f.view.RunPosted(0ms);

    EXPECT_TRUE(f.timers.IsRunning(kTimerKeepAwakePlayback));
    EXPECT_TRUE(f.view.Alerts().empty());
    {
        std::lock_guard lock(f.app->TrackLock(1));
        EXPECT_EQ(f.app->Document().Track(1).DisplayName(), "second.txt");
    }

    const std::string drive = testlogs::SyntheticDrive(5);
    ASSERT_EQ(::write(writer, drive.data(), drive.size()), static_cast<ssize_t>(drive.size()));
    ::close(writer);
    f.WaitForPlaybackLoaded();
    EXPECT_EQ(f.Points(1).size(), 5u);
    EXPECT_FALSE(f.timers.IsRunning(kTimerKeepAwakePlayback));
    EXPECT_EQ(f.view.Alerts(), std::vector<AlertKind>{AlertKind::Long});
}

// A file on a slow medium: while the reader waits for the rest, track 1 is free for the view.
TEST(PlaybackLoading, AReaderWaitingForTheFileHoldsNoLockOnTrack1) {
    AppFixture f;
    const auto slow = f.home / "slow.txt";
    ASSERT_EQ(::mkfifo(slow.c_str(), 0600), 0);
    const int writer = ::open(slow.c_str(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(writer, 0);
    // However the test ends, the reader gets the end of its file.
    std::unique_ptr<const int, void (*)(const int*)> closing(&writer,
                                                             [](const int* fd) { ::close(*fd); });
    f.app->LoadRecordFile(slow.string(), "slow.txt");
    const std::string drive = testlogs::SyntheticDrive(10);
    const std::size_t half = drive.size() / 2;
    ASSERT_EQ(::write(writer, drive.data(), half), static_cast<ssize_t>(half));
    // The points of track 1, when its lock is free now.
    const auto pointsNow = [&]() -> std::optional<int> {
        std::unique_lock lock(f.app->TrackLock(1), std::try_to_lock);
        if (!lock.owns_lock()) {
            return std::nullopt;
        }
        return f.app->Document().Track(1).PointCount();
    };
    ASSERT_TRUE(WaitUntil([&] { return pointsNow().value_or(0) >= 4; }));
    // The reader now waits in its read, and the lock is free again and again.
    for (int i = 0; i < 20; ++i) {
        ASSERT_TRUE(WaitUntil([&] { return pointsNow().has_value(); }, 5s)) << i;
        std::this_thread::sleep_for(10ms);
    }
    ASSERT_EQ(::write(writer, drive.data() + half, drive.size() - half),
              static_cast<ssize_t>(drive.size() - half));
    closing.reset();
    f.WaitForPlaybackLoaded();
    EXPECT_EQ(f.Points(1).size(), 10u);
}

TEST(NavigationStoreFile, IsLoadedAtStartAndSavedOnRequestAndWhenTheDocumentCloses) {
    AppFixture f;
    const auto storePath = f.paths.documentsDir / "NaviStor.zrv";
    testpaths::WriteFileBytes(storePath, *FinishLine("$GPWPL,4806.0000,N,01130.0000,E,HOME*"));
    ASSERT_TRUE(f.app->Start(true));
    f.app->CloseDocument(); // waits for the loading
    CNavigationDataBase& store = f.app->Document().Store();
    EXPECT_EQ(store.FindWaypoint("HOME"), 0);

    store.StoreWaypoint(CWaypoint("WORK", CLatLong::FromDecimalDegrees(48.2, 11.6)), true, "t");
    f.app->SaveChangesNow();
    ASSERT_TRUE(WaitUntil([&] { return store.IsSaved(); }));
    EXPECT_NE(testpaths::ReadFileBytes(storePath).find(",WORK*"), std::string::npos);

    store.StoreWaypoint(CWaypoint("GYM", CLatLong::FromDecimalDegrees(48.3, 11.7)), true, "t");
    f.app->CloseDocument();
    EXPECT_NE(testpaths::ReadFileBytes(storePath).find(",GYM*"), std::string::npos);
}

TEST(NavigationStoreFile, AStoreThatFailedToLoadIsReadBeforeASaveWritesOverIt) {
    AppFixture f;
    const auto storePath = f.paths.documentsDir / "NaviStor.zrv";
    const std::string damaged = *FinishLine("$GPWPL,4806.0000,N,01130.0000,E,HOME*") + "$GPWPL,48";
    testpaths::WriteFileBytes(storePath, damaged);
    // Too small a file-size limit: the damaged file cannot be kept aside, so it is not loaded.
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    rlimit small = limit;
    small.rlim_cur = 16;
    setrlimit(RLIMIT_FSIZE, &small);
    ASSERT_TRUE(f.app->Start(true));
    f.app->CloseDocument(); // waits for the loading
    setrlimit(RLIMIT_FSIZE, &limit);
    CNavigationDataBase& store = f.app->Document().Store();
    EXPECT_EQ(store.Count(NavItemKind::Waypoint), 0);

    store.StoreWaypoint(CWaypoint("WORK", CLatLong::FromDecimalDegrees(48.2, 11.6)), true, "t");
    f.app->SaveChangesNow();
    ASSERT_TRUE(WaitUntil([&] { return store.IsSaved(); }));
    EXPECT_EQ(testpaths::ReadFileBytes(f.paths.documentsDir / "NaviStor-damaged-1.zrv"), damaged);
    const std::string saved = testpaths::ReadFileBytes(storePath);
    EXPECT_NE(saved.find(",HOME*"), std::string::npos);
    EXPECT_NE(saved.find(",WORK*"), std::string::npos);
}

} // namespace
