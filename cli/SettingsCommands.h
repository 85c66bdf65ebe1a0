#pragma once

#include "cli/CliCommand.h"

#include <vector>

// "settings": reads and changes the current user's settings, so that a board without a screen
// can be configured; "devices": lists the device folder.
std::vector<CliCommand> SettingsCommands();
