#include "cli/KmlCommands.h"

#include "cli/CommonOptions.h"
#include "cli/ConflictPrompts.h"
#include "cli/GpxCommands.h"
#include "cli/TrackOutput.h"
#include "navigation/DefaultNames.h"
#include "navigation/NavigationDataBase.h"
#include "navigation/RegistryNavigationSettings.h"
#include "navigation/TextFormat.h"
#include "platform/DocumentsFolder.h"
#include "platform/PlatformPaths.h"
#include "platform/RegistryStore.h"
#include "platform/SettingsStore.h"
#include "platform/TerminalPrompts.h"
#include "tracks/KmlExport.h"
#include "tracks/KmlImport.h"
#include "tracks/RecordLineReader.h"
#include "tracks/StatisticsText.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <string_view>

namespace {

int RunKml(std::span<const std::string> args);
int RunImport(std::span<const std::string> args);

const CliCommand kKml = {
    "kml", "RECORD_FILE OUT.kml|OUT.kmz [--plain] [--absolute] [--units km|mi|nmi]",
    "exports a record file as KML, or KMZ by the extension of the output", RunKml,
    "  OUT.kml|OUT.kmz   the output; its extension chooses the format (no other is written)\n"
    "  --plain           one colour for the track line, not coloured by speed\n"
    "  --absolute        altitudes absolute, not clamped to the ground\n"
    "  --units UNIT      km, mi or nmi for the descriptions\n"
    "                    (each of these from the settings when not given)\n"};
const CliCommand kImport = {
    "import",
    "FILE.kml|FILE.kmz|FILE.gpx [--store PATH] [--kind walk|drive|flight] [--points] "
    "[--replace|--rename|--skip]",
    "imports point placemarks into a new route of the navigation store and lines into a "
    "track, and prints its statistics; a GPX file's waypoints and routes go to the store, its "
    "tracks to the track",
    RunImport,
    "  --store PATH      the store file (default: NaviStor.zrv in the documents folder)\n"
    "  --kind KIND       walk, drive or flight: the kind of guidance of the new route (default:\n"
    "                    the \"KindOfRouteGuidance\" setting; not used for GPX)\n"
    "  --points          the track's points as CSV instead of its statistics\n"
    "  --replace, --rename, --skip\n"
    "                    what a waypoint name that exists already does (default: --skip)\n"};

constexpr const char* kUnitValues = "km, mi or nmi";

// A KML or KMZ file name by its extension, in any case.
bool HasKmlExtension(const std::filesystem::path& path) {
    std::string extension = path.extension().string();
    for (char& c : extension) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return extension == ".kml" || extension == ".kmz";
}

// Loads a record file into the track as playback loads track 1.
bool LoadRecordFile(const std::string& path, CTrack& track) {
    track.Reset();
    track.SetFileName(path);
    track.SetDisplayName(std::filesystem::path(path).filename().string());
    RecordLineReader reader;
    if (!reader.Open(path)) {
        std::fprintf(stderr, "ppcObrin3-cli: %s: %s\n", path.c_str(), reader.Error().c_str());
        return false;
    }
    std::string_view line;
    while (reader.NextLine(line)) {
        bool outOfMemory = false;
        track.DecodeLine(line, outOfMemory);
        if (outOfMemory) {
            std::fprintf(stderr, "ppcObrin3-cli: %s: Out of memory\n", path.c_str());
            return false;
        }
    }
    if (reader.Failed()) {
        std::fprintf(stderr, "ppcObrin3-cli: %s: %s\n", path.c_str(), reader.Error().c_str());
        return false;
    }
    return true;
}

int RunKml(std::span<const std::string> args) {
    std::vector<std::string> files;
    std::optional<bool> plain;
    std::optional<bool> absolute;
    std::optional<DistanceUnit> units;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--plain") {
            plain = true;
        } else if (arg == "--absolute") {
            absolute = true;
        } else if (arg == "--units") {
            units = i + 1 < args.size() ? ParseUnitOption(args[++i]) : std::nullopt;
            if (!units) {
                return UsageError(kKml, OptionTakes(arg, kUnitValues));
            }
        } else if (arg.starts_with("-")) {
            return UsageError(kKml, UnknownOption(arg));
        } else if (files.size() == 2) {
            return UsageError(kKml, UnexpectedArgument(arg));
        } else {
            files.push_back(arg);
        }
    }
    if (files.size() < 2) {
        return UsageError(kKml, files.empty() ? "missing RECORD_FILE" : "missing OUT.kml|OUT.kmz");
    }
    if (!HasKmlExtension(files[1])) {
        return UsageError(kKml, files[1] + " is not a .kml or .kmz file name");
    }
    TerminalPrompts prompts;
    const GeneralSettings settings = LoadGeneralSettings(prompts);
    KmlExportOptions options;
    options.speedColoured = plain ? false : settings.googleTrackLineColored != 0;
    options.altitudeMode = (absolute || settings.antennaAltitudeMode == 2)
                               ? KmlAltitudeMode::Absolute
                               : KmlAltitudeMode::ClampedToGround;
    options.units = units.value_or(DistanceUnitOfSetting(settings.distanceUnits));

    const auto track = std::make_unique<CTrack>();
    if (!LoadRecordFile(files[0], *track)) {
        return kExitFailure;
    }
    const std::string error = ExportTrackToFile(*track, files[1], options, SystemClock().Now());
    if (!error.empty()) {
        std::fprintf(stderr, "ppcObrin3-cli: %s\n", error.c_str());
        return kExitFailure;
    }
    std::printf("%s\n", FillMessage(kKmlSavedMessage, files[1]).c_str());
    return kExitOk;
}

struct ImportOptions {
    std::string file;
    std::optional<std::string> store;
    std::optional<int> kind;
    bool points = false;
    Conflicts conflicts = Conflicts::Skip;
};

// Nothing, with the problem, when the command line is wrong.
std::optional<ImportOptions> ParseImportOptions(std::span<const std::string> args,
                                                std::string& problem) {
    ImportOptions options;
    std::vector<std::string> files;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--store") {
            if (i + 1 == args.size()) {
                problem = OptionTakes(arg, "a PATH");
                return std::nullopt;
            }
            options.store = args[++i];
        } else if (arg == "--kind") {
            options.kind = i + 1 < args.size() ? ParseKindOption(args[++i]) : std::nullopt;
            if (!options.kind) {
                problem = OptionTakes(arg, "walk, drive or flight");
                return std::nullopt;
            }
        } else if (arg == "--points") {
            options.points = true;
        } else if (const std::optional<Conflicts> policy = ParseConflictOption(arg)) {
            options.conflicts = *policy;
        } else if (arg.starts_with("-")) {
            problem = UnknownOption(arg);
            return std::nullopt;
        } else {
            files.push_back(arg);
        }
    }
    if (files.empty()) {
        problem = "missing FILE";
        return std::nullopt;
    }
    if (files.size() > 1) {
        problem = UnexpectedArgument(files[1]);
        return std::nullopt;
    }
    options.file = files[0];
    return options;
}

// Stores the points as a new route of the store file and saves it.
bool ImportRoute(const std::vector<KmlPosition>& points, const std::filesystem::path& path,
                 const ImportOptions& options, int defaultKind) {
    ConflictPrompts prompts(options.conflicts);
    const PlatformPaths paths = PlatformPaths::FromEnvironment();
    RegistryStore registry(paths, &prompts);
    RegistryNavigationSettings settings(registry);
    CNavigationDataBase store(prompts, settings);
    std::filesystem::path storePath;
    if (options.store) {
        storePath = *options.store;
    } else {
        const auto documents = FindDocumentsFolder(paths, prompts);
        if (!documents) {
            return false;
        }
        storePath = *documents / CNavigationDataBase::kStoreFileName;
    }
    StoreFile file(std::filesystem::absolute(storePath));
    if (const auto error = file.Open(StoreFile::Access::ReadWrite)) {
        std::fprintf(stderr, "ppcObrin3-cli: cannot open %s: %s\n", error->context.c_str(),
                     std::strerror(error->error));
        return false;
    }
    if (!store.Load(file)) {
        return false;
    }
    store.ResetLastImportKind();
    const KmlRouteImport imported =
        StoreKmlRoute(points, path, options.kind.value_or(defaultKind), store, MillisecondTicks());
    if (!store.IsSaved() && store.Save(file).has_value()) {
        return false;
    }
    if (imported.routeIndex < 0) {
        std::printf("No route was stored (%d of %zu points stored as waypoints).\n",
                    imported.waypointsStored, points.size());
        return true;
    }
    std::printf("Route '%s': %d waypoints from %zu points.\n",
                store.Route(imported.routeIndex).Name().c_str(), imported.waypointsStored,
                points.size());
    return true;
}

void PrintTrack(const CTrack& track, bool points, DistanceUnit units) {
    if (points) {
        PrintTrackPointsCsv(track);
        return;
    }
    std::printf("Track '%s'\n  Points: %d\n", track.DisplayName().c_str(), track.PointCount());
    PrintStatisticsLines(track, units);
}

int ImportFile(const ImportOptions& options);

int RunImport(std::span<const std::string> args) {
    std::string problem;
    const auto options = ParseImportOptions(args, problem);
    if (!options) {
        return UsageError(kImport, problem);
    }
    try {
        return ImportFile(*options);
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "ppcObrin3-cli: Out of memory\n");
        return kExitFailure;
    }
}

// Imports what the file holds; a failure when anything was left out (the message says why).
int ImportFile(const ImportOptions& options) {
    const std::filesystem::path path = std::filesystem::absolute(options.file);
    if (HasGpxExtension(path)) {
        return ImportGpxFile(path, options.store, options.conflicts, options.points);
    }
    TerminalPrompts prompts;
    const auto geometry = ReadKmlGeometry(path, prompts);
    if (!geometry) {
        return kExitFailure;
    }
    if (geometry->points.empty() && geometry->lines.empty()) {
        std::printf("The file holds no point and no line.\n");
        return geometry->stopped.empty() ? kExitOk : kExitFailure;
    }
    const GeneralSettings settings = LoadGeneralSettings(prompts);
    if (!geometry->points.empty() &&
        !ImportRoute(geometry->points, path, options, settings.kindOfRouteGuidance)) {
        return kExitFailure;
    }
    if (!geometry->lines.empty()) {
        const auto track = std::make_unique<CTrack>();
        const bool complete = FillTrackFromKmlLines(geometry->lines, path, *track);
        if (!complete) {
            prompts.ShowError("Out of memory");
        }
        PrintTrack(*track, options.points, DistanceUnitOfSetting(settings.distanceUnits));
        if (!complete) {
            return kExitFailure;
        }
    }
    return geometry->stopped.empty() ? kExitOk : kExitFailure;
}

} // namespace

std::vector<CliCommand> KmlCommands() {
    return {kKml, kImport};
}
