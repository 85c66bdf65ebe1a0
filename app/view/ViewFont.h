#pragma once

#include <QFont>
#include <QRect>
#include <QString>

// The view's one typeface, bold, with a height given for a 96 dpi screen and scaled to the
// screen's pixels per inch: (h x dpi + 48) / 96.
int ScaledFontHeight(int height, int dpi);
QFont ViewFont(int height, int dpi);
// The view's font at `percent` of the box's height, made smaller until `text` fits its width.
QFont FittingViewFont(const QString& text, const QRect& box, int percent, int dpi);
