#pragma once

#include "app/view/ViewPalette.h"
#include "navigation/DistanceUnits.h"
#include "tracks/TrackScreenPoints.h"

#include <QImage>
#include <QRect>

#include <span>

// The drawing of the track plot and the altitude profile into the view's image: their frames
// (compass letters, legend, grid, axis labels) and their points in the colour of their speed
// bands, in the colours of a palette.

// Draws each point as a dot around its pixel, clipped to the image.
void DrawTrackPoints(QImage& image, std::span<const PlottedPoint> points,
                     const ViewPalette& palette);

// The track plot inside `region`: the area of its points, less the margin of the compass
// letters, and its frame with the legend of the bands up to `fastestBand` (-1: no legend) in
// the corner where it covers the fewest of `points`.
PixelArea TrackPlotArea(const QRect& region, int dpi);
void DrawTrackPlotFrame(QImage& image, const QRect& region, int fastestBand,
                        std::span<const PlottedPoint> points, const ViewPalette& palette, int dpi);

// The altitude profile inside `region`: a border of 3 pixels, 15 at the axes.
PixelArea AltitudeProfileArea(const QRect& region);
struct ProfileAxes {
    double totalDistance = 0.0; // nautical miles
    double baseAltitude = 0.0;  // metres at the bottom
    double topAltitude = 0.0;   // metres at the top
    bool hasAltitude = false;
    DistanceUnit units = DistanceUnit::NauticalMiles;
};
// The background, the grid with its middle lines, and the axes.
void DrawAltitudeProfileFrame(QImage& image, const QRect& region, const ViewPalette& palette);
// The axis labels, drawn over the points after every batch of them.
void DrawAltitudeProfileLabels(QImage& image, const QRect& region, const ProfileAxes& axes,
                               const ViewPalette& palette, int dpi);
