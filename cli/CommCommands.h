#pragma once

#include "cli/CliCommand.h"

#include <vector>

// record PORT: records from a receiver as the record command does; play FILE --to PORT:
// plays a record file to a port as the playback does.
std::vector<CliCommand> CommCommands();
