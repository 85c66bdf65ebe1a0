#pragma once

#include <string>

// A navigation store file for benchmarks: the version line, `waypoints` WPL sentences named
// WP000001... at random positions across Europe, and `routes` routes RT0001... of
// `routeLength` waypoint names each, split into RTE sentences the way the program splits them.
// The same arguments give the same file.
std::string GenerateStoreText(int waypoints, int routes, int routeLength, unsigned seed = 1);
