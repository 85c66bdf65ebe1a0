// The main frame over a real application core: every command reaches the core and its update
// handler shows the state that results.
#include "QtTestMain.h"

#include "app/CMainFrame.h"
#include "app/CObrin2App.h"
#include "app/CommandIds.h"
#include "app/FramePlacement.h"
#include "app/view/CObrin2View.h"
#include "comm/PseudoTerminal.h"
#include "comm/TestLogs.h"
#include "platform/RegistryAccessor.h"
#include "platform/SettingsKeys.h"
#include "platform/SettingsStore.h"
#include "support/TestPaths.h"
#include "tracks/KmlExport.h"

#include <QAction>
#include <QDialog>
#include <QMenu>
#include <QPointingDevice>
#include <QSet>

#include <cmath>
#include <memory>
#include <mutex>

using namespace command_ids;

class FrameTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void MenuHoldsEveryCommandUnderItsPath();
    void SettingsAreAppliedOnceAtTheFirstActivation();
    void PlaybackControlsReachTheCoreAndTheirItemsShowIt();
    void PacedByTheLogsTimeIsACheckKeptInTheSettings();
    void OpenLoadsARecordFileAndRemembersItsFolder();
    void RecordingFromAPortShowsItsStateAndAsksToKeepTheFile();
    void SaveWritesTheShownTrackAsKmzAndSaysSo();
    void SaveAndKmlOpenWorkBehindABusyBoxWithTheTracksFree();
    void SaveAsGpxAndOpenItGiveTheSamePoints();
    void WorkerQuestionLeavesEveryLockFreeWhileItIsShown();
    void ShutdownSavesTheKnownBluetoothDevices();
    void FrameOpensFilledOrPlacedAsTheScreenAsks();
    void TouchDrivesTheViewAsTheKeysDo();

private:
    void Start();
    void WriteDword(const char* key, const char* name, std::uint32_t value);
    std::uint32_t ReadDword(const char* key, const char* name);
    // Opens `path` through Open... and waits until it is read.
    void OpenAndWait(const std::filesystem::path& path);
    std::filesystem::path WriteDrive(const std::string& name, const std::string& extra = {});
    CMainFrame& Frame() { return m_app->Frame(); }
    ApplicationCore& Core() { return m_app->Core(); }
    int PointCount(int engine);

    std::unique_ptr<testpaths::TempDir> m_dir;
    std::unique_ptr<CObrin2App> m_app;
    std::vector<PromptRequest> m_asked;
    std::function<PromptAnswer(const PromptRequest&)> m_answer;
    QStringList m_openFolders;
    QStringList m_openFilters;
    QString m_openPath;
};

void FrameTest::init() {
    m_dir = std::make_unique<testpaths::TempDir>();
    m_asked.clear();
    m_answer = [](const PromptRequest&) { return PromptAnswer::Ok; };
    m_openFolders.clear();
    m_openFilters.clear();
}

void FrameTest::cleanup() {
    m_app.reset();
    m_dir.reset();
}

void FrameTest::Start() {
    m_app = std::make_unique<CObrin2App>(PlatformPaths::Below(m_dir->Path()));
    m_app->Prompts().SetPresenter([this](const PromptRequest& request) {
        m_asked.push_back(request);
        return m_answer(request);
    });
    QVERIFY(m_app->InitInstance());
    Frame().SetFileDialogs(
        {[this](QWidget*, const QString&, const QString& folder, const QString& filter) {
             m_openFolders << folder;
             m_openFilters << filter;
             return m_openPath;
         },
         nullptr});
    Frame().show();
    QTRY_VERIFY_WITH_TIMEOUT(m_app->SettingsApplied(), kThreadWaitMs);
}

void FrameTest::WriteDword(const char* key, const char* name, std::uint32_t value) {
    RegistryStore registry(PlatformPaths::Below(m_dir->Path()), nullptr);
    CRegistryAccessor accessor(registry);
    accessor.SetKey(key);
    accessor.SetValueName(name);
    QCOMPARE(accessor.WriteDword(value), 0);
}

std::uint32_t FrameTest::ReadDword(const char* key, const char* name) {
    CRegistryAccessor accessor(m_app->Registry());
    accessor.SetKey(key);
    accessor.SetValueName(name);
    std::uint32_t value = 0;
    return accessor.ReadDword(value) == 0 ? value : 0xFFFFFFFF;
}

int FrameTest::PointCount(int engine) {
    std::lock_guard lock(Core().TrackLock(engine));
    return Core().Document().Track(engine).PointCount();
}

std::filesystem::path FrameTest::WriteDrive(const std::string& name, const std::string& extra) {
    const std::filesystem::path path = m_dir->Path() / "drives" / name;
    std::filesystem::create_directories(path.parent_path());
    testpaths::WriteFileBytes(path, extra + testlogs::SyntheticDrive(30));
    return path;
}

void FrameTest::OpenAndWait(const std::filesystem::path& path) {
    m_openPath = QString::fromStdString(path.string());
    Frame().Action(kOpen)->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(!Core().PlaybackReader().IsRunning(), kThreadWaitMs);
}

namespace {

// The commands of the handheld's menu with their ids and paths, mnemonics included, written out
// here so that a wrong row of the command table is caught.
struct ExpectedCommand {
    int id;
    const char* path;
};
constexpr ExpectedCommand kHandheldMenu[] = {
    {32785, "Record &from"},
    {32787, "&Record / Bluetooth..."},
    {32789, "&Record / Serial..."},
    {32846, "&Record / Built-in GPS"},
    {32786, "Playback &to"},
    {32788, "&Playback / Bluetooth..."},
    {32790, "&Playback / Serial..."},
    {32791, "&Playback / Go to / Begin"},
    {32792, "&Playback / Go to / End"},
    {32829, "&Playback / Go to / Max Speed Point"},
    {32830, "&Playback / Go to / Max Altitude Point"},
    {32831, "&Playback / Go to / Min Altitude Point"},
    {32841, "&Playback / Go to / Next track point"},
    {32842, "&Playback / Go to / Previous track point"},
    {32793, "&Playback / Play"},
    {32794, "&Playback / Pause"},
    {32795, "&Playback / Forward"},
    {32796, "&Playback / Reverse"},
    {32797, "&Playback / Speed Zoom / x1"},
    {32798, "&Playback / Speed Zoom / x3"},
    {32799, "&Playback / Speed Zoom / x5"},
    {32800, "&Playback / Speed Zoom / x10"},
    {32801, "&Playback / Speed Zoom / x20"},
    {32802, "&Playback / Speed Zoom / x30"},
    {32803, "&Playback / Speed Zoom / x40"},
    {32804, "&Playback / Speed Zoom / x50"},
    {32805, "&Playback / Speed Zoom / x60"},
    {32806, "&Playback / Speed Zoom / x70"},
    {32807, "&Playback / Speed Zoom / x80"},
    {32808, "&Playback / Speed Zoom / x90"},
    {32809, "&Playback / Speed Zoom / x100"},
    {32780, "&View / Route Guidance"},
    {32781, "&View / Recorded / Track"},
    {32782, "&View / Recorded / Altitude"},
    {32783, "&View / Recording / Track"},
    {32784, "&View / Recording / Altitude"},
    {32813, "&View / User-Selectable Field (trip data) / TRIP"},
    {32814, "&View / User-Selectable Field (trip data) / SPD"},
    {32815, "&View / User-Selectable Field (trip data) / MXSPD"},
    {32816, "&View / User-Selectable Field (trip data) / AVSPD"},
    {32817, "&View / User-Selectable Field (trip data) / TRK"},
    {32818, "&View / User-Selectable Field (trip data) / ALT"},
    {32819, "&View / User-Selectable Field (trip data) / ELPSD"},
    {32820, "&View / User-Selectable Field (trip data) / TTIME"},
    {32822, "&View / User-Selectable Field (navigation) / ETE"},
    {32823, "&View / User-Selectable Field (navigation) / ETA"},
    {32824, "&View / User-Selectable Field (navigation) / ERD"},
    {32825, "&View / User-Selectable Field (navigation) / CTS"},
    {32826, "&View / User-Selectable Field (navigation) / XTK"},
    {32827, "&View / User-Selectable Field (navigation) / VMG"},
    {32828, "&View / User-Selectable Field (navigation) / TRN"},
    {32775, "&View / Screen Orientation / 0\u00B0"},
    {32776, "&View / Screen Orientation / 90\u00B0"},
    {32777, "&View / Screen Orientation / 180\u00B0"},
    {32778, "&View / Screen Orientation / 270\u00B0"},
    {32832, "&Destinations / &Waypoints / Waypoint &List..."},
    {32879, "&Destinations / &Waypoints / &Nearest Waypoints / &10"},
    {32880, "&Destinations / &Waypoints / &Nearest Waypoints / &20"},
    {32881, "&Destinations / &Waypoints / &Nearest Waypoints / &30"},
    {32882, "&Destinations / &Waypoints / &Nearest Waypoints / &40"},
    {32883, "&Destinations / &Waypoints / &Nearest Waypoints / &50"},
    {32884, "&Destinations / &Waypoints / &Nearest Waypoints / 1&00"},
    {32885, "&Destinations / &Waypoints / &Nearest Waypoints / &All"},
    {32833, "&Destinations / &Marking a Position..."},
    {32892, "&Destinations / Man &Overboard(MOB)"},
    {32837, "&Destinations / &Routes / &Current Route..."},
    {32838, "&Destinations / &Routes / &Recalculate the Route"},
    {32839, "&Destinations / &Routes / Route &List..."},
    {32835, "&Destinations / &Save Changes Now"},
    {32774, "&Open..."},
    {32891, "&Save..."},
    {32821, "Options..."},
    {32843, "&Help / Contents"},
    {32845, "&Help / Warnings..."},
    {32773, "&Help / About..."},
};

// The titles of the menus from the main menu down to the one that holds `action`.
QStringList MenuPathOf(const QAction* action) {
    QStringList titles;
    for (QObject* parent = action->parent(); parent != nullptr; parent = parent->parent()) {
        if (const auto* menu = qobject_cast<QMenu*>(parent)) {
            titles.prepend(menu->title());
        }
    }
    return titles;
}

} // namespace

void FrameTest::MenuHoldsEveryCommandUnderItsPath() {
    Start();
    for (const auto& [id, path] : kHandheldMenu) {
        QStringList levels = QString::fromUtf8(path).split(" / ");
        const QAction* action = Frame().Action(id);
        QVERIFY2(action != nullptr, path);
        QCOMPARE(action->text(), levels.takeLast());
        levels.prepend("&Menu");
        QCOMPARE(MenuPathOf(action), levels);
    }
    // Commands beyond the handheld's sit in a menu too; a command without an update handler is
    // always enabled.
    for (const FrameCommand& command : FrameCommands()) {
        const QAction* action = Frame().Action(command.id);
        QVERIFY2(action != nullptr && !MenuPathOf(action).isEmpty(), command.menuPath);
        QVERIFY(Frame().UpdateCommand(command.id).enabled || command.update != nullptr);
    }
    // Mnemonics lead through Destinations to a dialog's command.
    QMenu* destinations = nullptr;
    for (QAction* item : Frame().MainMenu()->actions()) {
        if (item->text() == "&Destinations") {
            destinations = item->menu();
        }
    }
    QVERIFY(destinations != nullptr);
    QSet<QChar> keys;
    for (const QAction* item : destinations->actions()) {
        const QString text = item->text();
        const qsizetype mark = text.indexOf('&');
        QVERIFY2(mark >= 0 && mark + 1 < text.size(), qPrintable(text));
        QVERIFY2(!keys.contains(text[mark + 1].toLower()), qPrintable(text));
        keys.insert(text[mark + 1].toLower());
    }
}

void FrameTest::SettingsAreAppliedOnceAtTheFirstActivation() {
    WriteDword(settings_keys::kGeneral, settings_keys::kKindOfEngine, 1);
    WriteDword(settings_keys::kGeneral, settings_keys::kKindOfView, 2);
    WriteDword(settings_keys::kGeneral, settings_keys::kDTUserSelectableField, 5);
    WriteDword(settings_keys::kPlaybackFromFile, settings_keys::kSpeedZoom, 20);
    Start();
    QCOMPARE(Frame().View().ShownViewCommand(), kViewRecordedAltitude);
    QVERIFY(Frame().UpdateCommand(kViewRecordedAltitude).checked);
    QVERIFY(!Frame().UpdateCommand(kViewRouteGuidance).checked);
    QVERIFY(Frame().UpdateCommand(kTripDataFieldFirst + 4).checked);
    QVERIFY(Frame().UpdateCommand(kSpeedZoomFirst + 4).checked); // x20 of track 1

    WriteDword(settings_keys::kGeneral, settings_keys::kKindOfView, 1);
    Frame().View().SelectView(kViewRouteGuidance);
    QEvent activate(QEvent::WindowActivate);
    QApplication::sendEvent(&Frame(), &activate);
    QCoreApplication::processEvents();
    QCOMPARE(Frame().View().ShownViewCommand(), kViewRouteGuidance);
}

void FrameTest::PlaybackControlsReachTheCoreAndTheirItemsShowIt() {
    Start();
    CTrack& live = Core().Document().Track(kEngineTrack2); // route guidance shows track 2
    Frame().Action(kPlay)->trigger();
    QCOMPARE(live.GetPlaybackMode(), PlaybackMode::Play);
    QVERIFY(Frame().UpdateCommand(kPlay).checked);
    QVERIFY(!Frame().UpdateCommand(kPause).checked);
    QCOMPARE(ReadDword(settings_keys::kPlaybackFromDirect, settings_keys::kPlaybackMode), 2u);
    QCOMPARE(ReadDword(settings_keys::kPlaybackFromFile, settings_keys::kPlaybackMode), 1u);
    // The opened menu shows it.
    auto* playback = qobject_cast<QMenu*>(Frame().Action(kPlay)->parent());
    playback->popup({});
    QVERIFY(Frame().Action(kPlay)->isChecked() && !Frame().Action(kPause)->isChecked());
    playback->hide();

    Frame().Action(kReverse)->trigger();
    QCOMPARE(live.GetPlaybackDirection(), PlaybackDirection::Reverse);
    QVERIFY(Frame().UpdateCommand(kReverse).checked);
    QVERIFY(!Frame().UpdateCommand(kForward).checked);

    Frame().Action(kSpeedZoomLast)->trigger();
    QCOMPARE(live.GetSpeedZoom(), 100);
    for (int id = kSpeedZoomFirst; id <= kSpeedZoomLast; ++id) {
        QCOMPARE(Frame().UpdateCommand(id).checked, id == kSpeedZoomLast);
    }
    live.SetSpeedZoom(7); // off the list: x1 is checked
    QVERIFY(Frame().UpdateCommand(kSpeedZoomFirst).checked);
    live.SetPlaybackMode(static_cast<PlaybackMode>(0));
    QVERIFY(!Frame().UpdateCommand(kPlay).enabled);
    QVERIFY(!Frame().UpdateCommand(kPause).checked && !Frame().UpdateCommand(kPlay).checked);

    Frame().Action(kTripDataFieldLast)->trigger();
    QCOMPARE(Frame().View().TripDataField(), 8);
    Frame().Action(kNavigationFieldFirst + 2)->trigger();
    QVERIFY(Frame().UpdateCommand(kNavigationFieldFirst + 2).checked);
    Frame().Action(kNightColours)->trigger();
    QVERIFY(Frame().UpdateCommand(kNightColours).checked && Frame().View().NightColours());
    QCOMPARE(ReadDword(settings_keys::kGeneral, "NightColours"), 1u);
    Frame().Action(kViewRecordingAltitude)->trigger();
    QVERIFY(Frame().UpdateCommand(kViewRecordingAltitude).checked);
}

void FrameTest::PacedByTheLogsTimeIsACheckKeptInTheSettings() {
    WriteDword(settings_keys::kPlaybackControl, settings_keys::kPacedByLogTime, 1);
    Start();
    QVERIFY(Core().IsPacedPlayback());
    QVERIFY(Frame().UpdateCommand(kPacedByLogTime).checked);
    Frame().Action(kPacedByLogTime)->trigger();
    QVERIFY(!Core().IsPacedPlayback());
    QVERIFY(!Frame().UpdateCommand(kPacedByLogTime).checked);
    QCOMPARE(ReadDword(settings_keys::kPlaybackControl, settings_keys::kPacedByLogTime), 0u);
}

void FrameTest::OpenLoadsARecordFileAndRemembersItsFolder() {
    Start();
    QVERIFY(!Frame().UpdateCommand(kGoToEnd).enabled);
    const std::filesystem::path drive = WriteDrive("trip.log"); // any extension but KML/KMZ
    OpenAndWait(drive);
    QCOMPARE(m_openFolders.value(0),
             QString::fromStdString(PlatformPaths::Below(m_dir->Path()).documentsDir.string()));
    // Receiver logs come as .log and .nmea too, and any other name can still be chosen.
    for (const char* offered : {"Record files (*.txt *.log *.nmea)", "KML/KMZ files (*.kml *.kmz)",
                                "GPS Exchange (*.gpx)", "All files (*)"}) {
        QVERIFY2(m_openFilters.value(0).split(";;").contains(QString(offered)), offered);
    }
    QVERIFY(PointCount(kEngineTrack1) > 20);
    QCOMPARE(Frame().View().ShownViewCommand(), kViewRecordedTrack);
    QCOMPARE(Frame().windowTitle(), QStringLiteral("trip.log"));
    QTRY_VERIFY_WITH_TIMEOUT(!m_app->Timers().IsActive(kTimerKeepAwakePlayback),
                             kThreadWaitMs); // reading ended

    QVERIFY(Frame().UpdateCommand(kGoToEnd).enabled);
    Frame().Action(kGoToEnd)->trigger();
    QCOMPARE(Core().Document().Track(kEngineTrack1).CurrentIndex(), PointCount(kEngineTrack1) - 1);

    m_openPath.clear(); // cancelled: nothing changes
    Frame().Action(kOpen)->trigger();
    QCOMPARE(m_openFolders.value(1), QString::fromStdString(drive.parent_path().string()));
    QCOMPARE(Frame().windowTitle(), QStringLiteral("trip.log"));
}

void FrameTest::RecordingFromAPortShowsItsStateAndAsksToKeepTheFile() {
    Start();
    QVERIFY(!Frame().UpdateCommand(kRecordFrom).enabled);
    PseudoTerminal receiver;
    Core().SerialSource().SetPortName(receiver.SlavePath());
    CommandUi idle = Frame().UpdateCommand(kRecordFrom);
    QVERIFY(idle.enabled && !idle.checked);
    QCOMPARE(idle.text, "Record &from " + QString::fromStdString(receiver.SlavePath()));
    QVERIFY(!Frame().UpdateCommand(kManOverboard).enabled);

    Frame().Action(kRecordFrom)->trigger();
    QVERIFY(Core().RunningSource() != nullptr);
    const CommandUi recording = Frame().UpdateCommand(kRecordFrom);
    QVERIFY(recording.checked);
    QCOMPARE(recording.text,
             "Recording &from " + QString::fromStdString(Core().RunningSource()->ConnectedName()));
    QVERIFY(Frame().UpdateCommand(kManOverboard).enabled);
    QCOMPARE(Frame().View().ShownViewCommand(), kViewRecordingTrack);
    QCOMPARE(Frame().windowTitle(), QStringLiteral("Track Recording"));
    QVERIFY(m_app->Timers().IsActive(kTimerKeepAwakeRecording));
    const std::filesystem::path file = Core().RunningSource()->RecordFileName();

    receiver.Write(testlogs::SyntheticDrive(5));
    QTRY_VERIFY_WITH_TIMEOUT(PointCount(kEngineTrack2) > 0, kThreadWaitMs);
    m_answer = [](const PromptRequest& request) {
        return request.buttons == PromptButtons::YesNo ? PromptAnswer::Yes : PromptAnswer::Ok;
    };
    Frame().Action(kRecordFrom)->trigger();
    QVERIFY(Core().RunningSource() == nullptr);
    QCOMPARE(m_asked.size(), std::size_t{1});
    QCOMPARE(m_asked[0].text,
             "Do You want to save the currently-recorded Track '" + file.string() + "'");
    QCOMPARE(m_asked[0].caption, std::string("Question"));
    QVERIFY(std::filesystem::exists(file));
    QTRY_VERIFY_WITH_TIMEOUT(!Core().PlaybackReader().IsRunning(), kThreadWaitMs);
    QVERIFY(PointCount(kEngineTrack1) > 0); // the kept file is track 1 now
    QCOMPARE(PointCount(kEngineTrack2), 0);
    QCOMPARE(Frame().View().ShownViewCommand(), kViewRecordedTrack);
    QVERIFY(!Frame().UpdateCommand(kRecordFrom).checked);
}

void FrameTest::SaveWritesTheShownTrackAsKmzAndSaysSo() {
    Start();
    OpenAndWait(WriteDrive("trip.txt"));
    QStringList asked;
    const std::filesystem::path out = m_dir->Path() / "out.kmz";
    Frame().SetFileDialogs({nullptr, [&](QWidget*, const QString& title, const QString& path,
                                         const QStringList& filters) {
                                asked << title << path << filters;
                                return QString::fromStdString(out.string());
                            }});
    Frame().Action(kSave)->trigger();
    const std::string documents = PlatformPaths::Below(m_dir->Path()).documentsDir.string();
    QCOMPARE(asked,
             (QStringList{"Save Velmora", QString::fromStdString(documents + "/trip"),
                          "Google Earth (*.kmz)", "Google Earth (*.kml)", "GPS Exchange (*.gpx)"}));
    QVERIFY(testpaths::ReadFileBytes(out).starts_with("PK"));
    QCOMPARE(m_asked.size(), std::size_t{1});
    QCOMPARE(m_asked[0].text, "The file '" + out.string() +
                                  "' was successfully saved. Please! Use the File Explorer to "
                                  "copy or move the file.");
    QCOMPARE(m_asked[0].caption, std::string(kApplicationName));
    QCOMPARE(m_asked[0].icon, PromptIcon::Information);
}

// Building and writing a file of a long track, or reading one, takes long: the window shows a
// box meanwhile, and a recording's receive thread can take its track all the while.
void FrameTest::SaveAndKmlOpenWorkBehindABusyBoxWithTheTracksFree() {
    Start();
    OpenAndWait(WriteDrive("trip.txt"));
    const int points = PointCount(kEngineTrack1);
    const std::filesystem::path out = m_dir->Path() / "out.kmz";
    Frame().SetFileDialogs(
        {[this](QWidget*, const QString&, const QString&, const QString&) { return m_openPath; },
         [&](QWidget*, const QString&, const QString&, const QStringList&) {
             return QString::fromStdString(out.string());
         }});
    QStringList boxes;
    bool locksFree = true;
    bool answeredDuringBox = false;
    Frame().OnBusyBoxShown([&](QDialog& box) {
        QVERIFY(box.isVisible());
        QVERIFY(box.isModal());
        boxes << box.windowTitle();
        for (const int engine : {kEngineTrack1, kEngineTrack2}) {
            std::unique_lock lock(Core().TrackLock(engine), std::try_to_lock);
            locksFree = locksFree && lock.owns_lock();
        }
        answeredDuringBox = answeredDuringBox || !m_asked.empty();
    });

    Frame().Action(kSave)->trigger();
    QCOMPARE(boxes, QStringList{"Save Velmora"});
    QVERIFY(locksFree);
    QVERIFY(!answeredDuringBox);
    QVERIFY(testpaths::ReadFileBytes(out).starts_with("PK"));
    // The result is told on the window's thread once the file is written.
    QCOMPARE(m_asked.size(), std::size_t{1});
    QCOMPARE(m_asked[0].icon, PromptIcon::Information);

    // Opening it again: read behind the box, then its line becomes track 1.
    m_asked.clear();
    {
        std::lock_guard lock(Core().TrackLock(kEngineTrack1));
        Core().Document().Track(kEngineTrack1).Reset();
    }
    m_openPath = QString::fromStdString(out.string());
    Frame().Action(kOpen)->trigger();
    QCOMPARE(boxes, (QStringList{"Save Velmora", "Open"}));
    QVERIFY(locksFree);
    QVERIFY(m_asked.empty());
    QVERIFY(PointCount(kEngineTrack1) >= points / 10);
    QCOMPARE(Frame().View().ShownViewCommand(), kViewRecordedTrack);
    QCOMPARE(Frame().windowTitle(), QStringLiteral("out.kmz"));

    // A file that is no KML is reported, and nothing else happens.
    const std::filesystem::path broken = m_dir->Path() / "broken.kml";
    testpaths::WriteFileBytes(broken, "<kml><Document>");
    m_openPath = QString::fromStdString(broken.string());
    Frame().Action(kOpen)->trigger();
    QTRY_COMPARE_WITH_TIMEOUT(m_asked.size(), std::size_t{1}, kThreadWaitMs);
    QCOMPARE(m_asked[0].text, std::string("Xml parse failed or empty document"));
    QCOMPARE(Frame().windowTitle(), QStringLiteral("out.kmz"));
}

void FrameTest::SaveAsGpxAndOpenItGiveTheSamePoints() {
    Start();
    OpenAndWait(WriteDrive("trip.txt"));
    std::vector<TrackPoint> saved;
    {
        std::lock_guard lock(Core().TrackLock(kEngineTrack1));
        saved = CopyTrackPoints(Core().Document().Track(kEngineTrack1));
    }
    const std::filesystem::path out = m_dir->Path() / "out.GPX";
    Frame().SetFileDialogs(
        {[this](QWidget*, const QString&, const QString&, const QString&) { return m_openPath; },
         [&](QWidget*, const QString&, const QString&, const QStringList&) {
             return QString::fromStdString(out.string());
         }});
    QStringList boxes;
    Frame().OnBusyBoxShown([&](QDialog& box) { boxes << box.windowTitle(); });
    Frame().Action(kSave)->trigger();
    QVERIFY(testpaths::ReadFileBytes(out).find("<gpx version=\"1.1\"") != std::string::npos);
    QCOMPARE(m_asked.size(), std::size_t{1});
    QCOMPARE(m_asked[0].icon, PromptIcon::Information);

    m_asked.clear();
    m_openPath = QString::fromStdString(out.string());
    Frame().Action(kOpen)->trigger();
    QCOMPARE(boxes, (QStringList{"Save Velmora", "Open"}));
    QVERIFY(m_asked.empty());
    QCOMPARE(Frame().View().ShownViewCommand(), kViewRecordedTrack);
    QCOMPARE(Frame().windowTitle(), QStringLiteral("out.GPX"));
    std::lock_guard lock(Core().TrackLock(kEngineTrack1));
    const CTrack& opened = Core().Document().Track(kEngineTrack1);
    QCOMPARE(opened.PointCount(), static_cast<int>(saved.size()));
    for (int i = 0; i < opened.PointCount(); ++i) {
        const TrackPoint& a = saved[static_cast<std::size_t>(i)];
        const TrackPoint b = opened.PointAt(i);
        QVERIFY(std::fabs(a.Position().Latitude().DecimalDegrees() -
                          b.Position().Latitude().DecimalDegrees()) < 1e-6);
        QCOMPARE(b.Time(), a.Time());
        QVERIFY(std::fabs(a.SpeedOverGround() - b.SpeedOverGround()) < 0.001);
    }
}

// The reader thread asks whether to replace a waypoint of the store while the window's timer
// may want any of the three locks: none may be held while the question waits.
void FrameTest::WorkerQuestionLeavesEveryLockFreeWhileItIsShown() {
    Start();
    Core().Document().Store().StoreWaypoint(
        CWaypoint("HOME", CLatLong::FromDecimalDegrees(10.0, 10.0)), true, "elsewhere");
    bool locksFree = true;
    m_answer = [&](const PromptRequest& request) {
        const auto tryLock = [](auto& lock) {
            const bool free = lock.try_lock();
            if (free) {
                lock.unlock();
            }
            return free;
        };
        locksFree = locksFree && tryLock(Core().TrackLock(kEngineTrack1)) &&
                    tryLock(Core().TrackLock(kEngineTrack2)) &&
                    tryLock(Core().Document().Store().Lock());
        return request.buttons == PromptButtons::YesNo ? PromptAnswer::No : PromptAnswer::Ok;
    };
    OpenAndWait(WriteDrive("with-waypoint.txt", "$GPWPL,4916.4500,N,12311.1200,W,HOME*5E\r\n"));
    QCOMPARE(m_asked.size(), std::size_t{2}); // replace? then rename?
    QVERIFY(m_asked[0].text.find("HOME") != std::string::npos);
    QVERIFY(locksFree);
    QVERIFY(PointCount(kEngineTrack1) > 20);
}

void FrameTest::ShutdownSavesTheKnownBluetoothDevices() {
    Start();
    Core().AppendBluetoothDevice({"Receiver", 0x0012345678ABULL});
    m_app->ExitInstance();
    RegistryStore registry(PlatformPaths::Below(m_dir->Path()), nullptr);
    const Settings settings = LoadSettings(registry);
    QCOMPARE(settings.rememberedDevices.size(), std::size_t{1});
    QCOMPARE(settings.rememberedDevices[0].deviceName, std::string("Receiver"));
    QCOMPARE(settings.rememberedDevices[0].remoteDeviceAddress, 0x0012345678ABULL);
}

void FrameTest::FrameOpensFilledOrPlacedAsTheScreenAsks() {
    struct Case {
        const char* label;
        QSize screen;
        std::optional<QRect> stored;
        bool fullScreenAsked;
        bool windowManager;
        FrameState state;
        QRect normal;
    };
    const QRect firstTime(0, 0, 480, 640);
    const Case cases[] = {
        {"320x240 bare", {320, 240}, {}, false, false, FrameState::FullScreen, {0, 0, 320, 240}},
        {"800x480 managed", {800, 480}, {}, false, true, FrameState::Maximized, {0, 0, 480, 480}},
        {"768x1024 upright", {768, 1024}, {}, false, true, FrameState::Maximized, firstTime},
        {"1024x768 bare", {1024, 768}, {}, false, false, FrameState::FullScreen, firstTime},
        {"1280x720 first time", {1280, 720}, {}, false, true, FrameState::Normal, {0, 0, 480, 640}},
        {"1920x1080 stored",
         {1920, 1080},
         QRect(100, 50, 600, 500),
         false,
         true,
         FrameState::Normal,
         {100, 50, 600, 500}},
        {"1920x1080 stored beyond",
         {1920, 1080},
         QRect(1800, -20, 600, 1500),
         false,
         false,
         FrameState::Normal,
         {1320, 0, 600, 1080}},
        {"1920x1080 asked", {1920, 1080}, {}, true, true, FrameState::FullScreen, firstTime},
        {"1920x1080 asked bare", {1920, 1080}, {}, true, false, FrameState::FullScreen, firstTime},
    };
    for (const Case& c : cases) {
        const QRect screen(QPoint(0, 0), c.screen);
        const FrameShowing showing =
            ChooseFrameShowing(screen, screen, c.stored, c.fullScreenAsked, c.windowManager);
        QVERIFY2(showing.state == c.state, c.label);
        QCOMPARE(showing.normal, c.normal);
        QCOMPARE(showing.placed, c.stored.has_value());
    }
    // The available area leaves out the panels of the desktop.
    QCOMPARE(ChooseFrameShowing({0, 0, 1920, 1080}, {0, 30, 1920, 1000}, QRect(0, 0, 480, 640),
                                false, true)
                 .normal,
             QRect(0, 30, 480, 640));

    RegistryStore registry(PlatformPaths::Below(m_dir->Path()), nullptr);
    QVERIFY(!LoadFramePlacement(registry));
    QCOMPARE(SaveFramePlacement(registry, {-1200, -30, 640, 480}), 0); // a screen to the left
    QCOMPARE(LoadFramePlacement(registry), std::optional<QRect>(QRect(-1200, -30, 640, 480)));
    QCOMPARE(SaveFramePlacement(registry, {0, 0, 0, 480}), 0);
    QVERIFY(!LoadFramePlacement(registry)); // a damaged size is not used
}

// Real touch sequences of a touch screen on the view: swipes change the view as the Left and
// Right keys do, a tap is the action key (here: one playback step), tap and hold the menu.
void FrameTest::TouchDrivesTheViewAsTheKeysDo() {
    Start();
    OpenAndWait(WriteDrive("trip.txt"));
    QTRY_VERIFY_WITH_TIMEOUT(!m_app->Timers().IsActive(kTimerKeepAwakePlayback),
                             kThreadWaitMs); // the reader's end is handled
    Core().Document().Store().ManOverboard(CLatLong::FromDecimalDegrees(10.0, 10.0), "here");
    CObrin2View& view = Frame().View();
    QTRY_COMPARE_WITH_TIMEOUT(view.ShownViewCommand(), kViewRecordedTrack, kThreadWaitMs);
    QPointingDevice* finger = QTest::createTouchDevice(QInputDevice::DeviceType::TouchScreen);
    const QPoint middle = view.rect().center();
    const auto stroke = [&](QPoint from, QPoint to) {
        QTest::touchEvent(&view, finger).press(0, from);
        QTest::touchEvent(&view, finger).move(0, (from + to) / 2);
        QTest::touchEvent(&view, finger).release(0, to);
    };
    const QPoint across(view.width() / 3, 0);
    stroke(middle + across, middle - across);              // to the left: the previous view
    QCOMPARE(view.ShownViewCommand(), kViewRouteGuidance); // guidance to the point just stored
    stroke(middle - across, middle + across);
    QCOMPARE(view.ShownViewCommand(), kViewRecordedTrack);
    stroke(middle - across, middle + across);
    QCOMPARE(view.ShownViewCommand(), kViewRecordedAltitude);
    const QPoint down(0, view.height() / 3);
    stroke(middle - down, middle + down); // up and down is no swipe
    QCOMPARE(view.ShownViewCommand(), kViewRecordedAltitude);

    const int first = Core().Document().Track(kEngineTrack1).CurrentIndex();
    stroke(middle, middle + QPoint(2, 1)); // a tap
    QCOMPARE(Core().Document().Track(kEngineTrack1).CurrentIndex(), first + 1);

    QTest::touchEvent(&view, finger).press(0, middle);
    QTRY_VERIFY_WITH_TIMEOUT(Frame().MainMenu()->isVisible(), kThreadWaitMs);
    QTest::touchEvent(&view, finger).release(0, middle);
    Frame().MainMenu()->hide();
    QCOMPARE(Core().Document().Track(kEngineTrack1).CurrentIndex(), first + 1); // no tap
    QCOMPARE(view.ShownViewCommand(), kViewRecordedAltitude);

    // With the drawing turned by 90 degrees its horizontal runs down the screen.
    Frame().Action(kOrientation90)->trigger();
    stroke(middle - down, middle + down);
    QCOMPARE(view.ShownViewCommand(), kViewRouteGuidance);
}

ZRV_QTEST_MAIN(FrameTest)
#include "FrameTest.moc"
