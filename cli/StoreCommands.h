#pragma once

#include "cli/CliCommand.h"

#include <vector>

// "store": lists, queries and changes the navigation store (waypoints, routes, leg tables,
// nearest waypoints, imports and route exports); "guide": the route guidance values for a
// position, speed and course.
std::vector<CliCommand> StoreCommands();
