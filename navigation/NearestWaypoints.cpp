#include "navigation/NearestWaypoints.h"

#include "navigation/Geodesy.h"
#include "navigation/NavigationDataBase.h"
#include "navigation/TextFormat.h"
#include "platform/Prompts.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <mutex>
#include <utility>

namespace {

// Copied in store order, so that taking the rows in distance order reads a compact array
// rather than the whole store.
struct Candidate {
    std::string name;
    double latitude;
    double longitude;
};

} // namespace

std::vector<std::size_t> SelectNearest(std::span<const double> distances, std::size_t count) {
    // Sorting (distance, position) pairs orders equal distances by position. A distance that
    // is not a number goes after all others.
    std::vector<std::pair<double, std::size_t>> keys(distances.size());
    for (std::size_t i = 0; i < distances.size(); ++i) {
        keys[i] = {
            std::isnan(distances[i]) ? std::numeric_limits<double>::infinity() : distances[i], i};
    }
    if (count < keys.size()) {
        std::partial_sort(keys.begin(), keys.begin() + static_cast<std::ptrdiff_t>(count),
                          keys.end());
        keys.resize(count);
    } else {
        std::sort(keys.begin(), keys.end());
    }
    std::vector<std::size_t> order;
    order.reserve(keys.size());
    for (const auto& key : keys) {
        order.push_back(key.second);
    }
    return order;
}

std::vector<NearestRow> NearestWaypoints(const CNavigationDataBase& store,
                                         const CLatLong& reference, std::size_t count,
                                         int routeIndex) {
    std::lock_guard guard(store.Lock());
    std::vector<Candidate> candidates;
    if (routeIndex < 0) {
        candidates.reserve(static_cast<std::size_t>(store.Count(NavItemKind::Waypoint)));
        store.ForEachWaypoint([&](const CWaypoint& waypoint) {
            candidates.push_back({waypoint.Name(), waypoint.Position().Latitude().DecimalDegrees(),
                                  waypoint.Position().Longitude().DecimalDegrees()});
        });
    } else {
        const std::vector<std::string> routeNames = store.Route(routeIndex).WaypointNames();
        const auto positions = store.ResolveNames(routeNames);
        for (std::size_t i = 0; i < routeNames.size(); ++i) {
            if (positions[i]) {
                candidates.push_back({routeNames[i], positions[i]->Latitude().DecimalDegrees(),
                                      positions[i]->Longitude().DecimalDegrees()});
            }
        }
    }
    const double lat = reference.Latitude().DecimalDegrees();
    const double lon = reference.Longitude().DecimalDegrees();
    std::vector<double> distances(candidates.size());
    for (std::size_t i = 0; i < candidates.size(); ++i) {
        distances[i] = GetDistance(lat, lon, candidates[i].latitude, candidates[i].longitude);
    }
    const std::vector<std::size_t> order = SelectNearest(distances, count);
    std::vector<NearestRow> rows;
    rows.reserve(order.size());
    for (const std::size_t i : order) {
        rows.push_back({std::move(candidates[i].name), distances[i],
                        GetAzimuth(lat, lon, candidates[i].latitude, candidates[i].longitude)});
    }
    return rows;
}

NearestRowTexts NearestRowText(const NearestRow& row, DistanceUnit unit) {
    const bool course = row.bearing >= 0.0 && row.bearing < 360.0;
    return {row.name, Format("%.3f", ToDisplayUnit(row.distance, unit)),
            course ? Format("%.1f%s", row.bearing, kDegreeSign) : "Unknown"};
}

bool ConfirmNearestAll(IPrompts& prompts) {
    return prompts.AskYesNo("If the Data Base of Navigation is too big, it could take a big "
                            "amount of time!\n\nContinue?",
                            PromptIcon::Question, true);
}

std::string NearestTitle(const std::string& routeName) {
    return routeName.empty() ? "Nearest Waypoints"
                             : FillMessage("Nearest Waypoints of '%1' route", routeName);
}
