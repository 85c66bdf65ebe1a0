#include "navigation/LegTable.h"

#include "navigation/Geodesy.h"
#include "navigation/NavigationDataBase.h"
#include "navigation/TextFormat.h"

#include <mutex>

LegTable ComputeLegTable(std::span<const std::string> names,
                         std::span<const std::optional<CLatLong>> positions) {
    LegTable table;
    table.rows.resize(names.size());
    double sum = 0.0;
    for (std::size_t i = 0; i < names.size(); ++i) {
        LegRow& row = table.rows[i];
        row.number = static_cast<int>(i) + 1;
        row.name = names[i];
        row.resolved = positions[i].has_value();
        if (i > 0 && positions[i - 1] && positions[i]) {
            const CLatLong& a = *positions[i - 1];
            const CLatLong& b = *positions[i];
            const double lat1 = a.Latitude().DecimalDegrees();
            const double lon1 = a.Longitude().DecimalDegrees();
            const double lat2 = b.Latitude().DecimalDegrees();
            const double lon2 = b.Longitude().DecimalDegrees();
            const double track = GetAzimuth(lat1, lon1, lat2, lon2);
            if (track >= 0.0 && track < 360.0) {
                row.desiredTrack = track;
            }
            row.legDistance = GetDistance(lat1, lon1, lat2, lon2);
            sum += *row.legDistance;
        }
        if (row.resolved) {
            row.fromBegin = sum;
        }
    }
    table.totalDistance = sum;
    double after = 0.0;
    for (std::size_t i = names.size(); i-- > 0;) {
        LegRow& row = table.rows[i];
        if (row.resolved) {
            row.toEnd = after;
        }
        after += row.legDistance.value_or(0.0);
    }
    return table;
}

LegTable BuildLegTable(const CNavigationDataBase& store, int routeIndex) {
    std::lock_guard guard(store.Lock());
    if (routeIndex < 0 || routeIndex >= store.Count(NavItemKind::Route)) {
        return {};
    }
    const std::vector<std::string> names = store.Route(routeIndex).WaypointNames();
    return ComputeLegTable(names, store.ResolveNames(names));
}

LegRowTexts LegRowText(const LegRow& row, DistanceUnit unit) {
    const auto distance = [unit](const std::optional<double>& value) {
        return value ? FormatDistance(*value, unit) : std::string();
    };
    LegRowTexts texts;
    texts.number = Format("%d", row.number);
    texts.name = row.name;
    if (row.number > 1) {
        texts.desiredTrack =
            row.desiredTrack ? Format("%.2f%s", *row.desiredTrack, kDegreeSign) : "Unknown";
    }
    texts.legDistance = distance(row.legDistance);
    texts.fromBegin = distance(row.fromBegin);
    texts.toEnd = distance(row.toEnd);
    return texts;
}

std::string LegTableTitle(const std::string& routeName) {
    return FillMessage("Waypoints of '%1' route", routeName);
}

std::string EmptyRouteText(const std::string& routeName) {
    return FillMessage("The route '%1' does not have wps", routeName);
}
