#pragma once

#include "cli/CliCommand.h"

#include <vector>

// vport [status | register N | deregister]: the virtual serial port choice of the options,
// with the same settings and messages.
std::vector<CliCommand> VportCommands();
