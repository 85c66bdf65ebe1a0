#include "comm/ApplicationCore.h"

#include "comm/PlaybackCursor.h"
#include "navigation/DefaultNames.h"
#include "platform/DocumentsFolder.h"
#include "platform/Prompts.h"
#include "platform/RegistryAccessor.h"
#include "platform/Settings.h"
#include "platform/SettingsKeys.h"
#include "tracks/KmlImport.h"

#include <cerrno>
#include <chrono>
#include <csignal>

namespace {

// The playback reader decodes track 1 in batches: one hold of the track-1 lock and one look at
// the stop event per batch of a few thousand lines or a few milliseconds, so that neither costs
// much per line while a stop stays prompt and the send thread and the view wait for the track
// only briefly.
constexpr int kPlaybackBatchLines = 4096;
constexpr int kPlaybackClockLines = 64; // lines between two looks at the clock
constexpr std::chrono::milliseconds kPlaybackBatchTime{5};

// The display name of track 2 while a recording runs.
constexpr const char* kTrackRecordingName = "Track Recording";

// The text after the last path separator.
std::string FileTitle(const std::string& path) {
    const std::size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace

ApplicationCore::ApplicationCore(const ApplicationServices& services)
    : m_services(services), m_navigationSettings(services.registry),
      m_document(services.prompts, m_navigationSettings, m_navigationLock, services.clock),
      m_deviceFolder(services.paths), m_serialSource(services.calls),
      m_serialDestination(services.calls), m_bluetoothSource(services.bluetooth, services.calls),
      m_bluetoothDestination(services.bluetooth, services.calls), m_networkSource(services.calls),
      m_networkDestination(services.calls), m_autopilotSerial(services.calls),
      m_autopilotNetwork(services.calls) {
    m_serialSource.SetApplication(this);
    m_serialDestination.SetApplication(this);
    m_bluetoothSource.SetApplication(this);
    m_bluetoothDestination.SetApplication(this);
    m_networkSource.SetApplication(this);
    m_networkDestination.SetApplication(this);
    m_autopilotSerial.SetApplication(this);
    m_autopilotNetwork.SetApplication(this);
    m_inquirySlot.SetPrompts(&services.prompts);
    m_playbackReader.SetPrompts(&services.prompts);
    m_storeReader.SetPrompts(&services.prompts);
    m_saveReader.SetPrompts(&services.prompts);
    // A received waypoint or route whose name is taken is asked about on the user-interface
    // thread: the receiving thread must go on reading the device.
    m_document.Store().SetConflictNotice(
        [this] { m_services.view.Post([this] { m_document.Store().ResolveWaitingConflicts(); }); });
}

ApplicationCore::~ApplicationCore() {
    StopWorkers();
}

void ApplicationCore::StopWorkers() {
    m_playbackReader.Stop();
    m_storeReader.Stop();
    m_saveReader.Stop();
    m_serialSource.ReceiveSlot().Stop();
    m_serialSource.SendSlot().Stop();
    m_serialDestination.ReceiveSlot().Stop();
    m_serialDestination.SendSlot().Stop();
    m_bluetoothSource.ReceiveSlot().Stop();
    m_bluetoothSource.SendSlot().Stop();
    m_bluetoothDestination.ReceiveSlot().Stop();
    m_bluetoothDestination.SendSlot().Stop();
    m_networkSource.ReceiveSlot().Stop();
    m_networkDestination.ReceiveSlot().Stop();
    m_networkDestination.SendSlot().Stop();
    m_autopilotSerial.ReceiveSlot().Stop();
    m_autopilotSerial.SendSlot().Stop();
    m_autopilotNetwork.ReceiveSlot().Stop();
    m_autopilotNetwork.SendSlot().Stop();
    m_inquirySlot.Stop();
}

bool ApplicationCore::Start(bool loadStore) {
    // A file-size limit must end a record file's growth with a failed write (reported, the
    // file kept), not end the program with SIGXFSZ and lose the recording's close.
    std::signal(SIGXFSZ, SIG_IGN);
    const std::optional<std::filesystem::path> documents =
        FindDocumentsFolder(m_services.paths, m_services.prompts);
    if (!documents) {
        return false;
    }
    // Without the folder the device names do not resolve; opening a port then says so. A
    // receiver plugged in since the last start gets its port name here.
    m_deviceFolder.AddArrivedDevices();
    if (!loadStore) {
        return true;
    }
    const std::filesystem::path storePath = *documents / CNavigationDataBase::kStoreFileName;
    m_storeFile.emplace(storePath);
    CNavigationDataBase& store = m_document.Store();
    return m_storeReader.Start(
        storePath.string(),
        [this] {
            const std::optional<StoreFileError> error =
                m_storeFile->Open(StoreFile::Access::ReadWrite);
            return error ? (error->error != 0 ? error->error : EIO) : 0;
        },
        [this, &store](WorkerThreadSlot&) {
            return store.Load(*m_storeFile) ? FileCommunication::ReadEnd::EndOfFile
                                            : FileCommunication::ReadEnd::Failed;
        },
        [](bool) {});
}

void ApplicationCore::ApplySettings(const Settings& settings) {
    {
        std::lock_guard lock(m_bluetoothDevicesLock);
        m_bluetoothDevices.clear();
        for (const RememberedDevice& device : settings.rememberedDevices) {
            m_bluetoothDevices.push_back({device.deviceName, device.remoteDeviceAddress});
        }
    }
    const auto select = [](const DeviceSelection& selection, Direction direction,
                           SerialEndpoint& serial, BluetoothEndpoint& bluetooth, auto& network) {
        if (selection.kind == DeviceKind::SerialPort) {
            serial.SetPortName(selection.serialPort);
        } else if (selection.kind == DeviceKind::Bluetooth) {
            bluetooth.SetDevice({selection.deviceName, selection.remoteDeviceAddress});
        } else if (selection.kind == DeviceKind::Network) {
            // A stored address that is no longer valid counts as none chosen.
            std::string problem;
            network.SetAddress(ParseNetworkAddress(selection.networkAddress, direction, problem));
        }
    };
    select(settings.destination, Direction::Playback, m_serialDestination, m_bluetoothDestination,
           m_networkDestination);
    select(settings.source, Direction::Record, m_serialSource, m_bluetoothSource, m_networkSource);
    m_builtInGps = settings.builtInGps;
    SetVirtualSerialPortIndex(settings.general.vSerialPort);
    const auto apply = [](CTrack& track, const PlaybackControlSettings& control) {
        track.SetPlaybackMode(static_cast<PlaybackMode>(control.playbackMode));
        track.SetPlaybackDirection(static_cast<PlaybackDirection>(control.playbackDirection));
        track.SetSpeedZoom(control.speedZoom);
    };
    apply(m_document.Track(kEngineTrack1), settings.fromFile);
    apply(m_document.Track(kEngineTrack2), settings.fromDirect);
    m_pacedPlayback.store(settings.pacedByLogTime);
    SetAutopilotPort(settings.general.autopilotPort);
}

StartupRegistration ApplicationCore::RegisterVirtualPort(IDeviceManager& devices) {
    return RegisterVirtualPortAtStartup({m_services.registry, devices, m_services.prompts},
                                        VirtualSerialPortIndex());
}

void ApplicationCore::SaveChangesNow() {
    // A store still being loaded is not saved: the half that is read would replace the file.
    if (!m_storeFile || m_storeReader.IsRunning() || m_saveReader.IsRunning()) {
        return;
    }
    m_saveReader.Start(
        m_storeFile->Path().string(), [] { return 0; },
        [this](WorkerThreadSlot&) {
            return WriteStore() ? FileCommunication::ReadEnd::EndOfFile
                                : FileCommunication::ReadEnd::Failed;
        },
        [](bool) {});
}

bool ApplicationCore::CloseDocument() {
    m_storeReader.Stop();
    m_saveReader.Stop();
    m_document.Store().ResolveWaitingConflicts(); // received items still waiting for an answer
    return !m_storeFile || m_document.Store().IsSaved() || WriteStore();
}

bool ApplicationCore::WriteStore() {
    CNavigationDataBase& store = m_document.Store();
    // A store file that is not open was not read (or a damaged one could not be kept aside):
    // it is read first, so that the save keeps what it holds, or the save does not happen.
    if (!m_storeFile->IsOpen() && !store.Load(*m_storeFile)) {
        return false;
    }
    return !store.Save(*m_storeFile);
}

int ApplicationCore::ShownEngine() const {
    return m_services.view.ShownEngine() == kEngineTrack1 ? kEngineTrack1 : kEngineTrack2;
}

CommEndpoint* ApplicationCore::RunningSource() {
    if (m_serialSource.IsRunning()) {
        return &m_serialSource;
    }
    if (m_networkSource.IsRunning()) {
        return &m_networkSource;
    }
    return m_bluetoothSource.IsRunning() ? &m_bluetoothSource : nullptr;
}

CommEndpoint* ApplicationCore::RunningDestination() {
    if (m_serialDestination.IsRunning()) {
        return &m_serialDestination;
    }
    if (m_networkDestination.IsRunning()) {
        return &m_networkDestination;
    }
    return m_bluetoothDestination.IsRunning() ? &m_bluetoothDestination : nullptr;
}

bool ApplicationCore::HasSource() const {
    return !m_serialSource.GetPortName().empty() || m_networkSource.HasAddress() ||
           m_bluetoothSource.HasDevice();
}

bool ApplicationCore::HasDestination() const {
    return !m_serialDestination.GetPortName().empty() || m_networkDestination.HasAddress() ||
           m_bluetoothDestination.HasDevice();
}

void ApplicationCore::RecordCommand() {
    IViewHost& view = m_services.view;
    CTrack& track2 = m_document.Track(kEngineTrack2);
    if (CommEndpoint* running = RunningSource()) {
        StopAutopilot();
        const std::string kept = running->Close();
        {
            std::lock_guard lock(m_track2Lock);
            track2.Reset();
            track2.SetDisplayName(kApplicationName);
        }
        if (ShownEngine() == kEngineTrack2) {
            view.RefreshTitle();
        }
        if (!kept.empty()) {
            LoadRecordFile(kept, FileTitle(kept));
        }
        return;
    }
    bool started = false;
    if (!m_serialSource.GetPortName().empty()) {
        started = m_serialSource.Open(SourceSerialRecvProc, SourceSerialSendProc, true);
    } else if (m_networkSource.HasAddress()) {
        started = m_networkSource.Open(SourceNetworkRecvProc, nullptr, true);
    } else {
        started = m_bluetoothSource.Open(SourceSocketRecvProc, SourceSocketSendProc, true);
    }
    if (!started) {
        return;
    }
    {
        std::lock_guard lock(m_track2Lock);
        track2.SetDisplayName(kTrackRecordingName);
    }
    if (ShownEngine() == kEngineTrack2) {
        view.RefreshTitle();
    }
    if (!m_autopilotPort.empty() && !IsAutopilotRunning()) {
        StartAutopilot(); // a failure was reported; the recording goes on without it
    }
    view.StartRefreshTimer();
    view.SelectView(m_document.Store().Mode() != NavigationMode::None
                        ? command_ids::kViewRouteGuidance
                        : command_ids::kViewRecordingTrack);
}

void ApplicationCore::PlaybackToCommand() {
    if (CommEndpoint* running = RunningDestination()) {
        running->Close();
        return;
    }
    if (!m_serialDestination.GetPortName().empty()) {
        m_serialDestination.Open(DestinationSerialRecvProc, DestinationSerialSendProc, false);
    } else if (m_networkDestination.HasAddress()) {
        m_networkDestination.Open(DestinationNetworkRecvProc, DestinationNetworkSendProc, false);
    } else {
        m_bluetoothDestination.Open(DestinationSocketRecvProc, DestinationSocketSendProc, false);
    }
}

void ApplicationCore::StopAfterDeviceFailure(CommEndpoint& endpoint, unsigned run) {
    if (endpoint.RunNumber() != run || !endpoint.IsRunning()) {
        return;
    }
    if (&endpoint == &m_serialSource || &endpoint == &m_bluetoothSource ||
        &endpoint == &m_networkSource) {
        RecordCommand();
    } else if (&endpoint == &m_serialDestination || &endpoint == &m_bluetoothDestination ||
               &endpoint == &m_networkDestination) {
        PlaybackToCommand();
    } else if (&endpoint == &m_autopilotSerial || &endpoint == &m_autopilotNetwork) {
        StopAutopilot();
    }
}

bool ApplicationCore::StartBluetoothInquiry() {
    m_inquirySlot.Stop();
    {
        std::lock_guard lock(m_bluetoothDevicesLock);
        m_bluetoothDevices.clear();
    }
    if (!m_inquirySlot.Start([this] { return BDevicesSearchProc(this); })) {
        m_services.prompts.ShowError(
            "AfxBeginThread failed at CGPSBTDevicesDlg::OnRefreshButton()");
        return false;
    }
    return true;
}

std::vector<BluetoothDevice> ApplicationCore::BluetoothDevices() const {
    std::lock_guard lock(m_bluetoothDevicesLock);
    return m_bluetoothDevices;
}

void ApplicationCore::AppendBluetoothDevice(const BluetoothDevice& device) {
    std::lock_guard lock(m_bluetoothDevicesLock);
    m_bluetoothDevices.push_back(device);
}

void ApplicationCore::LoadRecordFile(const std::string& path, const std::string& title) {
    m_playbackReader.Stop();
    const unsigned load = ++m_trackLoad;
    CTrack& track1 = m_document.Track(kEngineTrack1);
    {
        std::lock_guard lock(m_track1Lock);
        track1.Reset();
    }
    m_document.Store().ResetLastImportKind();
    const bool started = m_playbackReader.Start(
        path, [this, path] { return m_playbackLines.Open(path) ? 0 : EIO; },
        [this, path](WorkerThreadSlot& slot) { return ReadPlaybackFile(slot, path); },
        [this, load](bool reachedEnd) { FinishPlaybackReading(load, reachedEnd); });
    if (!started) {
        return;
    }
    {
        std::lock_guard lock(m_track1Lock);
        track1.SetFileName(path);
        track1.SetDisplayName(title);
    }
    if (!m_services.timers.SetTimer(kTimerKeepAwakePlayback, kKeepAwakePeriodMs)) {
        m_services.prompts.ShowError("SetTimer failed");
    }
    if (ShownEngine() == kEngineTrack1) {
        m_services.view.RefreshTitle();
    }
    m_services.view.SelectView(command_ids::kViewRecordedTrack);
}

bool ApplicationCore::ImportKmlGeometry(const KmlGeometry& geometry, const std::string& path,
                                        int guidanceKind) {
    bool routeStored = false;
    if (!geometry.points.empty()) {
        m_document.Store().ResetLastImportKind();
        routeStored = StoreKmlRoute(geometry.points, path, guidanceKind, m_document.Store(),
                                    MillisecondTicks())
                          .routeIndex >= 0;
    }
    if (!geometry.lines.empty()) {
        ShowImportedTrack(
            [&](CTrack& track) { return FillTrackFromKmlLines(geometry.lines, path, track); });
    }
    m_services.view.StartAlert(AlertKind::Short);
    return routeStored;
}

GpxStoreResult ApplicationCore::ImportGpxData(const GpxData& data, const std::string& path) {
    GpxStoreResult stored;
    if (!data.waypoints.empty() || !data.routes.empty()) {
        m_document.Store().ResetLastImportKind();
        stored =
            StoreGpxItems(data, path, m_document.Store(), m_navigationSettings, MillisecondTicks());
        if (const std::string renamed = RenamedNamesMessage(stored); !renamed.empty()) {
            m_services.prompts.ShowInformation(renamed);
        }
    }
    if (!data.track.empty()) {
        ShowImportedTrack([&](CTrack& track) { return FillTrackFromGpx(data.track, path, track); });
    }
    m_services.view.StartAlert(AlertKind::Short);
    return stored;
}

void ApplicationCore::ShowImportedTrack(const std::function<bool(CTrack&)>& fill) {
    IViewHost& view = m_services.view;
    m_playbackReader.Stop();
    ++m_trackLoad; // a load still being finished must not touch the imported track
    bool complete = false;
    {
        std::lock_guard lock(m_track1Lock);
        complete = fill(m_document.Track(kEngineTrack1));
    }
    if (!complete) {
        m_services.prompts.ShowError("Out of memory");
    }
    view.SelectView(command_ids::kViewRecordedTrack);
    view.RedrawTrack(kEngineTrack1);
    if (ShownEngine() == kEngineTrack1) {
        view.RefreshTitle();
    }
}

FileCommunication::ReadEnd ApplicationCore::ReadPlaybackFile(WorkerThreadSlot& slot,
                                                             const std::string& path) {
    CTrack& track1 = m_document.Track(kEngineTrack1);
    int shownProgress = -1;
    std::string_view line;
    bool lineWaits = false;
    for (;;) {
        const PlaybackBatchEnd end = DecodePlaybackBatch(line, lineWaits);
        lineWaits = false;
        if (const int progress = m_playbackLines.Progress(); progress != shownProgress) {
            shownProgress = progress;
            std::string name;
            {
                std::lock_guard lock(m_track1Lock);
                name = track1.DisplayName();
            }
            m_services.view.ShowLoadingProgress(progress, name);
        }
        switch (end) {
        case PlaybackBatchEnd::OutOfMemory:
            m_services.prompts.ShowError("Out of memory");
            return FileCommunication::ReadEnd::Failed;
        case PlaybackBatchEnd::EndOfFile:
            return m_playbackLines.Failed() ? FileCommunication::ReadEnd::Failed
                                            : FileCommunication::ReadEnd::EndOfFile;
        case PlaybackBatchEnd::StoreLine: {
            // Waypoints and routes of a record file go into the store first, outside the
            // track-1 lock; the next batch then decodes the same line into track 1.
            bool outOfMemory = false;
            m_document.DecodeLine(kEngineStore, line, outOfMemory, path);
            lineWaits = true;
            break;
        }
        case PlaybackBatchEnd::Full:
            break;
        }
        if (!slot.KeepRunning()) {
            return FileCommunication::ReadEnd::Stopped;
        }
    }
}

ApplicationCore::PlaybackBatchEnd ApplicationCore::DecodePlaybackBatch(std::string_view& line,
                                                                       bool lineWaits) {
    const CNavigationDataBase& store = m_document.Store();
    // Only lines that reach one of the store's types are offered to it: any other line changes
    // nothing there.
    const auto next = [&] {
        if (!m_playbackLines.NextLine(line)) {
            return PlaybackBatchEnd::EndOfFile;
        }
        return store.FindLineType(line) != nullptr ? PlaybackBatchEnd::StoreLine
                                                   : PlaybackBatchEnd::Full;
    };
    // A line that needs a read of the file is read without the track's lock: the view never
    // waits for a slow medium while the lock is held.
    std::unique_lock lock(m_track1Lock, std::defer_lock);
    const auto start = std::chrono::steady_clock::now();
    for (int n = 1; n <= kPlaybackBatchLines; ++n) {
        if (n > 1 || !lineWaits) {
            if (lock.owns_lock() && !m_playbackLines.LineIsBuffered()) {
                lock.unlock();
            }
            if (const PlaybackBatchEnd end = next(); end != PlaybackBatchEnd::Full) {
                return end;
            }
        }
        if (!lock.owns_lock()) {
            lock.lock();
        }
        bool outOfMemory = false;
        m_document.DecodeLine(kEngineTrack1, line, outOfMemory, {});
        if (outOfMemory) {
            return PlaybackBatchEnd::OutOfMemory;
        }
        if (n % kPlaybackClockLines == 0 &&
            std::chrono::steady_clock::now() - start >= kPlaybackBatchTime) {
            break;
        }
    }
    return PlaybackBatchEnd::Full;
}

void ApplicationCore::FinishPlaybackReading(unsigned load, bool reachedEnd) {
    m_services.view.Post([this, load, reachedEnd] {
        // The end of a file that another load or import replaced meanwhile: its timer, name,
        // alert and list belong to the one that runs now.
        if (load != m_trackLoad) {
            return;
        }
        IViewHost& view = m_services.view;
        m_services.timers.KillTimer(kTimerKeepAwakePlayback);
        view.ClearStatistics();
        CTrack& track1 = m_document.Track(kEngineTrack1);
        bool empty = false;
        {
            std::lock_guard lock(m_track1Lock);
            empty = track1.PointCount() == 0;
            if (empty) {
                track1.SetDisplayName(kApplicationName);
            }
        }
        if (ShownEngine() == kEngineTrack1 && view.ShownKind() != kViewKindRouteGuidance) {
            view.RedrawTrack(kEngineTrack1);
            if (empty) {
                view.RefreshTitle();
            }
        }
        if (!reachedEnd) {
            return;
        }
        view.StartAlert(AlertKind::Long);
        switch (m_document.Store().LastImportKind()) {
        case ImportKind::OneWaypoint:
        case ImportKind::SeveralWaypoints:
            view.PostCommand(command_ids::kWaypointList);
            break;
        case ImportKind::OneRoute:
        case ImportKind::SeveralRoutes:
            view.PostCommand(command_ids::kRouteList);
            break;
        case ImportKind::Nothing:
            break;
        }
    });
}

void ApplicationCore::WritePlaybackSetting(const char* valueName, std::int32_t track1Value,
                                           std::int32_t track2Value) {
    CRegistryAccessor accessor(m_services.registry);
    accessor.SetRoot(RegistryRoot::CurrentUser);
    accessor.SetValueName(valueName);
    accessor.SetKey(settings_keys::kPlaybackFromFile);
    accessor.WriteDword(static_cast<std::uint32_t>(track1Value));
    accessor.SetKey(settings_keys::kPlaybackFromDirect);
    accessor.WriteDword(static_cast<std::uint32_t>(track2Value));
}

void ApplicationCore::SetPlaybackMode(PlaybackMode mode) {
    m_document.Track(ShownEngine()).SetPlaybackMode(mode);
    WritePlaybackSetting(
        settings_keys::kPlaybackMode,
        static_cast<std::int32_t>(m_document.Track(kEngineTrack1).GetPlaybackMode()),
        static_cast<std::int32_t>(m_document.Track(kEngineTrack2).GetPlaybackMode()));
}

void ApplicationCore::SetPlaybackDirection(PlaybackDirection direction) {
    m_document.Track(ShownEngine()).SetPlaybackDirection(direction);
    WritePlaybackSetting(
        settings_keys::kPlaybackDirection,
        static_cast<std::int32_t>(m_document.Track(kEngineTrack1).GetPlaybackDirection()),
        static_cast<std::int32_t>(m_document.Track(kEngineTrack2).GetPlaybackDirection()));
}

void ApplicationCore::SetSpeedZoom(int zoom) {
    m_document.Track(ShownEngine()).SetSpeedZoom(zoom);
    WritePlaybackSetting(settings_keys::kSpeedZoom, m_document.Track(kEngineTrack1).GetSpeedZoom(),
                         m_document.Track(kEngineTrack2).GetSpeedZoom());
}

void ApplicationCore::SetPacedPlayback(bool paced) {
    m_pacedPlayback.store(paced);
    CRegistryAccessor accessor(m_services.registry);
    accessor.SetRoot(RegistryRoot::CurrentUser);
    accessor.SetKey(settings_keys::kPlaybackControl);
    accessor.SetValueName(settings_keys::kPacedByLogTime);
    accessor.WriteDword(paced ? 1 : 0);
}

void ApplicationCore::GoToPoint(GoTo target) {
    const int engine = ShownEngine();
    CTrack& track = m_document.Track(engine);
    TrackPoint point;
    {
        std::lock_guard lock(TrackLock(engine));
        bool moved = false;
        switch (target) {
        case GoTo::Begin:
            moved = GoToBegin(track);
            break;
        case GoTo::End:
            moved = GoToEnd(track);
            break;
        case GoTo::MaxSpeed:
            moved = GoToMaxSpeedPoint(track);
            break;
        case GoTo::MaxAltitude:
            moved = GoToMaxAltitudePoint(track);
            break;
        case GoTo::MinAltitude:
            moved = GoToMinAltitudePoint(track);
            break;
        case GoTo::Next:
            moved = GoToNextPoint(track);
            break;
        case GoTo::Previous:
            moved = GoToPreviousPoint(track);
            break;
        }
        if (!moved) {
            return;
        }
        point = track.CurrentPoint();
    }
    // With a destination running the next burst moves the marker.
    if (!IsDestinationRunning()) {
        m_services.view.MovePlaybackMarker(engine, point);
    }
}

ResolvedDevice ApplicationCore::ResolvePort(const std::string& name) {
    return ResolveDeviceName(name, m_deviceFolder, m_services.paths.gpsd);
}
