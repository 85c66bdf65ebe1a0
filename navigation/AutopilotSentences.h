#pragma once

#include "navigation/RouteGuidance.h"

#include <string>

// What an autopilot is sent for one fix while Go To or Go Along is active: RMB (recommended
// minimum navigation information), APB (autopilot sentence B) and XTE (cross-track error), one
// after another, each a finished NMEA 0183 sentence with talker GP. The values are those the
// route guidance view shows for the same target and fix (XTK, BRG, DST, the leg).
//
// Waypoint identifiers are cut to 6 characters, without the characters NMEA reserves, so that
// every sentence stays within 82 characters. While the leg lies behind the position (the
// destination's perpendicular passed), the cross-track error is unknown: RMB and XTE say so
// with status V and an empty field. Empty without a destination position.
std::string ComposeAutopilotSentences(const GuidanceTarget& target, const GuidanceValues& values,
                                      const GuidanceFix& fix, const GuidanceRadii& radii);
