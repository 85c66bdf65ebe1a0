#pragma once

#include "cli/CliCommand.h"

#include <vector>

// "kml": exports a record file, loaded as playback loads track 1, to KML or KMZ; "import":
// reads a KML or KMZ file into a new route of the navigation store and into a track.
std::vector<CliCommand> KmlCommands();
