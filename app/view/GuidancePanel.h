#pragma once

#include "app/view/ViewPalette.h"
#include "navigation/RouteGuidance.h"

#include <QImage>
#include <QRect>

#include <string>

// Draws the route-guidance view: the destination, the distance in large figures, bearing,
// track, speed, the selected navigation field and the steering indicators; above them, in a
// strip of its own, `autopilot` (what steers the autopilot) unless it is empty.
void DrawGuidancePanel(QImage& image, const QRect& rect, const GuidanceDisplay& display,
                       DistanceUnit units, const ViewPalette& palette, int dpi,
                       const std::string& autopilot = {});
