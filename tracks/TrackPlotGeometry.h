#pragma once

#include "navigation/DistanceUnits.h"
#include "nmea/FixRecord.h"

#include <string>

// Where the driving views put a track's points on the screen. All coordinates are pixels of
// the drawing, x to the right and y downwards; an area is given by its top left pixel and its
// size.

struct PixelArea {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

// The screen rounding: the integer part, plus 1 when the fractional part exceeds 0.5 (an exact
// half rounds down).
int RoundScreenCoordinate(double value);

// The box of a track in signed decimal degrees (a track across the 180 meridian has
// west > east).
struct TrackBox {
    double west = 0.0;
    double east = 0.0;
    double south = 0.0;
    double north = 0.0;
    bool operator==(const TrackBox&) const = default;
};

// The track plot: one scale in degrees per pixel for both axes, the track centred in the area,
// north up.
class TrackPlotScale {
public:
    TrackPlotScale(const TrackBox& box, const PixelArea& area);

    double DegreesPerPixel() const { return m_scale; }
    ScreenPoint ToScreen(double latitude, double longitude) const;

private:
    TrackBox m_box;
    PixelArea m_area;
    double m_longitudeSpan = 0.0;
    double m_scale = 1.0;
    int m_offsetX = 0;
    int m_offsetY = 0;
};

// The altitude profile: distance from the first point across, altitude up from the bottom,
// each axis scaled so that the total distance and the highest altitude fill the area.
class AltitudeProfileScale {
public:
    // The lowest altitude matters only below 0: the axis then starts there so that such points
    // stay inside the area.
    AltitudeProfileScale(double totalDistanceNmi, double maxAltitudeMetres,
                         double minAltitudeMetres, const PixelArea& area);

    ScreenPoint ToScreen(double distanceNmi, double altitudeMetres) const;
    double BaseAltitude() const { return m_base; }
    double TopAltitude() const { return m_top; }

private:
    PixelArea m_area;
    double m_distanceScale = 1.0;
    double m_altitudeScale = 1.0;
    double m_base = 0.0;
    double m_top = 0.0;
};

// The profile's grid: up to 10 divisions, no narrower than `minimumPixels` each.
int GridDivisions(int pixels, int minimumPixels);

// Axis labels of the profile: "%d m" or "%.1f ft"; "%.3fkm,", "%.3fmi," or "%.3fnmi".
std::string AltitudeAxisLabel(double metres, DistanceUnit units);
std::string DistanceAxisLabel(double nauticalMiles, DistanceUnit units);

// The speed band of a speed in knots, and the legend's name of a band ("0-5", "6-10", ...).
int SpeedBandOfKnots(double knots);
std::string SpeedBandLegendName(int band);
