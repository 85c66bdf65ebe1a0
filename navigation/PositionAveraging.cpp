#include "navigation/PositionAveraging.h"

#include "navigation/Geodesy.h"

#include <vector>

namespace {

CLatLong Midpoint(const CLatLong& a, const CLatLong& b) {
    const double lat1 = a.Latitude().DecimalDegrees();
    const double lon1 = a.Longitude().DecimalDegrees();
    const double lat2 = b.Latitude().DecimalDegrees();
    const double lon2 = b.Longitude().DecimalDegrees();
    const double distance = GetDistance(lat1, lon1, lat2, lon2);
    if (!(distance > 0.0)) {
        return a;
    }
    double lat = lat1;
    double lon = lon1;
    GetDestinationPoint(lat1, lon1, distance * 0.5, GetAzimuth(lat1, lon1, lat2, lon2), lat, lon);
    // Halfway across the +-180 meridian may lie just beyond it.
    if (lon > 180.0) {
        lon -= 360.0;
    } else if (lon < -180.0) {
        lon += 360.0;
    }
    return CLatLong::FromDecimalDegrees(lat, lon);
}

} // namespace

std::optional<CLatLong> AveragePosition(std::span<const CLatLong> samples) {
    if (samples.empty()) {
        return std::nullopt;
    }
    std::vector<CLatLong> pass(samples.begin(), samples.end());
    while (pass.size() > 1) {
        std::vector<CLatLong> midpoints;
        midpoints.reserve(pass.size() / 2);
        for (std::size_t i = 0; i + 1 < pass.size(); i += 2) {
            midpoints.push_back(Midpoint(pass[i], pass[i + 1]));
        }
        pass = std::move(midpoints);
    }
    if (!pass.front().IsValid()) {
        return std::nullopt;
    }
    return pass.front();
}
