#pragma once

#include "navigation/DistanceUnits.h"
#include "nmea/Coordinates.h"

#include <optional>
#include <span>
#include <string>
#include <vector>

class CNavigationDataBase;

// The leg table of a route ("Route Waypoints"): one row per waypoint name in route order.
struct LegRow {
    int number = 0; // from 1
    std::string name;
    bool resolved = false;              // the name names a waypoint of the store
    std::optional<double> desiredTrack; // from the previous row's waypoint; degrees
    std::optional<double> legDistance;  // nautical miles
    std::optional<double> fromBegin;    // sum of the legs up to this row
    std::optional<double> toEnd;        // sum of the legs after this row
};

struct LegTable {
    std::vector<LegRow> rows;
    double totalDistance = 0.0; // "Begin to End"
};

// The table for names and their positions (nothing where a name does not resolve). A leg with
// an unresolved end has no track or distance and adds nothing to the sums; a row whose own name
// does not resolve shows no distances at all.
LegTable ComputeLegTable(std::span<const std::string> names,
                         std::span<const std::optional<CLatLong>> positions);

// The table of route `routeIndex` of the store (empty for an index out of range).
LegTable BuildLegTable(const CNavigationDataBase& store, int routeIndex);

// The cells as the dialog shows them: "%d", the name, "%.2f°" or "Unknown" (empty on the
// first row), and distances "%.3fkm" / "%.3fmi" / "%.3fnmi" (empty when there is none).
struct LegRowTexts {
    std::string number;
    std::string name;
    std::string desiredTrack;
    std::string legDistance;
    std::string fromBegin;
    std::string toEnd;
};
LegRowTexts LegRowText(const LegRow& row, DistanceUnit unit);

// "Waypoints of '%1' route", and the text when the route has no rows.
std::string LegTableTitle(const std::string& routeName);
std::string EmptyRouteText(const std::string& routeName);
