#include "cli/CommCommands.h"

#include "cli/CommonOptions.h"
#include "comm/ApplicationCore.h"
#include "comm/BaudRateSettings.h"
#include "comm/DeviceManager.h"
#include "comm/DeviceSelection.h"
#include "comm/HeadlessViewHost.h"
#include "comm/NetworkAddress.h"
#include "comm/PlaybackCursor.h"
#include "comm/ServiceFiles.h"
#include "platform/BuiltInGpsReach.h"
#include "platform/CalendarTime.h"
#include "platform/DeviceFolder.h"
#include "platform/DeviceName.h"
#include "platform/GpsdProbe.h"
#include "platform/PlatformPaths.h"
#include "platform/RegistryStore.h"
#include "platform/SettingsStore.h"
#include "platform/SystemError.h"
#include "platform/TerminalPrompts.h"
#include "tracks/RecordLineReader.h"
#include "tracks/StatisticsText.h"

#include <atomic>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <mutex>
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

struct RecordOptions {
    std::optional<std::string> port;
    std::optional<int> baud;
    bool keep = true;
    GuidanceTargetChoice target;
    bool activeGiven = false;
    std::optional<std::string> autopilot;
};

// The values of the options that steer an autopilot during the recording.
bool ParseSteeringOption(std::span<const std::string> args, std::size_t& i, RecordOptions& options,
                         std::string& problem) {
    const std::string& arg = args[i];
    const bool hasValue = i + 1 < args.size();
    if (arg == "--go-to" || arg == "--go-along" || arg == "--autopilot") {
        if (!hasValue) {
            problem = OptionTakes(arg, arg == "--go-to"      ? "a waypoint name"
                                       : arg == "--go-along" ? "a route name"
                                                             : "a PORT or URL");
            return false;
        }
        (arg == "--go-to"      ? options.target.waypoint
         : arg == "--go-along" ? options.target.route
                               : options.autopilot) = args[++i];
        return true;
    }
    int row = 0;
    const std::string value = hasValue ? args[i + 1] : std::string();
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), row);
    if (error != std::errc() || end != value.data() + value.size() || row < 1) {
        problem = OptionTakes(arg, "a row number from 1");
        return false;
    }
    options.target.activeRow = row;
    options.activeGiven = true;
    ++i;
    return true;
}

// What is wrong with the steering options together; empty when nothing is.
std::string SteeringProblem(const RecordOptions& options) {
    if (options.target.waypoint && options.target.route) {
        return "--go-to and --go-along exclude each other";
    }
    if (options.activeGiven && !options.target.route) {
        return "--active is for --go-along";
    }
    // The command line has no other way to start guidance: the store keeps no target.
    if (options.autopilot && !options.target.waypoint && !options.target.route) {
        return "--autopilot steers to --go-to WAYPOINT or --go-along ROUTE";
    }
    if (options.autopilot && LooksLikeNetworkUrl(*options.autopilot)) {
        std::string problem;
        if (!ParseNetworkAddress(*options.autopilot, Direction::Playback, problem)) {
            return "--autopilot: " + problem;
        }
    }
    return {};
}

// Nothing, with the problem, when the command line is wrong.
std::optional<RecordOptions> ParseRecordOptions(std::span<const std::string> args,
                                                std::string& problem) {
    RecordOptions options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--keep") {
            options.keep = true;
        } else if (arg == "--discard") {
            options.keep = false;
        } else if (arg == "--baud" && options.baud) {
            problem = "--baud is given twice";
            return std::nullopt;
        } else if (arg == "--baud") {
            options.baud = i + 1 < args.size() ? ParseBaudRate(args[++i]) : std::nullopt;
            if (!options.baud) {
                problem =
                    OptionTakes("--baud", "4800, 9600, 19200, 38400, 57600, 115200 or detect");
                return std::nullopt;
            }
        } else if (arg == "--go-to" || arg == "--go-along" || arg == "--active" ||
                   arg == "--autopilot") {
            if (!ParseSteeringOption(args, i, options, problem)) {
                return std::nullopt;
            }
        } else if (arg.starts_with("-")) {
            problem = UnknownOption(arg);
            return std::nullopt;
        } else if (options.port) {
            problem = UnexpectedArgument(arg);
            return std::nullopt;
        } else {
            options.port = arg;
        }
    }
    problem = SteeringProblem(options);
    if (!problem.empty()) {
        return std::nullopt;
    }
    return options;
}

// Steering from the command line: the autopilot port of this run and the target, set once the
// navigation store has been read. False when the run cannot go on (the reason was printed).
bool SetUpSteering(Session& session, const RecordOptions& options) {
    ApplicationCore& app = session.app;
    if (options.autopilot) {
        app.SetAutopilotPort(*options.autopilot); // for this run only
    }
    if (options.target.waypoint || options.target.route) {
        if (app.AutopilotPort().empty()) {
            std::fprintf(stderr, "ppcObrin3-cli: --go-to and --go-along steer an autopilot: "
                                 "--autopilot PORT is needed\n");
            return false;
        }
        while (app.IsStoreLoading()) {
            session.view.RunPosted(std::chrono::milliseconds(20));
        }
        CNavigationDataBase& store = app.Document().Store();
        std::lock_guard lock(store.Lock());
        if (!SetGuidanceTarget(store, options.target)) {
            return false;
        }
    }
    // A port given on the command line must work; one from the settings only adds to the run.
    return !options.autopilot || app.StartAutopilot();
}

// The guidance settings of the window, for the autopilot's values.
GuidanceSettings StoredGuidanceSettings(const GeneralSettings& general) {
    GuidanceSettings settings;
    settings.kind = general.kindOfRouteGuidance;
    settings.followTheRoute = general.automaticallyFollowTheRoute != 0;
    settings.unit = DistanceUnitOfSetting(general.distanceUnits);
    return settings;
}

// The live fix goes to a reader that may go away (a closed pipe, a dropped ssh session): the
// first failed print is reported once, and the recording goes on until it is stopped.
class StatusLines {
public:
    void Print(const std::string& line) {
        std::printf("%s\n", line.c_str());
        if (std::fflush(stdout) != 0 && !m_failed) {
            m_failed = true;
            std::fprintf(stderr, "ppcObrin3-cli: the live fix can no longer be printed: %s\n",
                         SystemErrorText(errno).c_str());
        }
    }

private:
    bool m_failed = false;
};

int RunRecord(std::span<const std::string> args) {
    std::string problem;
    const std::optional<RecordOptions> options = ParseRecordOptions(args, problem);
    if (!options) {
        return UsageError(kRecordCommand, problem);
    }
    std::optional<NetworkAddress> network;
    if (options->port && LooksLikeNetworkUrl(*options->port)) {
        network = ParseNetworkAddress(*options->port, Direction::Record, problem);
        if (!network) {
            return UsageError(kRecordCommand, problem);
        }
        if (options->baud) {
            return UsageError(kRecordCommand, "--baud is for a serial line, not " + *options->port);
        }
    }
    RecordPrompts prompts(options->keep);
    Session session(prompts);
    ApplicationCore& app = session.app;
    if (!app.Start(true)) {
        return kExitFailure;
    }
    session.ApplySettings();
    if (network) {
        // The serial port of the settings would be tried first.
        app.SerialSource().SetPortName({});
        app.NetworkSource().SetAddress(network);
    } else if (options->port) {
        app.SerialSource().SetPortName(*options->port);
    } else if (!app.HasSource()) {
        if (const auto silent = SilentBuiltInGps(session.registry, session.paths.gpsd)) {
            std::fprintf(stderr, "ppcObrin3-cli: the source is the built-in GPS, but %s\n",
                         silent->c_str());
        } else {
            std::fprintf(stderr, "ppcObrin3-cli: no source is configured\n");
        }
        return kExitFailure;
    }
    app.SerialSource().SetBaudRate(options->baud);
    if (!SetUpSteering(session, *options)) {
        return kExitFailure;
    }
    CatchInterrupts();
    app.RecordCommand();
    CommEndpoint* running = app.RunningSource();
    if (running == nullptr) {
        app.StopAutopilot();
        return kExitFailure;
    }
    CommEndpoint& source = *running;
    const std::filesystem::path recordFile = source.RecordFileName();
    StatusLines status;
    status.Print("recording from " + source.ConnectedName() + " into " + recordFile.string());
    const bool steering = options->target.waypoint || options->target.route;
    if (steering && app.IsAutopilotRunning()) {
        status.Print("steering the autopilot at " + app.AutopilotPort());
    }
    CRouteGuidance guidance(session.clock);
    guidance.SetSettings(StoredGuidanceSettings(session.settings.general));
    const DistanceUnit units = DistanceUnitOfSetting(session.settings.general.distanceUnits);
    auto nextReport = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    std::string rateShown;
    unsigned noticeShown = 0;
    while (g_interrupted == 0 && source.IsRunning()) {
        // Each change of the line rate is told once: the detection, then the rate it found.
        if (const std::string rate = app.SerialSource().LineRateText(); rate != rateShown) {
            rateShown = rate;
            status.Print(source.ConnectedName() + ": " + rate);
        }
        // So is each drop of a network connection and each connection made again.
        if (const auto notice = app.NetworkSource().LatestNotice();
            notice.sequence != noticeShown) {
            noticeShown = notice.sequence;
            status.Print(notice.text);
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
        if (app.IsAutopilotRunning()) {
            const GuidanceDisplay shown = app.GuideLiveFix(guidance).display;
            line += "  " + shown.destinationLabel;
            if (shown.hasDestination) {
                line += "  DST " + shown.distance + "  BRG " + shown.bearing;
            }
        }
        status.Print(line);
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
    bool paced = false;
    std::optional<int> maxGapSeconds;
};

constexpr const char* kStartPoints = "begin, end, max-speed, max-alt or min-alt";

// "1, 3, ... or 100": the speed zooms of the menu.
std::string SpeedZoomValues() {
    std::string text;
    const std::size_t count = std::size(kSpeedZooms);
    for (std::size_t i = 0; i < count; ++i) {
        text += (i == 0 ? "" : i + 1 == count ? " or " : ", ") + std::to_string(kSpeedZooms[i]);
    }
    return text;
}

// Nothing, with the problem, when the command line is wrong.
std::optional<PlayOptions> ParsePlayOptions(std::span<const std::string> args,
                                            std::string& problem) {
    PlayOptions options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool hasValue = i + 1 < args.size();
        if (arg == "--to") {
            if (!hasValue) {
                problem = OptionTakes(arg, "a PORT");
                return std::nullopt;
            }
            options.port = args[++i];
        } else if (arg == "--zoom") {
            const std::string value = hasValue ? args[++i] : std::string();
            const auto [end, error] =
                std::from_chars(value.data(), value.data() + value.size(), options.zoom);
            if (error != std::errc() || end != value.data() + value.size() ||
                !IsSpeedZoom(options.zoom)) {
                problem = OptionTakes(arg, SpeedZoomValues());
                return std::nullopt;
            }
        } else if (arg == "--reverse") {
            options.reverse = true;
        } else if (arg == "--from") {
            options.from = hasValue ? StartPointOf(args[++i]) : std::nullopt;
            if (!options.from) {
                problem = OptionTakes(arg, kStartPoints);
                return std::nullopt;
            }
        } else if (arg == "--once") {
            options.once = true;
        } else if (arg == "--paced") {
            options.paced = true;
        } else if (arg == "--max-gap") {
            const std::string value = hasValue ? args[++i] : std::string();
            int seconds = 0;
            const auto [end, error] =
                std::from_chars(value.data(), value.data() + value.size(), seconds);
            if (error != std::errc() || end != value.data() + value.size() || seconds < 1) {
                problem = OptionTakes(arg, "a number of seconds from 1");
                return std::nullopt;
            }
            options.maxGapSeconds = seconds;
        } else if (arg.starts_with("-")) {
            problem = UnknownOption(arg);
            return std::nullopt;
        } else if (!options.file.empty()) {
            problem = UnexpectedArgument(arg);
            return std::nullopt;
        } else {
            options.file = arg;
        }
    }
    if (options.file.empty()) {
        problem = "missing FILE";
        return std::nullopt;
    }
    if (options.maxGapSeconds && !options.paced) {
        problem = "--max-gap needs --paced";
        return std::nullopt;
    }
    return options;
}

int RunPlay(std::span<const std::string> args) {
    std::string problem;
    const std::optional<PlayOptions> options = ParsePlayOptions(args, problem);
    if (!options) {
        return UsageError(kPlayCommand, problem);
    }
    std::optional<NetworkAddress> network;
    if (LooksLikeNetworkUrl(options->port)) {
        network = ParseNetworkAddress(options->port, Direction::Playback, problem);
        if (!network) {
            return UsageError(kPlayCommand, problem);
        }
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
    // A file that does not open is said so with the system's reason before it is loaded.
    if (RecordLineReader reader; !reader.Open(options->file)) {
        std::fprintf(stderr, "ppcObrin3-cli: %s: %s\n", options->file.c_str(),
                     reader.Error().c_str());
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
    app.UsePacedPlayback(options->paced);
    if (options->maxGapSeconds) {
        app.SetMaxLogGap(std::chrono::seconds(*options->maxGapSeconds));
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
    if (network) {
        // The serial port of the settings would be tried first.
        app.SerialDestination().SetPortName({});
        app.NetworkDestination().SetAddress(network);
    } else if (!options->port.empty()) {
        app.SerialDestination().SetPortName(options->port);
    }
    CatchInterrupts();
    app.PlaybackToCommand();
    CommEndpoint* running = app.RunningDestination();
    if (running == nullptr) {
        return kExitFailure;
    }
    CommEndpoint& destination = *running;
    if (running == &app.NetworkDestination()) {
        std::printf("playing to %s\n", destination.ConnectedName().c_str());
        std::fflush(stdout);
    }
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
    if (args.empty()) {
        return UsageError(kBluetoothCommand, "missing scan");
    }
    if (args.size() != 1 || args[0] != "scan") {
        return UsageError(kBluetoothCommand, UnexpectedArgument(args[args[0] == "scan" ? 1 : 0]));
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
// What is wrong with the arguments of `source` or `destination`; empty when nothing is.
std::string SelectionProblem(Direction direction, std::span<const std::string> args,
                             DeviceFolder& folder) {
    if (args.empty()) {
        return {};
    }
    const std::string& kind = args[0];
    const bool record = direction == Direction::Record;
    if (kind == "builtin" && record) {
        return args.size() == 1 ? std::string() : UnexpectedArgument(args[1]);
    }
    if (kind != "serial" && kind != "bluetooth" && kind != "network") {
        return UnexpectedArgument(kind) + (record ? " (serial, network, bluetooth or builtin)"
                                                  : " (serial, network or bluetooth)");
    }
    if (args.size() == 1) {
        return kind == "serial"    ? "missing PORT"
               : kind == "network" ? "missing URL"
                                   : "missing ADDRESS";
    }
    if (args.size() > 2) {
        return UnexpectedArgument(args[2]);
    }
    if (std::string problem;
        kind == "network" && !ParseNetworkAddress(args[1], direction, problem)) {
        return problem;
    }
    if (kind == "bluetooth" && !ParseBluetoothAddress(args[1])) {
        return args[1] + " is not a Bluetooth ADDRESS (12 hexadecimal digits, with or without "
                         "colons)";
    }
    if (kind == "serial" && !IsPortName(args[1], folder)) {
        return args[1] + " is not a port name (COMn:, GPDn:, a device-folder name or an "
                         "absolute path)";
    }
    return {};
}

int RunSelection(Direction direction, const CliCommand& command,
                 std::span<const std::string> args) {
    TerminalPrompts prompts;
    Session session(prompts);
    DeviceFolder folder(session.paths);
    if (const std::string problem = SelectionProblem(direction, args, folder); !problem.empty()) {
        return UsageError(command, problem);
    }
    const bool record = direction == Direction::Record;
    const bool serial = !args.empty() && args[0] == "serial";
    const bool bluetooth = !args.empty() && args[0] == "bluetooth";
    const bool builtIn = !args.empty() && args[0] == "builtin";
    const bool network = !args.empty() && args[0] == "network";
    ApplicationCore& app = session.app;
    app.ApplySettings(session.settings);
    if (serial) {
        SelectSerialPort(app, direction, args[1]);
    } else if (network) {
        std::string problem;
        SelectNetworkAddress(app, direction, *ParseNetworkAddress(args[1], direction, problem));
    } else if (bluetooth) {
        const std::uint64_t address = *ParseBluetoothAddress(args[1]);
        BluetoothDevice device{kUnknownDeviceName, address};
        for (const BluetoothDevice& known : app.BluetoothDevices()) {
            if (known.address == address) {
                device.name = known.name;
            }
        }
        SelectBluetoothDevice(app, direction, device);
    } else if (builtIn && !app.BuiltInGps().use) {
        // The menu would keep the old source and still mark the built-in GPS as chosen.
        if (!BuiltInGpsPort(app)) {
            std::fprintf(stderr, "ppcObrin3-cli: the built-in GPS is not available: %s\n",
                         GpsdSilentText(session.paths.gpsd).c_str());
            return kExitFailure;
        }
        ToggleBuiltInGps(app);
    }
    if (record && args.empty()) {
        // The settings load leaves the source empty when gpsd is silent, yet it is chosen.
        if (const auto silent = SilentBuiltInGps(session.registry, session.paths.gpsd)) {
            std::printf("Record from built-in GPS\n");
            std::fprintf(stderr, "ppcObrin3-cli: %s\n", silent->c_str());
            return kExitOk;
        }
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
    "record",
    "[PORT | URL] [--baud N | --baud detect] [--keep | --discard] "
    "[--go-to WAYPOINT | --go-along ROUTE [--active N]] [--autopilot PORT | URL]",
    "record from PORT or URL, or without either from the configured source, into a record file "
    "of the "
    "documents folder, printing the live fix once per second until Ctrl-C, SIGTERM or SIGHUP, "
    "which stop the recording in order: the file is kept (unless --discard) and the "
    "navigation store saved; exits 1 when the device fails, saying whether the file was kept, "
    "and when sentences could not be written to the file or the store could not be saved",
    RunRecord,
    "  PORT        a device-folder name such as COM1:, GPD0: for gpsd, or a path; a port is\n"
    "              held for this program alone (the virtual port excepted)\n"
    "  URL         tcp://HOST:PORT connects to a TCP server that sends NMEA (a phone app,\n"
    "              a multiplexer, gpsd's raw port) and connects again every 3 s after a\n"
    "              drop, the recording going on in the same file; udp://HOST:PORT listens\n"
    "              there for datagrams. Without HOST (tcp://:10110): 127.0.0.1\n"
    "  --baud N    read a serial line at N baud (4800, 9600, 19200, 38400, 57600, 115200)\n"
    "  --baud detect\n"
    "              try those rates until whole sentences arrive (the default, unless the\n"
    "              setting SourceBaudRate names a rate); the rate used is shown\n"
    "  --keep      keep the record file at the stop (the default)\n"
    "  --discard   delete the record file at the stop\n"
    "  --go-to WAYPOINT, --go-along ROUTE [--active N]\n"
    "              steer the autopilot to a waypoint of the store, or along a route from its\n"
    "              row N (from 1), advancing as the window does\n"
    "  --autopilot PORT | URL\n"
    "              send $GPRMB, $GPAPB and $GPXTE for each new fix, once a second, to this\n"
    "              port (4800 baud) or network destination (tcp-server://[HOST]:PORT,\n"
    "              udp://HOST:PORT); without it the autopilot port of the options\n"};

const CliCommand kPlayCommand = {
    "play",
    "FILE [--to PORT | --to URL] [--zoom N] [--reverse] "
    "[--from begin|end|max-speed|max-alt|min-alt] [--once] [--paced [--max-gap S]]",
    "play a record file to PORT, or without --to to the configured destination, one burst of "
    "GGA, GSA, GSV, RMC, VTG and GLL per second (with --paced, one per point when the log's "
    "times say), printing each point sent, until Ctrl-C, SIGTERM or SIGHUP; exits 1 when the "
    "device fails",
    RunPlay,
    "  FILE         the record file\n"
    "  --to PORT    a device-folder name such as COM2:, or a path\n"
    "  --to URL     tcp-server://HOST:PORT listens there and sends every burst to each\n"
    "               reader that connects (a reader too slow to keep up is disconnected);\n"
    "               udp://HOST:PORT sends each burst as datagrams there. Without HOST\n"
    "               (tcp-server://:10110): 127.0.0.1 only; 0.0.0.0 listens on every\n"
    "               interface\n"
    "  --zoom N     the speed zoom: 1, 3, 5, 10, 20 ... 100 (points per burst)\n"
    "  --reverse    play backwards\n"
    "  --from WHERE begin, end, max-speed, max-alt or min-alt\n"
    "  --once       stop at the end of the track\n"
    "  --paced      send every point at the log's own pace, its gaps divided by the zoom\n"
    "  --max-gap S  with --paced, shorten longer gaps of the log to S seconds (default 60)\n"};

const CliCommand kBluetoothCommand = {
    "bluetooth", "scan",
    "search for Bluetooth devices (about 10 s, longer while names are asked) and list their "
    "addresses and names; they become the known devices",
    RunBluetooth,
    "  scan   search and list; choose one with `source bluetooth ADDRESS` or\n"
    "         `destination bluetooth ADDRESS`\n"};

const CliCommand kSourceCommand = {
    "source", "[serial PORT | network URL | bluetooth ADDRESS | builtin]",
    "show or choose the device that `record` without PORT records from; the choice is kept in "
    "the settings",
    RunSource,
    "  serial PORT         a serial port: COMn:, GPDn:, a device-folder name or an absolute\n"
    "                      path\n"
    "  network URL         tcp://HOST:PORT (a TCP server to connect to) or\n"
    "                      udp://HOST:PORT (datagrams to listen for)\n"
    "  bluetooth ADDRESS   a Bluetooth device by the 12 hexadecimal digits `bluetooth scan`\n"
    "                      lists (00:11:22:33:44:55 too)\n"
    "  builtin             the built-in GPS (gpsd, at $ZRV_GPSD or 127.0.0.1:2947)\n"};

const CliCommand kDestinationCommand = {
    "destination", "[serial PORT | network URL | bluetooth ADDRESS]",
    "show or choose the device that `play` without --to plays to; the choice is kept in the "
    "settings",
    RunDestination,
    "  serial PORT         a serial port: COMn:, a device-folder name or an absolute path\n"
    "  network URL         tcp-server://HOST:PORT (readers connect here) or\n"
    "                      udp://HOST:PORT (datagrams are sent there)\n"
    "  bluetooth ADDRESS   a Bluetooth device by the 12 hexadecimal digits `bluetooth scan`\n"
    "                      lists (00:11:22:33:44:55 too)\n"};

} // namespace

std::vector<CliCommand> CommCommands() {
    return {kRecordCommand, kPlayCommand, kSourceCommand, kDestinationCommand, kBluetoothCommand};
}
