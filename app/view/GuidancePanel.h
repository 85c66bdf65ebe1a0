#pragma once

#include "app/view/ViewPalette.h"
#include "navigation/RouteGuidance.h"

#include <QImage>
#include <QRect>

// Draws the route-guidance view: the destination, the distance in large figures, bearing,
// track, speed, the selected navigation field and the steering indicators.
void DrawGuidancePanel(QImage& image, const QRect& rect, const GuidanceDisplay& display,
                       DistanceUnit units, const ViewPalette& palette, int dpi);
