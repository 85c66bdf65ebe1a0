#pragma once

#include "cli/CliCommand.h"
#include "cli/ConflictPrompts.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

// "gpx": exports a record file (and, with --store, the store's waypoints and routes) as GPX.
std::vector<CliCommand> GpxCommands();

// Whether the name ends in ".gpx" in any case.
bool HasGpxExtension(const std::filesystem::path& path);

// The GPX part of "import": waypoints and routes into the store (the given file or the one in
// the documents folder), track points into a track whose statistics (or, with `points`, its
// points as CSV) are printed. An exit code.
int ImportGpxFile(const std::filesystem::path& path, const std::optional<std::string>& store,
                  Conflicts conflicts, bool points);
