#pragma once

#include "cli/CliCommand.h"

#include <vector>

// "stats", "points" and "check": read record files exactly as playback loads them into
// track 1, and print what the statistics panel shows, the stored points, or how each line
// fared in the decoder.
std::vector<CliCommand> TrackCommands();
