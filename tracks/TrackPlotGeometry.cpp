#include "tracks/TrackPlotGeometry.h"

#include "navigation/TextFormat.h"
#include "tracks/KmlSpeedBands.h"
#include "tracks/StatisticsText.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

constexpr double kKmPerNauticalMile = 1.852;

// A scale of 0 (one point, or a flat track) would divide by zero: any positive scale then puts
// the points on the axis that decides.
double UsableScale(double scale) {
    return scale > 0.0 && std::isfinite(scale) ? scale : 1.0;
}

} // namespace

int RoundScreenCoordinate(double value) {
    const double whole = std::floor(value);
    return static_cast<int>(whole) + (value - whole > 0.5 ? 1 : 0);
}

TrackPlotScale::TrackPlotScale(const TrackBox& box, const PixelArea& area)
    : m_box(box), m_area(area) {
    m_longitudeSpan = std::fabs(box.east - box.west);
    if (m_longitudeSpan > 180.0) {
        m_longitudeSpan = 360.0 - m_longitudeSpan;
    }
    const double latitudeSpan = box.north - box.south;
    // The last pixel of the area is width - 1 (height - 1) from the first.
    const double across = std::max(area.width - 1, 1);
    const double down = std::max(area.height - 1, 1);
    double scale = 0.0;
    if (area.height >= area.width) {
        scale = std::max(latitudeSpan / down, m_longitudeSpan / across);
    } else {
        scale = std::max(m_longitudeSpan / across, latitudeSpan / down);
    }
    m_scale = UsableScale(scale);
    m_offsetX = (area.width - 1 - RoundScreenCoordinate(m_longitudeSpan / m_scale)) / 2;
    m_offsetY = (area.height - 1 - RoundScreenCoordinate(latitudeSpan / m_scale)) / 2;
}

ScreenPoint TrackPlotScale::ToScreen(double latitude, double longitude) const {
    double east = longitude - m_box.west;
    // A track across the 180 meridian: longitudes east of it continue past 180.
    if (east < 0.0 && m_box.west > m_box.east) {
        east += 360.0;
    }
    const int x = RoundScreenCoordinate(east / m_scale);
    const int y = RoundScreenCoordinate((latitude - m_box.south) / m_scale);
    return {m_area.left + m_offsetX + x, m_area.top + m_area.height - 1 - m_offsetY - y};
}

AltitudeProfileScale::AltitudeProfileScale(double totalDistanceNmi, double maxAltitudeMetres,
                                           double minAltitudeMetres, const PixelArea& area)
    : m_area(area), m_base(std::min(0.0, minAltitudeMetres)),
      m_top(std::max(maxAltitudeMetres, m_base)) {
    m_distanceScale = UsableScale(totalDistanceNmi / std::max(area.width - 1, 1));
    m_altitudeScale = UsableScale((m_top - m_base) / std::max(area.height - 1, 1));
}

ScreenPoint AltitudeProfileScale::ToScreen(double distanceNmi, double altitudeMetres) const {
    const int x = RoundScreenCoordinate(distanceNmi / m_distanceScale);
    const int y = RoundScreenCoordinate((altitudeMetres - m_base) / m_altitudeScale);
    return {m_area.left + x, m_area.top + m_area.height - 1 - y};
}

int GridDivisions(int pixels, int minimumPixels) {
    return std::clamp(pixels / std::max(minimumPixels, 1), 1, 10);
}

std::string AltitudeAxisLabel(double metres, DistanceUnit units) {
    return units == DistanceUnit::Kilometers ? Format("%d m", static_cast<int>(metres))
                                             : Format("%.1f ft", AltitudeInUnits(metres, units));
}

std::string DistanceAxisLabel(double nauticalMiles, DistanceUnit units) {
    const char* format = units == DistanceUnit::Kilometers     ? "%.3fkm,"
                         : units == DistanceUnit::StatuteMiles ? "%.3fmi,"
                                                               : "%.3fnmi";
    return Format(format, ToDisplayUnit(nauticalMiles, units));
}

int SpeedBandOfKnots(double knots) {
    return SpeedBandIndex(knots * kKmPerNauticalMile);
}

std::string SpeedBandLegendName(int band) {
    const char* name = SpeedBandAt(band).styleName;
    return std::string(name, std::strcspn(name, "_"));
}
