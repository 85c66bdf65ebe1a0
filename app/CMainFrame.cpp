#include "app/CMainFrame.h"

#include "app/BuildTime.h"
#include "app/BusyBox.h"
#include "app/CBluetoothConnectDlg.h"
#include "app/CommandIds.h"
#include "app/DestinationCommands.h"
#include "app/OptionUsers.h"
#include "app/TouchGestures.h"
#include "app/dialogs/CNetworkDlg.h"
#include "app/dialogs/CSelectBluetoothDeviceDlg.h"
#include "app/dialogs/CSelectSerialPortDlg.h"
#include "app/dialogs/CWarningsDlg.h"
#include "app/dialogs/CZRVOptionsDlg.h"
#include "app/view/CObrin2View.h"
#include "comm/ApplicationCore.h"
#include "comm/BaudRateSettings.h"
#include "comm/OptionChanges.h"
#include "comm/PortDescription.h"
#include "navigation/DistanceUnits.h"
#include "navigation/TextFormat.h"
#include "platform/DocumentsFolder.h"
#include "platform/Prompts.h"
#include "tracks/GpxExport.h"
#include "tracks/GpxImport.h"
#include "tracks/KmlExport.h"
#include "tracks/KmlImport.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenuBar>
#include <QMessageBox>
#include <QTimer>
#include <QUrl>

#include <mutex>
#include <new>
#include <optional>

namespace {

using namespace command_ids;

constexpr const char* kManualFileName = "UserManual.html";

QString OpenWithDialog(QWidget* owner, const QString& title, const QString& folder,
                       const QString& filter) {
    return QFileDialog::getOpenFileName(owner, title, folder, filter);
}

// The save dialog asks before overwriting; a name typed without extension gets the chosen
// filter's.
QString SaveWithDialog(QWidget* owner, const QString& title, const QString& proposed,
                       const QStringList& filters) {
    QFileDialog dialog(owner, title, proposed);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilters(filters);
    dialog.setDefaultSuffix(QStringLiteral("kmz"));
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&](const QString& filter) {
        dialog.setDefaultSuffix(filter.contains(QLatin1String("*.kml"))   ? QStringLiteral("kml")
                                : filter.contains(QLatin1String("*.gpx")) ? QStringLiteral("gpx")
                                                                          : QStringLiteral("kmz"));
    });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return {};
    }
    return dialog.selectedFiles().constFirst();
}

// The engine whose track the playback commands act on: route guidance counts as track 2.
int TrackEngine(const CObrin2View& view) {
    return view.ShownEngine() == kEngineTrack1 ? kEngineTrack1 : kEngineTrack2;
}

QString FromUtf8(const std::string& text) {
    return QString::fromStdString(text);
}

} // namespace

CMainFrame::CMainFrame(ApplicationCore& core)
    : m_core(core),
      m_view(new CObrin2View(core, this)), m_dialogs{&OpenWithDialog, &SaveWithDialog},
      m_fit(*this, core.Registry()) {
    setCentralWidget(m_view);
    new TouchGestures(*m_view, [this] { return m_view->Orientation(); });
    BuildMenu();
    connect(m_view, &CObrin2View::TitleChanged, this, &CMainFrame::RefreshTitle);
    connect(m_view, &CObrin2View::ContextMenuRequested, this, &CMainFrame::ShowContextMenu);
    RefreshTitle();
}

CMainFrame::~CMainFrame() = default;

void CMainFrame::BuildMenu() {
    m_mainMenu = menuBar()->addMenu(QStringLiteral("&Menu"));
    std::map<QString, QMenu*> submenus;
    for (const FrameCommand& command : FrameCommands()) {
        const QStringList levels = QString::fromUtf8(command.menuPath).split(QStringLiteral(" / "));
        QMenu* menu = m_mainMenu;
        QString path;
        for (qsizetype i = 0; i + 1 < levels.size(); ++i) {
            path += levels[i] + QLatin1Char('/');
            QMenu*& submenu = submenus[path];
            if (submenu == nullptr) {
                submenu = menu->addMenu(levels[i]);
            }
            menu = submenu;
        }
        QAction* action = menu->addAction(levels.constLast());
        action->setData(command.id);
        const int id = command.id;
        connect(action, &QAction::triggered, this, [this, id] { ExecuteCommand(id); });
        m_actions[id] = action;
    }
    // F11 as the desktops have it; the bare X server's key scheme has no full-screen key.
    m_actions.at(kFullScreen)->setShortcut(QKeySequence(Qt::Key_F11));
    // Beyond the handheld's menu: the desktop's way to end the program.
    m_mainMenu->addSeparator();
    QAction* exit = m_mainMenu->addAction(QStringLiteral("E&xit"));
    exit->setShortcut(QKeySequence::Quit);
    connect(exit, &QAction::triggered, this, &QWidget::close);
    // Update handlers run each time a menu opens, so the items show the state of that moment.
    std::vector<QMenu*> menus{m_mainMenu};
    for (const auto& [path, submenu] : submenus) {
        menus.push_back(submenu);
    }
    for (QMenu* menu : menus) {
        connect(menu, &QMenu::aboutToShow, this, [this, menu] { UpdateMenu(*menu); });
    }
}

void CMainFrame::UpdateMenu(QMenu& menu) {
    for (QAction* action : menu.actions()) {
        if (!action->data().isValid()) {
            continue;
        }
        const int id = action->data().toInt();
        const FrameCommand* command = FindFrameCommand(id);
        const CommandUi ui = UpdateCommand(id);
        action->setEnabled(ui.enabled);
        action->setCheckable(ui.checkable);
        action->setChecked(ui.checked);
        const QString own = QString::fromUtf8(command->menuPath).split(" / ").constLast();
        action->setText(ui.text.isEmpty() ? own : ui.text);
    }
}

QAction* CMainFrame::Action(int id) const {
    const auto it = m_actions.find(id);
    return it == m_actions.end() ? nullptr : it->second;
}

bool CMainFrame::ExecuteCommand(int id) {
    const FrameCommand* command = FindFrameCommand(id);
    if (command == nullptr) {
        return false;
    }
    (this->*command->handler)(id);
    return true;
}

CommandUi CMainFrame::UpdateCommand(int id) {
    CommandUi ui;
    const FrameCommand* command = FindFrameCommand(id);
    if (command == nullptr) {
        ui.enabled = false;
        return ui;
    }
    if (command->update != nullptr) {
        (this->*command->update)(id, ui);
    }
    return ui;
}

void CMainFrame::RefreshTitle() {
    const int engine = TrackEngine(*m_view);
    std::string name;
    {
        std::lock_guard lock(m_core.TrackLock(engine));
        name = m_core.Document().Track(engine).DisplayName();
    }
    setWindowTitle(name.empty() ? QString::fromLatin1(kApplicationName) : FromUtf8(name));
}

void CMainFrame::ShowContextMenu(const QPoint& globalPos) {
    m_mainMenu->popup(globalPos);
}

bool CMainFrame::event(QEvent* event) {
    // A window manager activates the window; without one (a bare X server) the first show
    // stands for the first activation.
    if (event->type() == QEvent::WindowActivate) {
        FirstActivation();
    } else if (event->type() == QEvent::Show && !m_activated) {
        QTimer::singleShot(0, this, [this] { FirstActivation(); });
    }
    return QMainWindow::event(event);
}

void CMainFrame::FirstActivation() {
    if (m_activated) {
        return;
    }
    m_activated = true;
    if (m_firstActivation) {
        m_firstActivation();
    }
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    if (m_close) {
        m_close();
    }
    event->accept();
}

QString CMainFrame::DocumentsFolder() {
    const auto folder = FindDocumentsFolder(m_core.Paths(), m_core.Prompts());
    return folder ? QString::fromStdString(folder->string()) : QString();
}

void CMainFrame::OpenPath(const QString& path) {
    const QFileInfo file(path);
    const QString extension = file.suffix().toUpper();
    if (extension == QLatin1String("KML") || extension == QLatin1String("KMZ")) {
        // Reading, unpacking and parsing a large file takes long: a worker does it while the
        // window shows that it is under way. What it found is stored here.
        const std::string kmlPath = path.toStdString();
        std::optional<KmlGeometry> geometry;
        RunWithBusyBox(
            this, QStringLiteral("Open"),
            QStringLiteral("Reading ") + file.fileName() + QStringLiteral("..."), m_core.Prompts(),
            [&] { geometry = ReadKmlGeometry(kmlPath, m_core.Prompts()); }, m_busyShown);
        if (geometry &&
            m_core.ImportKmlGeometry(*geometry, kmlPath, m_settings.general.kindOfRouteGuidance)) {
            ExecuteCommand(kRouteList);
        }
        return;
    }
    if (extension == QLatin1String("GPX")) {
        const std::string gpxPath = path.toStdString();
        std::optional<GpxData> data;
        RunWithBusyBox(
            this, QStringLiteral("Open"),
            QStringLiteral("Reading ") + file.fileName() + QStringLiteral("..."), m_core.Prompts(),
            [&] { data = ReadGpxFile(gpxPath, m_core.Prompts()); }, m_busyShown);
        if (data) {
            const GpxStoreResult stored = m_core.ImportGpxData(*data, gpxPath);
            if (stored.routes > 0) {
                ExecuteCommand(kRouteList);
            } else if (stored.waypoints > 0) {
                ExecuteCommand(kWaypointList);
            }
        }
        return;
    }
    m_core.LoadRecordFile(path.toStdString(), file.fileName().toStdString());
}

// --- Handlers ----------------------------------------------------------------------------

void CMainFrame::OnAbout(int) {
    QMessageBox::about(this, QStringLiteral("About ") + QString::fromLatin1(kApplicationName),
                       QString::fromLatin1(kApplicationName) + QStringLiteral(" for Linux\n") +
                           BuildTimeLine());
}

void CMainFrame::OnOpen(int) {
    QString folder = m_openFolder;
    if (folder.isEmpty()) {
        folder = DocumentsFolder();
        if (folder.isEmpty()) {
            return;
        }
    }
    const QString path =
        m_dialogs.open(this, QStringLiteral("Open File"), folder,
                       QStringLiteral("All Files (*.txt *.kmz *.kml *.gpx *.log *.nmea);;"
                                      "Record files (*.txt *.log *.nmea);;"
                                      "KML/KMZ files (*.kml *.kmz);;"
                                      "GPS Exchange (*.gpx);;"
                                      "All files (*)"));
    if (path.isEmpty()) {
        return;
    }
    m_openFolder = QFileInfo(path).absolutePath();
    OpenPath(path);
}

void CMainFrame::OnSave(int) {
    const QString folder = DocumentsFolder();
    if (folder.isEmpty()) {
        return;
    }
    const int engine = TrackEngine(*m_view);
    const CTrack& track = m_core.Document().Track(engine);
    QString title;
    std::string trackName;
    {
        std::lock_guard lock(m_core.TrackLock(engine));
        title = QFileInfo(FromUtf8(track.FileName())).completeBaseName();
        trackName = track.DisplayName();
    }
    const QString path = m_dialogs.save(
        this, QStringLiteral("Save Velmora"), QDir(folder).filePath(title),
        {QStringLiteral("Google Earth (*.kmz)"), QStringLiteral("Google Earth (*.kml)"),
         QStringLiteral("GPS Exchange (*.gpx)")});
    if (path.isEmpty()) {
        return;
    }
    const GeneralSettings& general = m_settings.general;
    KmlExportOptions options;
    options.speedColoured = general.googleTrackLineColored != 0;
    options.altitudeMode = general.antennaAltitudeMode == 2 ? KmlAltitudeMode::Absolute
                                                            : KmlAltitudeMode::ClampedToGround;
    options.units = DistanceUnitOfSetting(general.distanceUnits);
    // Only the copy of the points holds the track: a recording's receive thread waits for that,
    // not for building, packing and writing the file, which a worker does meanwhile.
    std::vector<TrackPoint> points;
    try {
        std::lock_guard lock(m_core.TrackLock(engine));
        points = CopyTrackPoints(track);
    } catch (const std::bad_alloc&) {
        m_core.Prompts().ShowError("Out of memory");
        return;
    }
    const std::string file = path.toStdString();
    const CalendarTime modified = m_core.Clock().Now();
    std::string error;
    RunWithBusyBox(
        this, QStringLiteral("Save Velmora"),
        QStringLiteral("Saving ") + QFileInfo(path).fileName() + QStringLiteral("..."),
        m_core.Prompts(),
        [&] {
            try {
                error =
                    QFileInfo(path).suffix().compare(QLatin1String("gpx"), Qt::CaseInsensitive) == 0
                        ? ExportPointsToGpx(points, trackName, file).error
                        : ExportPointsToFile(points, file, options, modified);
            } catch (const std::bad_alloc&) {
                error = "Out of memory";
            }
        },
        m_busyShown);
    if (!error.empty()) {
        m_core.Prompts().ShowError(error);
        return;
    }
    m_core.View().StartAlert(AlertKind::Short);
    m_core.Prompts().ShowInformation(FillMessage(kKmlSavedMessage, path.toStdString()));
}

void CMainFrame::OnOrientation(int id) {
    m_view->SetOrientation((id - kOrientation0) * 90);
}

void CMainFrame::OnFullScreen(int) {
    m_fit.ToggleFullScreen();
}

void CMainFrame::OnSelectView(int id) {
    m_view->SelectView(id);
}

void CMainFrame::OnRecordFrom(int) {
    RunDirectionCommand(Direction::Record);
}

void CMainFrame::OnPlaybackTo(int) {
    RunDirectionCommand(Direction::Playback);
}

void CMainFrame::RunDirectionCommand(Direction direction) {
    const bool record = direction == Direction::Record;
    const auto command = [this, record] {
        if (record) {
            m_core.RecordCommand();
        } else {
            m_core.PlaybackToCommand();
        }
    };
    const bool running = record ? m_core.RunningSource() != nullptr : m_core.IsDestinationRunning();
    const SerialEndpoint& serial = record ? m_core.SerialSource() : m_core.SerialDestination();
    BluetoothEndpoint& bluetooth =
        record ? m_core.BluetoothSource() : m_core.BluetoothDestination();
    if (!running && serial.OpensThroughGpsd()) {
        // gpsd may take seconds to answer: the window keeps drawing meanwhile, and what the
        // start reports reaches the user through the prompts.
        RunWithBusyBox(this, QStringLiteral("Built-in GPS"),
                       QStringLiteral("Connecting to gpsd..."), m_core.Prompts(), command,
                       m_busyShown);
        return;
    }
    // The serial port goes first; only a Bluetooth start waits for a device.
    if (running || !serial.GetPortName().empty() || !bluetooth.HasDevice()) {
        command();
        return;
    }
    CBluetoothConnectDlg connecting(bluetooth, FromUtf8(bluetooth.Device().name), m_core.Prompts(),
                                    this);
    connecting.Run(command);
}

void CMainFrame::StartOrRestart(Direction direction, bool changed) {
    StartOrRestartAfterChoice(m_core, direction, changed,
                              [this, direction] { RunDirectionCommand(direction); });
}

void CMainFrame::OnSelectSerialPort(int id) {
    const Direction direction = id == kRecordSerial ? Direction::Record : Direction::Playback;
    const SerialEndpoint& serial =
        direction == Direction::Record ? m_core.SerialSource() : m_core.SerialDestination();
    const bool record = direction == Direction::Record;
    CSelectSerialPortDlg dialog(record, FromUtf8(serial.GetPortName()),
                                DescribePortEntries(m_core.Paths()),
                                record ? SourceBaudRateSetting(m_core.Registry()) : 0, this);
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    bool changed = SelectSerialPort(m_core, direction, dialog.Choice().toStdString());
    if (record) {
        changed = SelectSourceBaudRate(m_core, dialog.BaudRate()) || changed;
    }
    StartOrRestart(direction, changed);
}

void CMainFrame::OnSelectBluetoothDevice(int id) {
    const Direction direction = id == kRecordBluetooth ? Direction::Record : Direction::Playback;
    CSelectBluetoothDeviceDlg dialog(m_core, direction == Direction::Record, this);
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    StartOrRestart(direction, SelectBluetoothDevice(m_core, direction, *dialog.Choice()));
}

void CMainFrame::OnSelectNetwork(int id) {
    const Direction direction = id == kRecordNetwork ? Direction::Record : Direction::Playback;
    CNetworkDlg dialog(direction,
                       direction == Direction::Record ? m_core.NetworkSource().Address()
                                                      : m_core.NetworkDestination().Address(),
                       this);
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    StartOrRestart(direction, SelectNetworkAddress(m_core, direction, *dialog.Choice()));
}

void CMainFrame::OnBuiltInGps(int) {
    StartOrRestart(Direction::Record, ToggleBuiltInGps(m_core));
}

void CMainFrame::OnGoTo(int id) {
    using GoTo = ApplicationCore::GoTo;
    static const std::map<int, GoTo> kTargets = {{kGoToBegin, GoTo::Begin},
                                                 {kGoToEnd, GoTo::End},
                                                 {kGoToMaxSpeed, GoTo::MaxSpeed},
                                                 {kGoToMaxAltitude, GoTo::MaxAltitude},
                                                 {kGoToMinAltitude, GoTo::MinAltitude},
                                                 {kGoToNext, GoTo::Next},
                                                 {kGoToPrevious, GoTo::Previous}};
    m_core.GoToPoint(kTargets.at(id));
}

void CMainFrame::OnPlaybackMode(int id) {
    m_core.SetPlaybackMode(id == kPlay ? PlaybackMode::Play : PlaybackMode::Pause);
}

void CMainFrame::OnDirection(int id) {
    m_core.SetPlaybackDirection(id == kForward ? PlaybackDirection::Forward
                                               : PlaybackDirection::Reverse);
}

void CMainFrame::OnSpeedZoom(int id) {
    m_core.SetSpeedZoom(kSpeedZooms[id - kSpeedZoomFirst]);
}

void CMainFrame::OnPacedByLogTime(int) {
    m_core.SetPacedPlayback(!m_core.IsPacedPlayback());
}

void CMainFrame::OnTripDataField(int id) {
    m_view->SetTripDataField(id - kTripDataFieldFirst + 1);
}

void CMainFrame::OnNavigationField(int id) {
    m_view->SetNavigationField(id - kNavigationFieldFirst + 1);
}

void CMainFrame::OnNightColours(int) {
    m_view->SetNightColours(!m_view->NightColours());
}

void CMainFrame::OnManOverboard(int) {
    // The place to store is the file of the receiving connection.
    const CommEndpoint* source = m_core.RunningSource();
    if (source == nullptr) {
        return;
    }
    CLatLong position;
    {
        std::lock_guard lock(m_core.TrackLock(kEngineTrack2));
        position = m_core.Document().Track(kEngineTrack2).CurrentFix().Position();
    }
    if (m_core.Document().Store().ManOverboard(position, source->RecordFileName().string()) >= 0) {
        m_view->SelectView(kViewRouteGuidance);
    }
}

void CMainFrame::OnRecalculateRoute(int) {
    CLatLong position;
    {
        std::lock_guard lock(m_core.TrackLock(kEngineTrack2));
        const CFixRecord& fix = m_core.Document().Track(kEngineTrack2).CurrentFix();
        if (!fix.HasPosition()) {
            return;
        }
        position = fix.Position();
    }
    m_core.Document().Store().RecalculateRoute(position);
}

void CMainFrame::OnDestinations(int id) {
    RunDestinationCommand(m_core, *this, id);
}

void CMainFrame::UpdateDestinations(int id, CommandUi& ui) {
    UpdateDestinationCommand(m_core, id, ui);
}

void CMainFrame::OnOptions(int) {
    GeneralSettings current = m_settings.general;
    current.vSerialPort = m_core.VirtualSerialPortIndex();
    CZRVOptionsDlg dialog(current, this);
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    WindowOptionUsers users(*m_view, m_settings.general, m_core, *m_devices);
    ApplyOptions(current, dialog.Values(), users, m_core.Registry());
}

void CMainFrame::OnSaveChangesNow(int) {
    m_core.SaveChangesNow();
}

void CMainFrame::OnHelpContents(int) {
    // Beside the program (the build tree, a portable copy), else in the documentation folder
    // of the installation the program runs from (PREFIX/bin -> PREFIX/share/doc/...).
    const QDir programDir(QCoreApplication::applicationDirPath());
    QString manual = programDir.filePath(kManualFileName);
    if (!QFileInfo::exists(manual)) {
        manual = QDir::cleanPath(
            programDir.filePath(QStringLiteral("../" ZRV_INSTALLED_DOC_DIR "/") + kManualFileName));
    }
    if (!QFileInfo::exists(manual)) {
        m_core.Prompts().ShowError("File open for " + manual.toStdString() + " failed");
    } else if (!QDesktopServices::openUrl(QUrl::fromLocalFile(manual))) {
        m_core.Prompts().ShowError("No web browser opened the user manual " + manual.toStdString() +
                                   " (is xdg-open installed?)");
    }
}

void CMainFrame::OnWarnings(int) {
    CWarningsDlg dialog(this);
    dialog.exec();
}

// --- Update handlers ---------------------------------------------------------------------

void CMainFrame::UpdateOrientation(int id, CommandUi& ui) {
    ui.enabled = !m_view->IsScreenSquare();
    ui.checkable = true;
    ui.checked = m_view->Orientation() == (id - kOrientation0) * 90;
}

void CMainFrame::UpdateFullScreen(int, CommandUi& ui) {
    ui.checkable = true;
    ui.checked = m_fit.IsFullScreen();
}

void CMainFrame::UpdateView(int id, CommandUi& ui) {
    ui.checkable = true;
    ui.checked = m_view->ShownViewCommand() == id;
}

void CMainFrame::UpdateRecordFrom(int, CommandUi& ui) {
    const bool running = m_core.RunningSource() != nullptr;
    ui.checkable = ui.checked = running;
    ui.enabled = running || m_core.HasSource();
    ui.text = FromUtf8(RecordItemText(m_core));
}

void CMainFrame::UpdatePlaybackTo(int, CommandUi& ui) {
    const bool running = m_core.RunningDestination() != nullptr;
    ui.checkable = ui.checked = running;
    ui.enabled = running || m_core.HasDestination();
    ui.text = FromUtf8(PlaybackItemText(m_core));
}

void CMainFrame::UpdateGoTo(int id, CommandUi& ui) {
    const int engine = TrackEngine(*m_view);
    const CTrack& track = m_core.Document().Track(engine);
    std::lock_guard lock(m_core.TrackLock(engine));
    switch (id) {
    case kGoToMaxSpeed:
        ui.enabled = track.MaxSpeedIndex() >= 0;
        break;
    case kGoToMaxAltitude:
        ui.enabled = track.MaxAltitudeIndex() >= 0;
        break;
    case kGoToMinAltitude:
        ui.enabled = track.MinAltitudeIndex() >= 0;
        break;
    default:
        ui.enabled = track.PointCount() > 0;
        break;
    }
}

void CMainFrame::UpdatePlaybackMode(int id, CommandUi& ui) {
    const PlaybackMode mode = m_core.Document().Track(TrackEngine(*m_view)).GetPlaybackMode();
    ui.enabled = mode == PlaybackMode::Play || mode == PlaybackMode::Pause;
    ui.checkable = true;
    ui.checked = mode == (id == kPlay ? PlaybackMode::Play : PlaybackMode::Pause);
}

void CMainFrame::UpdateDirection(int id, CommandUi& ui) {
    const PlaybackDirection direction =
        m_core.Document().Track(TrackEngine(*m_view)).GetPlaybackDirection();
    ui.enabled = direction == PlaybackDirection::Forward || direction == PlaybackDirection::Reverse;
    ui.checkable = true;
    ui.checked =
        direction == (id == kForward ? PlaybackDirection::Forward : PlaybackDirection::Reverse);
}

void CMainFrame::UpdatePacedByLogTime(int, CommandUi& ui) {
    ui.checkable = true;
    ui.checked = m_core.IsPacedPlayback();
}

void CMainFrame::UpdateSpeedZoom(int id, CommandUi& ui) {
    const int zoom = m_core.Document().Track(TrackEngine(*m_view)).GetSpeedZoom();
    int checkedId = kSpeedZoomFirst; // a zoom off the list checks x1
    for (int i = 0; i < static_cast<int>(std::size(kSpeedZooms)); ++i) {
        if (kSpeedZooms[i] == zoom) {
            checkedId = kSpeedZoomFirst + i;
        }
    }
    ui.checkable = true;
    ui.checked = id == checkedId;
}

void CMainFrame::UpdateTripDataField(int id, CommandUi& ui) {
    ui.checkable = true;
    ui.checked = m_view->TripDataField() == id - kTripDataFieldFirst + 1;
}

void CMainFrame::UpdateNavigationField(int id, CommandUi& ui) {
    ui.checkable = true;
    ui.checked = m_view->NavigationField() == id - kNavigationFieldFirst + 1;
}

void CMainFrame::UpdateNightColours(int, CommandUi& ui) {
    ui.checkable = true;
    ui.checked = m_view->NightColours();
}

void CMainFrame::UpdateManOverboard(int, CommandUi& ui) {
    ui.enabled = m_core.RunningSource() != nullptr;
}

void CMainFrame::UpdateBuiltInGps(int, CommandUi& ui) {
    ui.enabled = m_core.BuiltInGps().enabled;
    ui.checkable = true;
    ui.checked = m_core.BuiltInGps().use;
}

void CMainFrame::UpdateRecalculateRoute(int, CommandUi& ui) {
    ui.enabled = m_core.Document().Store().Mode() == NavigationMode::GoAlong;
}
