#pragma once

#include "cli/CliCommand.h"
#include "cli/CommCommands.h"
#include "cli/GpxCommands.h"
#include "cli/KmlCommands.h"
#include "cli/SettingsCommands.h"
#include "cli/StoreCommands.h"
#include "cli/TrackCommands.h"
#include "cli/VportCommands.h"

#include <array>
#include <vector>

// The command groups, each defined in its own file of cli/.
using CommandGroup = std::vector<CliCommand> (*)();

inline constexpr std::array<CommandGroup, 7> kCommandGroups = {
    SettingsCommands, TrackCommands, StoreCommands, CommCommands,
    VportCommands,    KmlCommands,   GpxCommands};
