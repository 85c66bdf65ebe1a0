#pragma once

#include <QFont>

// The view's one typeface, bold, with a height given for a 96 dpi screen and scaled to the
// screen's pixels per inch: (h x dpi + 48) / 96.
int ScaledFontHeight(int height, int dpi);
QFont ViewFont(int height, int dpi);
