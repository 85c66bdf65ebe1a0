#pragma once

#include "tracks/KmlSpeedBands.h"

#include <QColor>
#include <QRgb>

#include <array>

// The colours the driving views are drawn in. By day dark text on white; at night dimmed light
// colours on a dark background, so that the screen does not dazzle the driver. The speed bands
// keep their hues at night, with their brightness squeezed into a dim range that still tells
// neighbouring bands apart. The position markers stay pure red in both.
struct ViewPalette {
    QColor background;
    QColor text;
    QColor axis;      // the profile's axes and the steering bar
    QColor plotFrame; // the line around the track plot's area
    QColor grid;
    QColor middle; // the profile's middle lines
    QColor selectedBackground;
    QColor selectedText;
    QColor nearDistance; // DST inside the near radius
    QColor indicator;    // the steering marker
    std::array<QRgb, kSpeedBandCount> bands;

    QRgb Band(int band) const;
};

const ViewPalette& DayPalette();
const ViewPalette& NightPalette();
const ViewPalette& PaletteFor(bool night);
