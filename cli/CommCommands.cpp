#include "cli/CommCommands.h"

#include "comm/ApplicationCore.h"
#include "comm/BaudRateSettings.h"
#include "comm/DeviceManager.h"
#include "comm/DeviceSelection.h"
#include "comm/HeadlessViewHost.h"
#include "comm/PlaybackCursor.h"
#include "comm/ServiceFiles.h"
#include "platform/CalendarTime.h"
#include "platform/GpsdProbe.h"
#include "platform/PlatformPaths.h"
#include "platform/RegistryStore.h"
#include "platform/SettingsStore.h"
#include "platform/SystemError.h"
#include "platform/TerminalPrompts.h"
#include "tracks/StatisticsText.h"

#include <atomic>
#include <charconv>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

extern const CliCommand kRecordCommand;
extern const CliCommand kPlayCommand;
extern const CliCommand kBluetoothCommand;
extern const CliCommand kSourceCommand;
extern const CliCommand kDestinationCommand;

volatile std::sig_atomic_t g_interrupted = 0;

void OnInterrupt(int) {
    g_interrupted = 1;
}

// Ctrl-C, SIGTERM and SIGHUP (a closed terminal, a dropped ssh session) end the command's
// loop, which then stops as the user's command would: the record file is kept or deleted.
void CatchInterrupts() {
    g_interrupted = 0;
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGHUP, &action, nullptr);
}

constexpr std::string_view kSaveQuestion = "Do You want to save the currently-recorded Track";

// The terminal's prompts, except that the question whether to keep a recording is answered as
// the command line says.
class RecordPrompts final : public IPrompts {
public:
    explicit RecordPrompts(bool keep) : m_keep(keep) {}
    PromptAnswer Show(const PromptRequest& request) override {
        if (request.buttons == PromptButtons::YesNo && request.text.starts_with(kSaveQuestion)) {
            return m_keep ? PromptAnswer::Yes : PromptAnswer::No;
        }
        return m_terminal.Show(request);
    }

private:
    bool m_keep;
    TerminalPrompts m_terminal;
};

// What every command of this group runs on: the application core of a program without a
// window, with the user's settings and folders.
struct Session {
    explicit Session(IPrompts& prompts)
        : paths(PlatformPaths::FromEnvironment()),
          registry(paths, &prompts, [this] { return GpsdAnswers(paths.gpsd); }),
          settings(LoadSettings(registry)), devices(paths, DefaultServiceSearchFolders()),
          app(ApplicationServices{paths, registry, prompts, view, timers, clock}) {}
    ~Session() { view.DropPosted(); }

    // The settings load of a start: the loaded settings applied, and the virtual serial port
    // of the choice registered when missing (its failure is not shown, as at any start).
    void ApplySettings() {
        app.ApplySettings(settings);
        app.RegisterVirtualPort(devices);
    }

    PlatformPaths paths;
    RegistryStore registry;
    Settings settings;
    DeviceManager devices;
    HeadlessViewHost view;
    HeadlessTimers timers;
    SystemClock clock;
    ApplicationCore app;
};

std::string PointText(const TrackPoint& point, DistanceUnit units) {
    std::string text = FormatCalendarTime(point.Time(), "%Y-%m-%d %H:%M:%S") + "  " +
                       point.Position().Latitude().DisplayText() + " " +
                       point.Position().Longitude().DisplayText() + "  " +
                       FormatSpeed(point.SpeedOverGround(), units);
    char course[32];
    std::snprintf(course, sizeof course, "  %.2f\xC2\xB0", point.CourseOverGround());
    text += course;
    if (point.HasAltitude()) {
        text += "  " + FormatAltitude(point.Altitude(), units);
    }
    return text;
}

// One line of the live track: its newest fix and its statistics.
std::string LiveLine(const CTrack& track, DistanceUnit units) {
    std::string line = track.PointCount() == 0 ? std::string("no fix yet")
                                               : PointText(track.PointAt(track.LastIndex()), units);
    line += "  points " + std::to_string(track.PointCount());
    for (const StatisticsLine& statistic : TrackStatisticsLines(track, units)) {
        line += "  " + statistic.label + statistic.value;
    }
    return line;
}

// `--baud N`: a supported rate, or "detect" (0).
std::optional<int> ParseBaudRate(const std::string& text) {
    if (text == "detect") {
        return 0;
    }
    int baud = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), baud);
    if (error != std::errc() || end != text.data() + text.size() || !IsSupportedBaudRate(baud)) {
        return std::nullopt;
    }
    return baud;
}

int RunRecord(std::span<const std::string> args) {
    std::optional<std::string> port;
    std::optional<int> baud;
    bool keep = true;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--keep") {
            keep = true;
        } else if (arg == "--discard") {
            keep = false;
        } else if (arg == "--baud" && i + 1 < args.size() && !baud) {
            baud = ParseBaudRate(args[++i]);
            if (!baud) {
                return PrintCommandUsage(kRecordCommand);
            }
        } else if (!arg.starts_with("--") && !port) {
            port = arg;
        } else {
            return PrintCommandUsage(kRecordCommand);
        }
    }
    RecordPrompts prompts(keep);
    Session session(prompts);
    ApplicationCore& app = session.app;
    if (!app.Start(true)) {
        return kExitFailure;
    }
    session.ApplySettings();
    if (port) {
        app.SerialSource().SetPortName(*port);
    } else if (!app.HasSource()) {
        std::fprintf(stderr, "ppcObrin3-cli: no source is configured\n");
        return kExitFailure;
    }
    app.SerialSource().SetBaudRate(baud);
    CatchInterrupts();
    app.RecordCommand();
    CommEndpoint* running = app.RunningSource();
    if (running == nullptr) {
        return kExitFailure;
    }
    CommEndpoint& source = *running;
    const std::filesystem::path recordFile = source.RecordFileName();
    std::printf("recording from %s into %s\n", source.ConnectedName().c_str(), recordFile.c_str());
    std::fflush(stdout);
    const DistanceUnit units = DistanceUnitOfSetting(session.settings.general.distanceUnits);
    auto nextReport = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    std::string rateShown;
    while (g_interrupted == 0 && source.IsRunning()) {
        // Each change of the line rate is told once: the detection, then the rate it found.
        if (const std::string rate = app.SerialSource().LineRateText(); rate != rateShown) {
            rateShown = rate;
            std::printf("%s: %s\n", source.ConnectedName().c_str(), rate.c_str());
            std::fflush(stdout);
        }
        session.view.RunPosted(std::chrono::milliseconds(100));
        if (std::chrono::steady_clock::now() < nextReport) {
            continue;
        }
        nextReport += std::chrono::seconds(1);
        std::string line;
        {
            std::lock_guard lock(app.TrackLock(kEngineTrack2));
            line = LiveLine(app.Document().Track(kEngineTrack2), units);
        }
        std::printf("%s\n", line.c_str());
        std::fflush(stdout);
    }
    // Only a device failure stops the source by itself (it was reported as it happened).
    const bool deviceFailed = !source.IsRunning();
    if (!deviceFailed) {
        app.RecordCommand();
    }
    app.PlaybackReader().Stop();
    const bool storeSaved = app.CloseDocument(); // a failure was reported
    const bool kept = !recordFile.empty() && std::filesystem::exists(recordFile);
    const char* outcome = kept ? "kept" : "deleted";
    std::printf("%s %s\n", outcome, recordFile.c_str());
    if (deviceFailed) {
        std::fprintf(stderr, "ppcObrin3-cli: the recording ended on a device error; %s %s\n",
                     outcome, recordFile.c_str());
        return kExitFailure;
    }
    // Sentences missing from the file were reported when it closed; the run failed, as it did
    // when the store could not be saved.
    return source.RecordFileFailed() || !storeSaved ? kExitFailure : kExitOk;
}

std::optional<ApplicationCore::GoTo> StartPointOf(std::string_view name) {
    using GoTo = ApplicationCore::GoTo;
    if (name == "begin") {
        return GoTo::Begin;
    }
    if (name == "end") {
        return GoTo::End;
    }
    if (name == "max-speed") {
        return GoTo::MaxSpeed;
    }
    if (name == "max-alt") {
        return GoTo::MaxAltitude;
    }
    if (name == "min-alt") {
        return GoTo::MinAltitude;
    }
    return std::nullopt;
}

struct PlayOptions {
    std::string file;
    std::string port;
    int zoom = 1;
    bool reverse = false;
    std::optional<ApplicationCore::GoTo> from;
    bool once = false;
};

std::optional<PlayOptions> ParsePlayOptions(std::span<const std::string> args) {
    PlayOptions options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool hasValue = i + 1 < args.size();
        if (arg == "--to" && hasValue) {
            options.port = args[++i];
        } else if (arg == "--zoom" && hasValue) {
            const std::string& value = args[++i];
            const auto [end, error] =
                std::from_chars(value.data(), value.data() + value.size(), options.zoom);
            if (error != std::errc() || end != value.data() + value.size() ||
                !IsSpeedZoom(options.zoom)) {
                return std::nullopt;
            }
        } else if (arg == "--reverse") {
            options.reverse = true;
        } else if (arg == "--from" && hasValue) {
            options.from = StartPointOf(args[++i]);
            if (!options.from) {
                return std::nullopt;
            }
        } else if (arg == "--once") {
            options.once = true;
        } else if (!arg.starts_with("--") && options.file.empty()) {
            options.file = arg;
        } else {
            return std::nullopt;
        }
    }
    if (options.file.empty()) {
        return std::nullopt;
    }
    return options;
}

int RunPlay(std::span<const std::string> args) {
    const std::optional<PlayOptions> options = ParsePlayOptions(args);
    if (!options) {
        return PrintCommandUsage(kPlayCommand);
    }
    TerminalPrompts prompts;
    Session session(prompts);
    ApplicationCore& app = session.app;
    if (!app.Start(false)) {
        return kExitFailure;
    }
    session.ApplySettings();
    if (options->port.empty() && !app.HasDestination()) {
        std::fprintf(stderr, "ppcObrin3-cli: no destination is configured\n");
        return kExitFailure;
    }
    app.LoadRecordFile(options->file, std::filesystem::path(options->file).filename().string());
    while (app.PlaybackReader().IsRunning() ||
           session.view.RunPosted(std::chrono::milliseconds(0))) {
        session.view.RunPosted(std::chrono::milliseconds(100));
    }
    CTrack& track = app.Document().Track(kEngineTrack1);
    int count = 0;
    {
        std::lock_guard lock(app.TrackLock(kEngineTrack1));
        count = track.PointCount();
    }
    if (count == 0) {
        std::fprintf(stderr, "ppcObrin3-cli: %s holds no track point\n", options->file.c_str());
        return kExitFailure;
    }
    // The options are for this run only: the track's controls are set, not the settings.
    session.view.SelectView(command_ids::kViewRecordedTrack);
    track.SetPlaybackMode(PlaybackMode::Play);
    track.SetSpeedZoom(options->zoom);
    track.SetPlaybackDirection(options->reverse ? PlaybackDirection::Reverse
                                                : PlaybackDirection::Forward);
    if (options->from) {
        app.GoToPoint(*options->from);
    }
    const DistanceUnit units = DistanceUnitOfSetting(session.settings.general.distanceUnits);
    std::atomic<bool> reachedEnd{false};
    session.view.OnMarker([&](int, const TrackPoint& point) {
        int index = 0;
        {
            std::lock_guard lock(app.TrackLock(kEngineTrack1));
            index = track.CurrentIndex();
        }
        std::printf("sent %d/%d  %s\n", index, count - 1, PointText(point, units).c_str());
        std::fflush(stdout);
        const int last = options->reverse ? 0 : count - 1;
        if (index == last) {
            reachedEnd = true;
        }
    });
    if (!options->port.empty()) {
        app.SerialDestination().SetPortName(options->port);
    }
    CatchInterrupts();
    app.PlaybackToCommand();
    CommEndpoint* running = app.RunningDestination();
    if (running == nullptr) {
        return kExitFailure;
    }
    CommEndpoint& destination = *running;
    while (g_interrupted == 0 && destination.IsRunning() && !(options->once && reachedEnd)) {
        session.view.RunPosted(std::chrono::milliseconds(100));
    }
    if (!destination.IsRunning()) {
        // Stopped by itself: the device failed, as was reported.
        std::fprintf(stderr, "ppcObrin3-cli: the playback ended on a device error\n");
        return kExitFailure;
    }
    app.PlaybackToCommand();
    return kExitOk;
}

// The device dialog's search, headless: the devices found become the known devices, whose
// addresses a Bluetooth source or destination is stored with.
int RunBluetooth(std::span<const std::string> args) {
    if (args.size() != 1 || args[0] != "scan") {
        return PrintCommandUsage(kBluetoothCommand);
    }
    TerminalPrompts prompts;
    Session session(prompts);
    ApplicationCore& app = session.app;
    std::printf("searching for Bluetooth devices...\n");
    std::fflush(stdout);
    if (!app.StartBluetoothInquiry()) {
        return kExitFailure;
    }
    CatchInterrupts();
    while (app.InquirySlot().IsAlive()) {
        if (g_interrupted != 0) {
            app.InquirySlot().RequestStop();
        }
        session.view.RunPosted(std::chrono::milliseconds(100));
    }
    app.InquirySlot().Stop();
    if (app.InquirySlot().LastExitCode() != 0) {
        return kExitFailure;
    }
    std::vector<RememberedDevice> known;
    for (const BluetoothDevice& device : app.BluetoothDevices()) {
        std::printf("%s  %s\n", BluetoothAddressText(device.address).c_str(), device.name.c_str());
        known.push_back({device.name, device.address});
    }
    if (const int error = SaveRememberedDevices(session.registry, known); error != 0) {
        std::fprintf(stderr, "ppcObrin3-cli: the known devices could not be saved: %s\n",
                     SystemErrorText(error).c_str());
        return kExitFailure;
    }
    return kExitOk;
}

// The menu item's text as a line of the terminal: without its mnemonic mark.
void PrintItemText(std::string text) {
    std::erase(text, '&');
    std::printf("%s\n", text.c_str());
}

// The device of a direction, chosen as the Record and Playback menus choose it and kept in the
// settings for the next `record` or `play` without a port. Without arguments: the current
// choice.
int RunSelection(Direction direction, const CliCommand& command,
                 std::span<const std::string> args) {
    const bool record = direction == Direction::Record;
    const bool serial = args.size() == 2 && args[0] == "serial";
    const bool bluetooth = args.size() == 2 && args[0] == "bluetooth";
    const bool builtIn = record && args.size() == 1 && args[0] == "builtin";
    if (!args.empty() && !serial && !bluetooth && !builtIn) {
        return PrintCommandUsage(command);
    }
    std::optional<std::uint64_t> address;
    if (bluetooth && !(address = ParseBluetoothAddress(args[1]))) {
        return PrintCommandUsage(command);
    }
    TerminalPrompts prompts;
    Session session(prompts);
    ApplicationCore& app = session.app;
    app.ApplySettings(session.settings);
    if (serial) {
        SelectSerialPort(app, direction, args[1]);
    } else if (bluetooth) {
        BluetoothDevice device{kUnknownDeviceName, *address};
        for (const BluetoothDevice& known : app.BluetoothDevices()) {
            if (known.address == *address) {
                device.name = known.name;
            }
        }
        SelectBluetoothDevice(app, direction, device);
    } else if (builtIn && !app.BuiltInGps().use) {
        // The menu would keep the old source and still mark the built-in GPS as chosen.
        if (!BuiltInGpsPort(app)) {
            std::fprintf(stderr, "ppcObrin3-cli: the built-in GPS is not available: gpsd does "
                                 "not answer\n");
            return kExitFailure;
        }
        ToggleBuiltInGps(app);
    }
    PrintItemText(record ? RecordItemText(app) : PlaybackItemText(app));
    return kExitOk;
}

int RunSource(std::span<const std::string> args) {
    return RunSelection(Direction::Record, kSourceCommand, args);
}

int RunDestination(std::span<const std::string> args) {
    return RunSelection(Direction::Playback, kDestinationCommand, args);
}

const CliCommand kRecordCommand = {
    "record", "[PORT] [--baud N | --baud detect] [--keep | --discard]",
    "record from PORT (a device-folder name such as COM1:, GPD0: for gpsd, or a path), or "
    "without PORT from the configured source (serial port, built-in GPS or Bluetooth device), "
    "into a record file of the documents folder, printing the live fix once per second until "
    "Ctrl-C, SIGTERM or SIGHUP; the file is kept unless --discard; a port is held for this "
    "program alone (the virtual port excepted); a serial line is read at --baud N, else at the "
    "rate the settings choose (SourceBaudRate), else at the rate found by trying 4800 to 115200 "
    "baud until whole sentences arrive, and the rate is shown; exits 1 when the device fails, "
    "saying whether the file was kept, and when sentences could not be written to the file",
    RunRecord};

const CliCommand kPlayCommand = {
    "play",
    "FILE [--to PORT] [--zoom N] [--reverse] [--from begin|end|max-speed|max-alt|min-alt] "
    "[--once]",
    "play a record file to PORT, or without --to to the configured destination (serial port "
    "or Bluetooth device), one burst of GGA, GSA, GSV, RMC, VTG and GLL per second, printing "
    "each point sent, until Ctrl-C, SIGTERM or SIGHUP; --once stops at the end of the track; "
    "exits 1 when the device fails",
    RunPlay};

const CliCommand kBluetoothCommand = {
    "bluetooth", "scan",
    "search for Bluetooth devices (about 10 s, longer while names are asked) and list their "
    "addresses and names; they become the known devices, and a source or destination is chosen "
    "with `source bluetooth ADDRESS` or `destination bluetooth ADDRESS`",
    RunBluetooth};

const CliCommand kSourceCommand = {
    "source", "[serial PORT | bluetooth ADDRESS | builtin]",
    "show or choose the device that `record` without PORT records from: a serial port (as "
    "COM1:, or a path), a Bluetooth device by the address `bluetooth scan` lists (or as "
    "00:11:22:33:44:55), or the "
    "built-in GPS (gpsd); the choice is kept in the settings",
    RunSource};

const CliCommand kDestinationCommand = {
    "destination", "[serial PORT | bluetooth ADDRESS]",
    "show or choose the device that `play` without --to plays to: a serial port or a "
    "Bluetooth device; the choice is kept in the settings",
    RunDestination};

} // namespace

std::vector<CliCommand> CommCommands() {
    return {kRecordCommand, kPlayCommand, kSourceCommand, kDestinationCommand, kBluetoothCommand};
}
