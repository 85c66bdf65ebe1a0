#include "cli/TrackCommands.h"

#include "cli/CommonOptions.h"
#include "cli/JsonText.h"
#include "cli/TrackOutput.h"
#include "nmea/Coordinates.h"
#include "platform/TerminalPrompts.h"
#include "tracks/LineDiagnosis.h"
#include "tracks/RecordLineReader.h"
#include "tracks/StatisticsText.h"
#include "tracks/Track.h"

#include <array>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace {

constexpr const char* kTimePattern = "%Y-%m-%d %H:%M:%S";
constexpr std::size_t kMnemonicLength = 3;

int RunStats(std::span<const std::string> args);
int RunPoints(std::span<const std::string> args);
int RunCheck(std::span<const std::string> args);

const CliCommand kStats = {"stats", "FILE... [--units km|mi|nmi] [--json]",
                           "statistics of record files, as the statistics panel shows them",
                           RunStats,
                           "  FILE...        record files\n"
                           "  --units UNIT   km, mi or nmi; the \"DistanceUnits\" setting when "
                           "not given\n"
                           "  --json         one JSON object per file and line (JSON Lines); "
                           "every number names its\n"
                           "                 unit: trip_nmi, max_speed_kn, max_altitude_m, "
                           "elapsed_s, ...\n"};
const CliCommand kPoints = {
    "points", "FILE", "the stored points of a record file as CSV, one row per point", RunPoints,
    "  FILE   a record file; speeds in knots, altitudes in metres, trip "
    "distances in\n"
    "         nautical miles\n"};
const CliCommand kCheck = {"check", "FILE [--verbose]",
                           "how each line of a record file fares in the decoder", RunCheck,
                           "  FILE        a record file\n"
                           "  --verbose   also each rejected line with its reason\n"};

constexpr const char* kUnitValues = "km, mi or nmi";

void ReportFileError(const std::string& path, const std::string& reason) {
    std::fprintf(stderr, "ppcObrin3-cli: %s: %s\n", path.c_str(), reason.c_str());
}

// Reads a record file line by line as playback does and hands each line on. False, with the
// reason, when the file cannot be read or onLine asks to stop by returning false.
template <typename OnLine>
bool ForEachLine(const std::string& path, std::string& error, OnLine onLine) {
    RecordLineReader reader;
    if (!reader.Open(path)) {
        error = reader.Error();
        return false;
    }
    std::string_view line;
    while (reader.NextLine(line)) {
        if (!onLine(line)) {
            return false;
        }
    }
    error = reader.Error();
    return !reader.Failed();
}

// Loads a record file into the track as playback loads track 1.
bool LoadTrack(const std::string& path, CTrack& track, std::string& error) {
    track.Reset();
    track.SetFileName(path);
    track.SetDisplayName(std::filesystem::path(path).filename().string());
    return ForEachLine(path, error, [&](std::string_view line) {
        bool outOfMemory = false;
        track.DecodeLine(line, outOfMemory);
        if (outOfMemory) {
            error = "Out of memory";
        }
        return !outOfMemory;
    });
}

std::string CoordinateText(double degrees, bool isLatitude) {
    if (isLatitude) {
        CLatitude latitude;
        latitude.SetDecimalDegrees(degrees);
        return latitude.DisplayText();
    }
    CLongitude longitude;
    longitude.SetDecimalDegrees(degrees);
    return longitude.DisplayText();
}

void PrintStatsText(const CTrack& track, DistanceUnit units) {
    const bool empty = track.PointCount() == 0;
    std::printf("%s\n  Points: %d\n", track.FileName().c_str(), track.PointCount());
    PrintStatisticsLines(track, units);
    const auto timeText = [&](CalendarTime time) {
        return empty ? std::string("Unknown") : FormatCalendarTime(time, kTimePattern);
    };
    const auto boundText = [&](double degrees, bool isLatitude) {
        return empty ? std::string("Unknown") : CoordinateText(degrees, isLatitude);
    };
    std::printf("  First point: %s\n  Last point: %s\n", timeText(track.StartTime()).c_str(),
                timeText(track.LastTime()).c_str());
    std::printf("  North: %s\n  South: %s\n  West: %s\n  East: %s\n",
                boundText(track.North(), true).c_str(), boundText(track.South(), true).c_str(),
                boundText(track.West(), false).c_str(), boundText(track.East(), false).c_str());
}

void PrintStatsJson(const CTrack& track) {
    const bool empty = track.PointCount() == 0;
    const auto altitude = [](double value, int index) {
        return index < 0 ? std::string("null") : JsonNumber(value);
    };
    const auto time = [&](CalendarTime value) {
        return empty ? std::string("null") : JsonString(FormatCalendarTime(value, "%FT%T"));
    };
    std::string used;
    for (const std::int32_t prn : track.SatellitesUsed()) {
        used += (used.empty() ? "" : ",") + std::to_string(prn);
    }
    std::string bounds = "null";
    if (!empty) {
        bounds = "{\"west\":" + JsonNumber(track.West()) + ",\"east\":" + JsonNumber(track.East()) +
                 ",\"south\":" + JsonNumber(track.South()) +
                 ",\"north\":" + JsonNumber(track.North()) + "}";
    }
    const std::string object =
        "{\"file\":" + JsonString(track.FileName()) +
        ",\"points\":" + std::to_string(track.PointCount()) +
        ",\"trip_nmi\":" + JsonNumber(track.TripDistance()) +
        ",\"max_speed_kn\":" + JsonNumber(track.MaxSpeed()) +
        ",\"max_speed_index\":" + std::to_string(track.MaxSpeedIndex()) +
        ",\"average_speed_kn\":" + JsonNumber(track.AverageSpeed()) +
        ",\"max_altitude_m\":" + altitude(track.MaxAltitude(), track.MaxAltitudeIndex()) +
        ",\"max_altitude_index\":" + std::to_string(track.MaxAltitudeIndex()) +
        ",\"min_altitude_m\":" + altitude(track.MinAltitude(), track.MinAltitudeIndex()) +
        ",\"min_altitude_index\":" + std::to_string(track.MinAltitudeIndex()) +
        ",\"elapsed_s\":" + std::to_string(track.ElapsedSeconds()) +
        ",\"trip_time_s\":" + std::to_string(track.TripTimeSeconds()) +
        ",\"satellites_in_use\":" + std::to_string(track.SatellitesInUse()) +
        ",\"satellites_in_view\":" + std::to_string(track.SatellitesInView()) +
        ",\"satellites_used\":[" + used + "]" + ",\"first_point_time\":" + time(track.StartTime()) +
        ",\"last_point_time\":" + time(track.LastTime()) + ",\"bounds\":" + bounds + "}";
    std::printf("%s\n", object.c_str());
}

int RunStats(std::span<const std::string> args) {
    std::vector<std::string> files;
    std::optional<DistanceUnit> units;
    bool json = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--json") {
            json = true;
        } else if (arg == "--units" || arg.starts_with("--units=")) {
            std::string value;
            if (arg != "--units") {
                value = arg.substr(8);
            } else if (i + 1 < args.size()) {
                value = args[++i];
            }
            const std::optional<DistanceUnit> parsed = ParseUnitOption(value);
            if (!parsed) {
                return UsageError(kStats, OptionTakes("--units", kUnitValues));
            }
            units = parsed;
        } else if (arg.starts_with("-") && arg != "-") {
            return UsageError(kStats, UnknownOption(arg));
        } else {
            files.push_back(arg);
        }
    }
    if (files.empty()) {
        return UsageError(kStats, "missing FILE");
    }
    TerminalPrompts prompts;
    const DistanceUnit shownUnits = UnitOrSetting(units, prompts);
    // One track, reset for each file, as track 1 is reset before each load.
    const auto track = std::make_unique<CTrack>();
    int exitCode = kExitOk;
    for (const std::string& file : files) {
        std::string error;
        if (!LoadTrack(file, *track, error)) {
            ReportFileError(file, error);
            exitCode = kExitFailure;
            continue;
        }
        if (json) {
            PrintStatsJson(*track);
        } else {
            PrintStatsText(*track, shownUnits);
        }
    }
    return exitCode;
}

int RunPoints(std::span<const std::string> args) {
    if (args.empty()) {
        return UsageError(kPoints, "missing FILE");
    }
    if (args[0].starts_with("-") && args[0] != "-") {
        return UsageError(kPoints, UnknownOption(args[0]));
    }
    if (args.size() > 1) {
        return UsageError(kPoints, UnexpectedArgument(args[1]));
    }
    const auto track = std::make_unique<CTrack>();
    std::string error;
    if (!LoadTrack(args[0], *track, error)) {
        ReportFileError(args[0], error);
        return kExitFailure;
    }
    PrintTrackPointsCsv(*track);
    return kExitOk;
}

// A line as it can be shown on a terminal: without its line end, other control bytes and
// bytes above 126 as \xNN.
std::string PrintableLine(std::string_view line) {
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) {
        line.remove_suffix(1);
    }
    std::string text;
    for (const char c : line) {
        const unsigned char byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte > 0x7E) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
            text += escaped;
        } else {
            text += c;
        }
    }
    return text;
}

int RunCheck(std::span<const std::string> args) {
    std::optional<std::string> file;
    bool verbose = false;
    for (const std::string& arg : args) {
        if (arg == "--verbose") {
            verbose = true;
        } else if (arg.starts_with("-") && arg != "-") {
            return UsageError(kCheck, UnknownOption(arg));
        } else if (file) {
            return UsageError(kCheck, UnexpectedArgument(arg));
        } else {
            file = arg;
        }
    }
    if (!file) {
        return UsageError(kCheck, "missing FILE");
    }

    constexpr std::array kRejections = {
        LineVerdict::UnknownType,     LineVerdict::BadFraming,  LineVerdict::TooLong,
        LineVerdict::AbsentChecksum,  LineVerdict::BadChecksum, LineVerdict::WrongFieldCount,
        LineVerdict::RejectedContent,
    };
    const auto track = std::make_unique<CTrack>();
    std::map<std::string, std::size_t> acceptedByType;
    std::map<LineVerdict, std::size_t> rejected;
    std::size_t lines = 0;
    std::size_t accepted = 0;
    std::string error;
    const bool ok = ForEachLine(*file, error, [&](std::string_view line) {
        ++lines;
        bool outOfMemory = false;
        if (track->DecodeLine(line, outOfMemory)) {
            const std::string_view address = track->Input().Field(0);
            ++acceptedByType[std::string(address.substr(address.size() - kMnemonicLength))];
            ++accepted;
        } else {
            const LineVerdict verdict = DiagnoseRejectedLine(*track, line);
            ++rejected[verdict];
            if (verbose) {
                std::printf("line %zu: %s: %s\n", lines, LineVerdictText(verdict),
                            PrintableLine(line).c_str());
            }
        }
        if (outOfMemory) {
            error = "Out of memory";
        }
        return !outOfMemory;
    });
    if (!ok) {
        ReportFileError(*file, error);
        return kExitFailure;
    }
    std::string byType;
    for (const auto& [mnemonic, count] : acceptedByType) {
        byType += (byType.empty() ? " (" : ", ") + mnemonic + " " + std::to_string(count);
    }
    if (!byType.empty()) {
        byType += ")";
    }
    std::printf("%s\n  lines: %zu\n  accepted: %zu%s\n", file->c_str(), lines, accepted,
                byType.c_str());
    for (const LineVerdict verdict : kRejections) {
        std::printf("  %s: %zu\n", LineVerdictText(verdict), rejected[verdict]);
    }
    return kExitOk;
}

} // namespace

std::vector<CliCommand> TrackCommands() {
    return {kStats, kPoints, kCheck};
}
