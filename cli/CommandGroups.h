#pragma once

#include "cli/CliCommand.h"

#include <array>
#include <vector>

// The command groups, each defined in its own file of cli/.
using CommandGroup = std::vector<CliCommand> (*)();

inline constexpr std::array<CommandGroup, 0> kCommandGroups = {};
