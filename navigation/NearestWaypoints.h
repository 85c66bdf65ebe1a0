#pragma once

#include "navigation/DistanceUnits.h"

#include <cstddef>
#include <limits>
#include <span>
#include <string>
#include <vector>

class CLatLong;
class CNavigationDataBase;
class IPrompts;

// The nearest-waypoint list: the waypoints of the store (or of one route) ordered by their
// distance from the current position.

// "&All...": every candidate.
inline constexpr std::size_t kAllWaypoints = std::numeric_limits<std::size_t>::max();

inline constexpr const char* kNoNearestWaypoints =
    "Either there isn't current position or not Waypoints";

// The selection of the list: up to `count` candidates, nearest first; of equal distances the
// one earlier among the candidates comes first (what taking the strictly smallest remaining
// distance again and again gives, in O(n log n)). Returns candidate positions.
std::vector<std::size_t> SelectNearest(std::span<const double> distances, std::size_t count);

struct NearestRow {
    std::string name;
    double distance = 0.0; // nautical miles
    double bearing = -1.0; // degrees; -1 when there is no course
};

// The rows for that reference position: the candidates are all waypoints of the store, or the
// waypoints named by route `routeIndex` (in route order; a name that does not resolve is no
// candidate). Read under the navigation lock.
std::vector<NearestRow> NearestWaypoints(const CNavigationDataBase& store,
                                         const CLatLong& reference, std::size_t count,
                                         int routeIndex = -1);

// The cells of a row: the name, DST "%.3f" in the unit, BRG "%.1f°" or "Unknown".
struct NearestRowTexts {
    std::string name;
    std::string distance;
    std::string bearing;
};
NearestRowTexts NearestRowText(const NearestRow& row, DistanceUnit unit);

// "&All..." asks first whether to go on with a list of the whole store.
bool ConfirmNearestAll(IPrompts& prompts);

// "Nearest Waypoints", with " of '%1' route" for the waypoints of one route.
std::string NearestTitle(const std::string& routeName = {});
