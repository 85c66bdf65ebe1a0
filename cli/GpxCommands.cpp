#include "cli/GpxCommands.h"

#include "cli/CliStore.h"
#include "cli/CommonOptions.h"
#include "cli/TrackOutput.h"
#include "navigation/DefaultNames.h"
#include "platform/TerminalPrompts.h"
#include "tracks/GpxExport.h"
#include "tracks/GpxImport.h"

#include <cctype>
#include <cstdio>
#include <memory>
#include <new>

namespace {

int RunGpx(std::span<const std::string> args);

const CliCommand kGpx = {
    "gpx", "RECORD_FILE OUT.gpx [--store PATH]",
    "exports the points of a record file as a GPX 1.1 track, and with --store the store's "
    "waypoints and routes",
    RunGpx,
    "  OUT.gpx           the output (written as it is read: any length of record file)\n"
    "  --store PATH      also the waypoints and routes of this store file\n"};

int ExportGpx(const std::string& recordFile, const std::string& out,
              const std::optional<std::string>& storePath) {
    std::unique_ptr<CliStore> cli;
    if (storePath) {
        cli = std::make_unique<CliStore>(Conflicts::Skip);
        if (!cli->Open(storePath, false)) {
            return kExitFailure;
        }
    }
    const GpxExportResult result =
        ExportRecordFileToGpx(recordFile, out, cli ? &cli->Store() : nullptr);
    if (!result.error.empty()) {
        std::fprintf(stderr, "ppcObrin3-cli: %s\n", result.error.c_str());
        return kExitFailure;
    }
    std::printf("Wrote %zu track points, %zu waypoints and %zu routes to %s\n", result.trackPoints,
                result.waypoints, result.routes, out.c_str());
    if (result.skipped > 0) {
        std::printf("%zu points with a position outside +-90/+-180 degrees were left out\n",
                    result.skipped);
    }
    return kExitOk;
}

int RunGpx(std::span<const std::string> args) {
    std::vector<std::string> files;
    std::optional<std::string> store;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--store") {
            if (i + 1 == args.size()) {
                return UsageError(kGpx, OptionTakes(arg, "a PATH"));
            }
            store = args[++i];
        } else if (arg.starts_with("-")) {
            return UsageError(kGpx, UnknownOption(arg));
        } else if (files.size() == 2) {
            return UsageError(kGpx, UnexpectedArgument(arg));
        } else {
            files.push_back(arg);
        }
    }
    if (files.size() < 2) {
        return UsageError(kGpx, files.empty() ? "missing RECORD_FILE" : "missing OUT.gpx");
    }
    if (!HasGpxExtension(files[1])) {
        return UsageError(kGpx, files[1] + " is not a .gpx file name");
    }
    try {
        return ExportGpx(files[0], files[1], store);
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "ppcObrin3-cli: Out of memory\n");
        return kExitFailure;
    }
}

// Stores the waypoints and routes and saves the store; false when it could not be read or
// saved.
bool StoreItems(const GpxData& data, const std::filesystem::path& path,
                const std::optional<std::string>& storePath, Conflicts conflicts) {
    CliStore cli(conflicts);
    if (!cli.Open(storePath, true)) {
        return false;
    }
    CNavigationDataBase& store = cli.Store();
    store.ResetLastImportKind();
    const GpxStoreResult stored =
        StoreGpxItems(data, path, store, cli.Settings(), MillisecondTicks());
    if (!store.IsSaved() && !cli.Save()) {
        return false;
    }
    std::size_t routePoints = 0;
    for (const GpxRoute& route : data.routes) {
        routePoints += route.points.size();
    }
    std::printf("Waypoints: %d stored of %zu\nRoutes: %d stored of %zu, with %d of %zu points\n",
                stored.waypoints, data.waypoints.size(), stored.routes, data.routes.size(),
                stored.routeWaypoints, routePoints);
    if (const std::string renamed = RenamedNamesMessage(stored); !renamed.empty()) {
        std::printf("%s\n", renamed.c_str());
    }
    return true;
}

} // namespace

bool HasGpxExtension(const std::filesystem::path& path) {
    std::string extension = path.extension().string();
    for (char& c : extension) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return extension == ".gpx";
}

int ImportGpxFile(const std::filesystem::path& path, const std::optional<std::string>& store,
                  Conflicts conflicts, bool points) {
    TerminalPrompts prompts;
    const auto data = ReadGpxFile(path, prompts);
    if (!data) {
        return kExitFailure;
    }
    const int complete = data->stopped.empty() ? kExitOk : kExitFailure;
    if (data->waypoints.empty() && data->routes.empty() && data->track.empty()) {
        std::printf("The file holds no waypoint, route or track point.\n");
        return complete;
    }
    if ((!data->waypoints.empty() || !data->routes.empty()) &&
        !StoreItems(*data, path, store, conflicts)) {
        return kExitFailure;
    }
    if (data->track.empty()) {
        return complete;
    }
    const auto track = std::make_unique<CTrack>();
    const bool filled = FillTrackFromGpx(data->track, path, *track);
    if (!filled) {
        prompts.ShowError("Out of memory");
    }
    if (points) {
        PrintTrackPointsCsv(*track);
    } else {
        std::printf("Track '%s'\n  Track points: %zu read, %d stored\n",
                    track->DisplayName().c_str(), data->track.size(), track->PointCount());
        PrintStatisticsLines(*track, UnitOrSetting(std::nullopt, prompts));
    }
    return filled ? complete : kExitFailure;
}

std::vector<CliCommand> GpxCommands() {
    return {kGpx};
}
