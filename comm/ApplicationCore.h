#pragma once

#include "comm/AutopilotOutput.h"
#include "comm/BluetoothEndpoint.h"
#include "comm/BluetoothTransport.h"
#include "comm/FileCommunication.h"
#include "comm/NetworkDestination.h"
#include "comm/NetworkSource.h"
#include "comm/Obrin2Doc.h"
#include "comm/PlaybackPacer.h"
#include "comm/SerialEndpoint.h"
#include "comm/SystemCalls.h"
#include "comm/ViewHost.h"
#include "comm/VirtualPortRegistration.h"
#include "navigation/NavigationDataBase.h"
#include "navigation/RegistryNavigationSettings.h"
#include "navigation/StoreFile.h"
#include "platform/DeviceFolder.h"
#include "platform/DeviceName.h"
#include "platform/PlatformPaths.h"
#include "platform/Settings.h"
#include "tracks/GpxImport.h"
#include "tracks/RecordLineReader.h"

#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

class IClock;
class IDeviceManager;
class IPrompts;
class RegistryStore;
struct KmlGeometry;

// What the application core is given by the program around it (the window, the command-line
// companion or a test).
struct ApplicationServices {
    PlatformPaths paths;
    RegistryStore& registry;
    IPrompts& prompts;
    IViewHost& view;
    ITimers& timers;
    const IClock& clock;
    ISystemCalls& calls = RealSystemCalls();
    IBluetoothTransport& bluetooth = SystemBluetooth();
};

// The application object without its window: it owns, for the whole run, the document, the
// serial and Bluetooth sources and destinations, the list of known Bluetooth devices with its
// inquiry thread, the three file readers and the three locks, and carries out
// the commands of recording (record from the source) and playback (load a record file, play
// it to the destination, move the cursor). The window and the command-line companion drive it
// from their user-interface thread; its worker threads reach everything through it.
class ApplicationCore {
public:
    explicit ApplicationCore(const ApplicationServices& services);
    ~ApplicationCore();
    ApplicationCore(const ApplicationCore&) = delete;
    ApplicationCore& operator=(const ApplicationCore&) = delete;

    // Start-up: the documents folder (reported when missing), the device folder, and with
    // `loadStore` the navigation store loaded by the store reader. False when it failed.
    bool Start(bool loadStore);
    // The loaded settings that belong here: the known Bluetooth devices, the source and
    // destination, the virtual serial port, and the playback controls of both tracks.
    void ApplySettings(const Settings& settings);
    // The rest of the settings load: the virtual serial port of the loaded choice is
    // registered when missing, or a stored registration withdrawn when none is chosen.
    StartupRegistration RegisterVirtualPort(IDeviceManager& devices);
    // The store reader started by Start is still reading the navigation store.
    bool IsStoreLoading() const { return m_storeReader.IsRunning(); }
    // "Save Changes Now": writes the navigation store with the save reader.
    void SaveChangesNow();
    // Stops every worker thread (readers, endpoints, inquiry) and waits for them; before the
    // objects they report to go away.
    void StopWorkers();
    // Closing the document: waits for the store readers and saves an unsaved store. False
    // when the store held changes that could not be saved (the user was told).
    bool CloseDocument();

    // --- Recording and playback commands (user-interface thread) --------------------------

    // Record from: stops a running source (keeping or deleting its file, loading a kept one as
    // track 1, emptying track 2), or starts the configured source: the serial port when it has
    // a name, else the network address, else the Bluetooth device.
    void RecordCommand();
    // Playback to: stops a running destination, or starts the configured one (serial first,
    // then network, then Bluetooth).
    void PlaybackToCommand();
    // Loads a record file as track 1 with the playback reader.
    void LoadRecordFile(const std::string& path, const std::string& title);
    // Imports what a KML or KMZ file held (read beforehand, off this thread): its point
    // placemarks become a new route of the navigation store (waypoints spaced by the arrival
    // radius of `guidanceKind`), its lines track 1, which the view then shows as the recorded
    // track plot. True when a route was stored.
    bool ImportKmlGeometry(const KmlGeometry& geometry, const std::string& path, int guidanceKind);
    // Imports what a GPX file held (read beforehand, off this thread): its waypoints and routes
    // go to the navigation store (the user is told of names it could not keep), its track
    // points to track 1, shown as the recorded track plot. What was stored.
    GpxStoreResult ImportGpxData(const GpxData& data, const std::string& path);

    // Playback controls of the track the view shows; each change is written to the settings
    // for both tracks.
    void SetPlaybackMode(PlaybackMode mode);
    void SetPlaybackDirection(PlaybackDirection direction);
    void SetSpeedZoom(int zoom);
    enum class GoTo { Begin, End, MaxSpeed, MaxAltitude, MinAltitude, Next, Previous };
    void GoToPoint(GoTo target);
    // Playback at the log's own pace instead of one burst a second, for both tracks: the menu's
    // choice, written to the settings, or for this run only. The send thread reads it before
    // every burst.
    void SetPacedPlayback(bool paced);
    void UsePacedPlayback(bool paced) { m_pacedPlayback.store(paced); }
    bool IsPacedPlayback() const { return m_pacedPlayback.load(); }
    // The longest silence a gap in the log becomes in paced playback (not kept).
    void SetMaxLogGap(std::chrono::milliseconds gap) { m_maxLogGap.store(gap); }
    std::chrono::milliseconds MaxLogGap() const { return m_maxLogGap.load(); }

    // --- Autopilot port (user-interface thread) ---------------------------------------------

    // The autopilot port of the options: a port name (the virtual port among them) or a
    // network destination's URL (tcp-server://, udp://); empty for none. A change during a
    // recording opens the new port at once (closing the old one).
    void SetAutopilotPort(const std::string& port);
    const std::string& AutopilotPort() const { return m_autopilotPort; }
    // Opens the autopilot port; a failure is reported. True when it runs. A recording opens
    // the chosen port itself when it starts, and closes it when it stops.
    bool StartAutopilot();
    void StopAutopilot();
    bool IsAutopilotRunning() const {
        return m_autopilotSerial.IsRunning() || m_autopilotNetwork.IsRunning();
    }
    // "Autopilot: " and the port while it runs, else empty.
    std::string AutopilotText() const;
    // The newest fix of the live track.
    LiveFix NewestLiveFix();
    // The guidance of the live fix, once a second: the update of `guidance` (which advances a
    // followed route) and, while the autopilot port runs, its sentences for a new fix handed
    // to the port's send thread.
    GuidanceUpdate GuideLiveFix(CRouteGuidance& guidance);
    SerialEndpoint& AutopilotSerial() { return m_autopilotSerial; }
    NetworkDestinationEndpoint& AutopilotNetwork() { return m_autopilotNetwork; }
    AutopilotFeed& Autopilot() { return m_autopilotFeed; }

    // After a device failure in run `run` of an endpoint: stops it as its command would, unless
    // it was stopped (or started anew) meanwhile.
    void StopAfterDeviceFailure(CommEndpoint& endpoint, unsigned run);

    // --- What the worker threads and the window reach through the application -------------

    CObrin2Doc& Document() { return m_document; }
    SerialEndpoint& SerialSource() { return m_serialSource; }
    SerialEndpoint& SerialDestination() { return m_serialDestination; }
    BluetoothEndpoint& BluetoothSource() { return m_bluetoothSource; }
    BluetoothEndpoint& BluetoothDestination() { return m_bluetoothDestination; }
    NetworkSourceEndpoint& NetworkSource() { return m_networkSource; }
    NetworkDestinationEndpoint& NetworkDestination() { return m_networkDestination; }
    FileCommunication& PlaybackReader() { return m_playbackReader; }
    bool IsDestinationRunning() const {
        return m_serialDestination.IsRunning() || m_bluetoothDestination.IsRunning() ||
               m_networkDestination.IsRunning();
    }
    // The endpoint of that direction that runs, or null.
    CommEndpoint* RunningSource();
    CommEndpoint* RunningDestination();
    // A serial port, a network address or a Bluetooth device is configured for that direction.
    bool HasSource() const;
    bool HasDestination() const;

    // --- Known Bluetooth devices ----------------------------------------------------------

    IBluetoothTransport& Bluetooth() { return m_services.bluetooth; }
    WorkerThreadSlot& InquirySlot() { return m_inquirySlot; }
    // Empties the device list and starts the inquiry that fills it again; false (reported)
    // when its thread could not start.
    bool StartBluetoothInquiry();
    // A copy of the list: the inquiry thread appends while the user-interface thread reads.
    std::vector<BluetoothDevice> BluetoothDevices() const;
    void AppendBluetoothDevice(const BluetoothDevice& device);

    // The lock of track 1 or track 2.
    std::mutex& TrackLock(int engine) {
        return engine == kEngineTrack1 ? m_track1Lock : m_track2Lock;
    }

    IPrompts& Prompts() { return m_services.prompts; }
    RegistryStore& Registry() { return m_services.registry; }
    // The built-in GPS: whether the machine has it switched on, and whether it is the source.
    const BuiltInGpsSettings& BuiltInGps() const { return m_builtInGps; }
    void SetUseBuiltInGps(bool use) { m_builtInGps.use = use; }
    IViewHost& View() { return m_services.view; }
    ITimers& Timers() { return m_services.timers; }
    const IClock& Clock() const { return m_services.clock; }
    const PlatformPaths& Paths() const { return m_services.paths; }

    // What a port name stands for (device folder, gpsd, absolute path).
    ResolvedDevice ResolvePort(const std::string& name);
    // The index of the virtual serial port, -1 when none is set. The destination's receive
    // thread reads it while the user-interface thread may change it.
    int VirtualSerialPortIndex() const { return m_virtualSerialPort.load(); }
    void SetVirtualSerialPortIndex(int index) { m_virtualSerialPort.store(index); }

private:
    // Saves the navigation store; false (reported) when it was not saved.
    bool WriteStore();
    // Runs on the reader's thread; its work is posted to the user-interface thread, where it
    // is dropped unless `load` is still the latest load of track 1.
    void FinishPlaybackReading(unsigned load, bool reachedEnd);
    FileCommunication::ReadEnd ReadPlaybackFile(WorkerThreadSlot& slot, const std::string& path);
    enum class PlaybackBatchEnd { Full, StoreLine, EndOfFile, OutOfMemory };
    // Reads lines and decodes them into track 1 under its lock until the batch is full, the
    // file ends, memory runs out, or a line is for the navigation store: that line is left in
    // `line`, not decoded. A line that needs a read of the file is read without the lock. With
    // lineWaits, `line` is decoded first without reading.
    PlaybackBatchEnd DecodePlaybackBatch(std::string_view& line, bool lineWaits);
    // Track 1 filled by `fill` (false: memory ran out, which is reported) under its lock, and
    // shown as the recorded track plot.
    void ShowImportedTrack(const std::function<bool(CTrack&)>& fill);
    void WritePlaybackSetting(const char* valueName, std::int32_t track1Value,
                              std::int32_t track2Value);
    int ShownEngine() const;

    ApplicationServices m_services;
    RegistryNavigationSettings m_navigationSettings;
    NavigationLock m_navigationLock;
    std::mutex m_track1Lock;
    std::mutex m_track2Lock;
    CObrin2Doc m_document;
    DeviceFolder m_deviceFolder;
    std::atomic<int> m_virtualSerialPort{kNoVirtualPort};
    std::atomic<bool> m_pacedPlayback{false};
    std::atomic<std::chrono::milliseconds> m_maxLogGap{kDefaultMaxLogGap};
    BuiltInGpsSettings m_builtInGps;
    RecordLineReader m_playbackLines;
    // Counts the loads and imports into track 1 (user-interface thread only).
    unsigned m_trackLoad = 0;
    std::optional<StoreFile> m_storeFile;

    SerialEndpoint m_serialSource;
    SerialEndpoint m_serialDestination;
    BluetoothEndpoint m_bluetoothSource;
    BluetoothEndpoint m_bluetoothDestination;
    NetworkSourceEndpoint m_networkSource;
    NetworkDestinationEndpoint m_networkDestination;
    std::string m_autopilotPort;
    SerialEndpoint m_autopilotSerial;
    NetworkDestinationEndpoint m_autopilotNetwork;
    AutopilotFeed m_autopilotFeed;
    AutopilotSteering m_autopilotSteering;
    mutable std::mutex m_bluetoothDevicesLock;
    std::vector<BluetoothDevice> m_bluetoothDevices;
    WorkerThreadSlot m_inquirySlot;
    FileCommunication m_playbackReader;
    FileCommunication m_storeReader;
    FileCommunication m_saveReader;
};
