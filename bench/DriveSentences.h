#pragma once

#include "bench/DriveSimulator.h"

#include <ctime>
#include <string>

// Appends one second of receiver output for a drive state, as a receiver sends it: GGA, GSA,
// GSV (all of its messages, only when elapsedSeconds is a multiple of gsvEverySeconds), RMC,
// VTG and GLL, each with its checksum and CR LF. `when` is the UTC time of the second; the RMC
// date follows it over midnight.
inline constexpr int kDefaultGsvEverySeconds = 5;
void AppendDriveSecond(std::string& out, const DriveSimulator::State& state, std::time_t when,
                       long elapsedSeconds, int gsvEverySeconds = kDefaultGsvEverySeconds);
