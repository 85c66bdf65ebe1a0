#include "cli/StoreCommands.h"

#include "cli/CliStore.h"
#include "cli/CommonOptions.h"
#include "cli/JsonText.h"

#include "cli/ConflictPrompts.h"
#include "navigation/AutopilotSentences.h"
#include "navigation/LegTable.h"
#include "navigation/ListCommands.h"
#include "navigation/NavigationDataBase.h"
#include "navigation/NearestWaypoints.h"
#include "navigation/RegistryNavigationSettings.h"
#include "navigation/RouteGuidance.h"
#include "navigation/TextFormat.h"
#include "platform/DocumentsFolder.h"
#include "platform/PlatformPaths.h"
#include "platform/RegistryStore.h"
#include "platform/SystemError.h"
#include "platform/TerminalPrompts.h"

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>

namespace {

extern const CliCommand kStoreCommand;
extern const CliCommand kGuideCommand;

struct Options {
    std::optional<std::string> file;
    std::optional<DistanceUnit> unit; // the "DistanceUnits" setting when not given
    bool json = false;
    Conflicts conflicts = Conflicts::Skip;
    std::vector<std::string> words;
};

std::optional<double> ParseNumber(std::string_view text) {
    double value = 0.0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

// Signed decimal degrees, latitude then longitude.
std::optional<CLatLong> ParsePosition(std::string_view latitude, std::string_view longitude) {
    const auto lat = ParseNumber(latitude);
    const auto lon = ParseNumber(longitude);
    if (!lat || !lon || *lat < -90.0 || *lat > 90.0 || *lon < -180.0 || *lon > 180.0) {
        return std::nullopt;
    }
    return CLatLong::FromDecimalDegrees(*lat, *lon);
}

constexpr const char* kUnitValues = "km, mi or nmi";

// Nothing, with the problem, when the command line is wrong.
std::optional<Options> ParseStoreOptions(std::span<const std::string> args, std::string& problem) {
    Options options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--file") {
            if (i + 1 == args.size()) {
                problem = OptionTakes(arg, "a PATH");
                return std::nullopt;
            }
            options.file = args[++i];
        } else if (arg == "--units") {
            options.unit = i + 1 < args.size() ? ParseUnitOption(args[++i]) : std::nullopt;
            if (!options.unit) {
                problem = OptionTakes(arg, kUnitValues);
                return std::nullopt;
            }
        } else if (arg == "--json") {
            options.json = true;
        } else if (const std::optional<Conflicts> policy = ParseConflictOption(arg)) {
            options.conflicts = *policy;
        } else if (arg.starts_with("--")) {
            problem = UnknownOption(arg);
            return std::nullopt;
        } else {
            options.words.push_back(arg);
        }
    }
    if (options.words.empty()) {
        problem = "missing subcommand (waypoints, routes, legs, nearest, add-waypoint, import or "
                  "export-route)";
        return std::nullopt;
    }
    return options;
}

std::string JsonOptional(const std::optional<double>& value) {
    return value ? JsonNumber(*value) : "null";
}

// "all" or a positive count of rows.
std::optional<std::size_t> ParseCount(std::string_view text) {
    if (text == "all") {
        return kAllWaypoints;
    }
    unsigned long long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value == 0) {
        return std::nullopt;
    }
    return static_cast<std::size_t>(value);
}

// What is wrong with the subcommand and its arguments, checked before the store is opened;
// null when nothing is.
const char* UsageProblem(const std::vector<std::string>& words) {
    const std::string& what = words.front();
    const std::size_t count = words.size();
    if (what == "waypoints" || what == "routes") {
        return count == 1 ? nullptr : "waypoints and routes take no arguments";
    }
    if (what == "legs") {
        return count == 2 ? nullptr : "legs takes a route name";
    }
    if (what == "import") {
        return count == 2 ? nullptr : "import takes a FILE";
    }
    if (what == "export-route") {
        return count == 3 ? nullptr : "export-route takes ROUTE FILE";
    }
    if (what == "nearest") {
        if (count != 3 && count != 4) {
            return "nearest takes LAT LON [N|all]";
        }
        if (!ParsePosition(words[1], words[2])) {
            return "LAT and LON are signed decimal degrees";
        }
        return count == 3 || ParseCount(words[3]) ? nullptr : "N is a positive count or \"all\"";
    }
    if (what == "add-waypoint") {
        if (count != 4) {
            return "add-waypoint takes NAME LAT LON";
        }
        return ParsePosition(words[2], words[3]) ? nullptr
                                                 : "LAT and LON are signed decimal degrees";
    }
    return "unknown subcommand (waypoints, routes, legs, nearest, add-waypoint, import or "
           "export-route)";
}

int ListWaypoints(CNavigationDataBase& store, const Options& options) {
    if (options.json) {
        store.ForEachWaypoint([](const CWaypoint& waypoint) {
            const CLatLong& p = waypoint.Position();
            std::printf("{\"name\":%s,\"latitude_deg\":%s,\"longitude_deg\":%s,"
                        "\"place_to_store\":%s}\n",
                        JsonString(waypoint.Name()).c_str(),
                        JsonNumber(p.Latitude().DecimalDegrees()).c_str(),
                        JsonNumber(p.Longitude().DecimalDegrees()).c_str(),
                        JsonString(waypoint.PlaceToStore()).c_str());
        });
        return kExitOk;
    }
    if (store.Count(NavItemKind::Waypoint) == 0) {
        std::printf("%s\n", kNoWaypoints);
        return kExitOk;
    }
    std::printf("Waypoint name\tLatitude\tLongitude\tPlace to store waypoints\n");
    store.ForEachWaypoint([](const CWaypoint& waypoint) {
        std::printf("%s\t%s\t%s\t%s\n", waypoint.Name().c_str(),
                    waypoint.Position().Latitude().DisplayText().c_str(),
                    waypoint.Position().Longitude().DisplayText().c_str(),
                    waypoint.PlaceToStore().c_str());
    });
    return kExitOk;
}

int ListRoutes(CNavigationDataBase& store, const Options& options) {
    if (options.json) {
        store.ForEachRoute([](const CRoute& route) {
            std::string names;
            for (const std::string& name : route.WaypointNames()) {
                names += (names.empty() ? "" : ",") + JsonString(name);
            }
            std::printf("{\"name\":%s,\"place_to_store\":%s,\"waypoints\":[%s]}\n",
                        JsonString(route.Name()).c_str(), JsonString(route.PlaceToStore()).c_str(),
                        names.c_str());
        });
        return kExitOk;
    }
    if (store.Count(NavItemKind::Route) == 0) {
        std::printf("%s\n", kNoRoutes);
        return kExitOk;
    }
    std::printf("Route name\tPlace to store routes\n");
    store.ForEachRoute([](const CRoute& route) {
        std::printf("%s\t%s\n", route.Name().c_str(), route.PlaceToStore().c_str());
    });
    return kExitOk;
}

int ShowLegs(CNavigationDataBase& store, const Options& options) {
    const int route = store.FindRoute(options.words[1]);
    if (route < 0) {
        std::fprintf(stderr, "ppcObrin3-cli: no route '%s'\n", options.words[1].c_str());
        return kExitFailure;
    }
    const LegTable table = BuildLegTable(store, route);
    if (options.json) {
        const std::string route = JsonString(options.words[1]);
        const std::string total = JsonNumber(table.totalDistance);
        for (const LegRow& row : table.rows) {
            std::printf("{\"route\":%s,\"number\":%d,\"name\":%s,\"desired_track_deg\":%s,"
                        "\"leg_distance_nmi\":%s,\"from_begin_nmi\":%s,\"to_end_nmi\":%s,"
                        "\"total_distance_nmi\":%s}\n",
                        route.c_str(), row.number, JsonString(row.name).c_str(),
                        JsonOptional(row.desiredTrack).c_str(),
                        JsonOptional(row.legDistance).c_str(), JsonOptional(row.fromBegin).c_str(),
                        JsonOptional(row.toEnd).c_str(), total.c_str());
        }
        return kExitOk;
    }
    std::printf("%s\n", LegTableTitle(options.words[1]).c_str());
    TerminalPrompts prompts;
    const DistanceUnit unit = UnitOrSetting(options.unit, prompts);
    if (table.rows.empty()) {
        std::printf("%s\n", EmptyRouteText(options.words[1]).c_str());
        return kExitOk;
    }
    std::printf("Number\tWaypoint name\tDesired Track of Leg\tLeg Distance\t"
                "Distance from the Begin\tDistance to the End\n");
    for (const LegRow& row : table.rows) {
        const LegRowTexts t = LegRowText(row, unit);
        std::printf("%s\t%s\t%s\t%s\t%s\t%s\n", t.number.c_str(), t.name.c_str(),
                    t.desiredTrack.c_str(), t.legDistance.c_str(), t.fromBegin.c_str(),
                    t.toEnd.c_str());
    }
    std::printf("Total Distance: %s\n", FormatDistance(table.totalDistance, unit).c_str());
    return kExitOk;
}

int ShowNearest(CNavigationDataBase& store, const Options& options) {
    const CLatLong reference = *ParsePosition(options.words[1], options.words[2]);
    const std::size_t count = options.words.size() == 4 ? *ParseCount(options.words[3]) : 10;
    const std::vector<NearestRow> rows = NearestWaypoints(store, reference, count);
    if (options.json) {
        for (const NearestRow& row : rows) {
            const bool course = row.bearing >= 0.0;
            std::printf(
                "{\"name\":%s,\"distance_nmi\":%s,\"bearing_deg\":%s}\n",
                JsonString(row.name).c_str(), JsonNumber(row.distance).c_str(),
                JsonOptional(course ? std::optional<double>(row.bearing) : std::nullopt).c_str());
        }
        return kExitOk;
    }
    if (rows.empty()) {
        std::printf("%s\n", kNoNearestWaypoints);
        return kExitOk;
    }
    TerminalPrompts prompts;
    const DistanceUnit unit = UnitOrSetting(options.unit, prompts);
    std::printf("Waypoint name\tDST (%s)\tBRG\n", DistanceSuffix(unit));
    for (const NearestRow& row : rows) {
        const NearestRowTexts t = NearestRowText(row, unit);
        std::printf("%s\t%s\t%s\n", t.name.c_str(), t.distance.c_str(), t.bearing.c_str());
    }
    return kExitOk;
}

int AddWaypoint(CliStore& cli, const Options& options) {
    const auto position = ParsePosition(options.words[2], options.words[3]);
    const int index =
        cli.Store().StoreWaypoint(CWaypoint(options.words[1], *position), false, kSelfCreated);
    if (index < 0) {
        std::fprintf(stderr,
                     "ppcObrin3-cli: a waypoint '%s' exists already (use --replace or "
                     "--rename)\n",
                     options.words[1].c_str());
        return kExitFailure;
    }
    if (!cli.Save()) {
        return kExitFailure;
    }
    std::printf("%s\n", cli.Store().Waypoint(index).Name().c_str());
    return kExitOk;
}

// What the saved store file holds, and each item that is not in it: one whose line would be
// longer than a store file line is left out when the file is written.
int ReportStoreFileContents(const CNavigationDataBase& store) {
    int waypoints = 0;
    int routes = 0;
    std::vector<std::string> leftOut;
    store.ForEachWaypoint([&](const CWaypoint& waypoint) {
        if (waypoint.IsStored()) {
            ++waypoints;
        } else {
            leftOut.push_back("waypoint '" + waypoint.Name() + "'");
        }
    });
    store.ForEachRoute([&](const CRoute& route) {
        if (route.IsStored()) {
            ++routes;
        } else {
            leftOut.push_back("route '" + route.Name() + "'");
        }
    });
    std::printf("The store file holds %d waypoints and %d routes.\n", waypoints, routes);
    for (const std::string& item : leftOut) {
        std::fprintf(stderr,
                     "ppcObrin3-cli: left out of the store file (its line would be too "
                     "long): %s\n",
                     item.c_str());
    }
    return leftOut.empty() ? kExitOk : kExitFailure;
}

int Import(CliStore& cli, const Options& options) {
    const std::filesystem::path path = std::filesystem::absolute(options.words[1]);
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "ppcObrin3-cli: cannot read %s: %s\n", path.c_str(),
                     std::strerror(errno));
        return kExitFailure;
    }
    const std::string content((std::istreambuf_iterator<char>(in)),
                              std::istreambuf_iterator<char>());
    CNavigationDataBase& store = cli.Store();
    store.ResetLastImportKind();
    store.FeedContent(content, path.string());
    if (!store.IsSaved() && !cli.Save()) {
        return kExitFailure;
    }
    return ReportStoreFileContents(store);
}

int ExportRoute(CNavigationDataBase& store, const Options& options) {
    const auto text = store.RouteExportText(store.FindRoute(options.words[1]));
    if (!text) {
        std::fprintf(stderr, "ppcObrin3-cli: no route '%s'\n", options.words[1].c_str());
        return kExitFailure;
    }
    std::ofstream out(options.words[2], std::ios::binary | std::ios::trunc);
    out.write(text->data(), static_cast<std::streamsize>(text->size()));
    out.close();
    if (!out) {
        std::fprintf(stderr, "ppcObrin3-cli: cannot write %s: %s\n", options.words[2].c_str(),
                     std::strerror(errno));
        // A file cut short (a full disk, a file-size limit) would read as a shorter route.
        std::error_code ignored;
        std::filesystem::remove(options.words[2], ignored);
        return kExitFailure;
    }
    std::printf("%s\n",
                FillMessage("The file '%1' was successfully saved. Please! Use the File Explorer "
                            "to copy or move the file.",
                            options.words[2])
                    .c_str());
    return kExitOk;
}

int RunStore(std::span<const std::string> args) {
    std::string problem;
    const auto options = ParseStoreOptions(args, problem);
    if (!options) {
        return UsageError(kStoreCommand, problem);
    }
    if (const char* wrong = UsageProblem(options->words)) {
        return UsageError(kStoreCommand, wrong);
    }
    const std::string& what = options->words.front();
    if (what == "add-waypoint") {
        TerminalPrompts terminal;
        if (!CheckTypedName(terminal, options->words[1])) {
            return kExitUsage;
        }
    }
    const bool writes = what == "add-waypoint" || what == "import";
    CliStore cli(options->conflicts);
    if (!cli.Open(options->file, writes)) {
        return kExitFailure;
    }
    if (what == "waypoints") {
        return ListWaypoints(cli.Store(), *options);
    }
    if (what == "routes") {
        return ListRoutes(cli.Store(), *options);
    }
    if (what == "legs") {
        return ShowLegs(cli.Store(), *options);
    }
    if (what == "nearest") {
        return ShowNearest(cli.Store(), *options);
    }
    if (what == "add-waypoint") {
        return AddWaypoint(cli, *options);
    }
    if (what == "import") {
        return Import(cli, *options);
    }
    return ExportRoute(cli.Store(), *options);
}

// --- guide -------------------------------------------------------------------------------

struct GuideOptions {
    std::optional<std::string> store;
    GuidanceTargetChoice target;
    std::optional<CLatLong> at;
    GuidanceFix fix;
    bool speedGiven = false;
    bool courseGiven = false;
    // Each one not given is taken from the settings.
    std::optional<DistanceUnit> unit;
    std::optional<int> kind;
    std::optional<bool> follow;
    bool nmea = false;
};

// Nothing and a message when the command line is wrong.
std::optional<GuideOptions> ParseGuideOptions(std::span<const std::string> args,
                                              std::string& problem) {
    GuideOptions options;
    const auto fail = [&problem](std::string text) {
        problem = std::move(text);
        return std::nullopt;
    };
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool hasValue = i + 1 < args.size();
        const std::string value = hasValue ? args[i + 1] : std::string();
        if (arg == "--store" || arg == "--to" || arg == "--along") {
            if (!hasValue) {
                return fail(OptionTakes(arg, arg == "--store" ? "a PATH" : "a name"));
            }
            (arg == "--store" ? options.store
             : arg == "--to"  ? options.target.waypoint
                              : options.target.route) = value;
            ++i;
        } else if (arg == "--active") {
            const auto row = ParseNumber(value);
            if (!row || *row < 1 || *row != static_cast<int>(*row)) {
                return fail(OptionTakes(arg, "a row number from 1"));
            }
            options.target.activeRow = static_cast<int>(*row);
            ++i;
        } else if (arg == "--at") {
            options.at =
                i + 2 < args.size() ? ParsePosition(args[i + 1], args[i + 2]) : std::nullopt;
            if (!options.at) {
                return fail(OptionTakes(arg, "LAT LON in signed decimal degrees"));
            }
            i += 2;
        } else if (arg == "--speed") {
            const auto speed = ParseNumber(value);
            if (!speed || *speed < 0.0) {
                return fail(OptionTakes(arg, "knots from 0"));
            }
            options.fix.speed = *speed;
            options.speedGiven = true;
            ++i;
        } else if (arg == "--course") {
            const auto course = ParseNumber(value);
            if (!course || *course < 0.0 || *course >= 360.0) {
                return fail(OptionTakes(arg, "degrees from 0 to below 360"));
            }
            options.fix.track = *course;
            options.courseGiven = true;
            ++i;
        } else if (arg == "--units") {
            options.unit = ParseUnitOption(value);
            if (!options.unit) {
                return fail(OptionTakes(arg, kUnitValues));
            }
            ++i;
        } else if (arg == "--kind") {
            options.kind = ParseKindOption(value);
            if (!options.kind) {
                return fail(OptionTakes(arg, "walk, drive or flight"));
            }
            ++i;
        } else if (arg == "--follow") {
            options.follow = ParseYesNoOption(value);
            if (!options.follow) {
                return fail(OptionTakes(arg, "yes or no"));
            }
            ++i;
        } else if (arg == "--nmea") {
            options.nmea = true;
        } else if (arg.starts_with("-")) {
            return fail(UnknownOption(arg));
        } else {
            return fail(UnexpectedArgument(arg));
        }
    }
    if (!options.store) {
        return fail("missing --store PATH");
    }
    if (options.target.waypoint.has_value() == options.target.route.has_value()) {
        return fail("one of --to WAYPOINT and --along ROUTE is needed");
    }
    if (!options.at) {
        return fail("missing --at LAT LON");
    }
    if (!options.speedGiven) {
        return fail("missing --speed KN");
    }
    if (!options.courseGiven) {
        return fail("missing --course DEG");
    }
    options.fix.latitude = options.at->Latitude().DecimalDegrees();
    options.fix.longitude = options.at->Longitude().DecimalDegrees();
    return options;
}

// The stored guidance settings with the command line's choices over them.
GuidanceSettings GuidanceSettingsFor(const GuideOptions& options, const GeneralSettings& stored) {
    GuidanceSettings settings;
    settings.kind = options.kind.value_or(stored.kindOfRouteGuidance);
    settings.followTheRoute = options.follow.value_or(stored.automaticallyFollowTheRoute != 0);
    settings.unit = options.unit.value_or(DistanceUnitOfSetting(stored.distanceUnits));
    return settings;
}

int RunGuide(std::span<const std::string> args) {
    std::string problem;
    const auto options = ParseGuideOptions(args, problem);
    if (!options) {
        return UsageError(kGuideCommand, problem);
    }
    CliStore cli(Conflicts::Skip);
    if (!cli.Open(options->store, false)) {
        return kExitFailure;
    }
    CNavigationDataBase& store = cli.Store();
    if (!SetGuidanceTarget(store, options->target)) {
        return kExitFailure;
    }
    TerminalPrompts prompts;
    const GuidanceSettings settings = GuidanceSettingsFor(*options, LoadGeneralSettings(prompts));
    const SystemClock clock;
    CRouteGuidance guidance(clock);
    guidance.SetSettings(settings);
    const GuidanceTarget target = store.CurrentGuidanceTarget();
    if (options->nmea) {
        const GuidanceValues values =
            ComputeGuidanceValues(target, options->fix, settings.followTheRoute);
        std::fputs(
            ComposeAutopilotSentences(target, values, options->fix, RadiiForKind(settings.kind))
                .c_str(),
            stdout);
        return kExitOk;
    }
    const GuidanceDisplay display = guidance.Show(target, options->fix);
    std::printf("%s\n", display.destinationLabel.c_str());
    if (!display.hasDestination) {
        return kExitOk;
    }
    const GuidanceValues values =
        ComputeGuidanceValues(target, options->fix, settings.followTheRoute);
    std::printf("BRG: %s\nDST: %s\nTRK: %s\nSPD: %s\nIND: %s\n", display.bearing.c_str(),
                display.distance.c_str(), display.track.c_str(), display.speed.c_str(),
                IndicatorText(display.indicator).c_str());
    if (display.nextIndicator) {
        std::printf("IND(next): %s\n", IndicatorText(*display.nextIndicator).c_str());
    }
    for (int field = 1; field <= 7; ++field) {
        const auto which = static_cast<GuidanceField>(field);
        std::printf("%s: %s\n", guidance.FieldLabel(which, target).c_str(),
                    guidance.FieldText(which, target, values, options->fix).c_str());
    }
    return kExitOk;
}

const CliCommand kStoreCommand{
    "store",
    "[--file PATH] [--units km|mi|nmi] [--json] [--replace|--rename|--skip] "
    "(waypoints | routes | legs ROUTE | nearest LAT LON [N|all] | add-waypoint NAME LAT LON | "
    "import FILE | export-route ROUTE FILE)",
    "the navigation store: list, measure, add to, import into and export from it", RunStore,
    "  --file PATH       the store file (default: NaviStor.zrv in the documents folder)\n"
    "  --units UNIT      km, mi or nmi for the tables; the \"DistanceUnits\" setting when not "
    "given\n"
    "  --json            JSON Lines, one object a line, every number naming its unit:\n"
    "                    waypoints: name, latitude_deg, longitude_deg, place_to_store\n"
    "                    routes: name, place_to_store, waypoints\n"
    "                    legs: route, number, name, desired_track_deg, leg_distance_nmi,\n"
    "                          from_begin_nmi, to_end_nmi, total_distance_nmi (null: none)\n"
    "                    nearest: name, distance_nmi, bearing_deg (null: no course)\n"
    "  --replace, --rename, --skip\n"
    "                    what a name that exists already does (default: --skip)\n"
    "  LAT LON           signed decimal degrees\n"
    "  N                 how many of the nearest waypoints (default 10), or all\n"};

const CliCommand kGuideCommand{
    "guide",
    "--store PATH (--to WAYPOINT | --along ROUTE [--active N]) --at LAT LON --speed KN "
    "--course DEG [--units km|mi|nmi] [--kind walk|drive|flight] [--follow yes|no] [--nmea]",
    "the route guidance values for a position, speed and course, or with --nmea the RMB, APB and "
    "XTE sentences an autopilot is sent for them",
    RunGuide,
    "  --store PATH      the store file\n"
    "  --to WAYPOINT     guide to a waypoint\n"
    "  --along ROUTE     guide along a route; --active N: from the row N of its leg table (from "
    "1)\n"
    "  --at LAT LON      the position in signed decimal degrees\n"
    "  --speed KN        the speed over ground in knots\n"
    "  --course DEG      the course over ground in degrees, from 0 to below 360\n"
    "  --units, --kind, --follow\n"
    "                    the units, the kind of guidance (its arrival radius) and whether to\n"
    "                    follow the route; from the settings when not given\n"
    "  --nmea            print $GPRMB, $GPAPB and $GPXTE (CR LF line ends) instead\n"};

} // namespace

std::vector<CliCommand> StoreCommands() {
    return {kStoreCommand, kGuideCommand};
}
