#pragma once

#include "nmea/Coordinates.h"

#include <optional>
#include <string>
#include <string_view>

// The text form of a position on the clipboard, written by "Copy all Position" and read by
// "Paste all Position": the two display texts of the coordinates, a comma between them and a
// semicolon after them ("N 49°16.4500',W 123°11.1200';").

std::string PositionClipboardText(const CLatLong& position);

// One coordinate as the position fields take it: hemisphere, degrees, minutes and seconds.
struct PastedCoordinate {
    int hemisphere = 0; // 1 north or east, 2 south or west
    int degrees = 0;
    int minutes = 0;
    float seconds = 0.0f;

    // Signed decimal degrees.
    double DecimalDegrees() const;
};

struct PastedPosition {
    PastedCoordinate latitude;
    PastedCoordinate longitude;

    CLatLong Position() const;
};

// Reads the clipboard form: spaces are removed; the latitude is the text before ",", the
// longitude the text between "," and ";"; each begins with its hemisphere letter, then the
// whole degrees up to "°", then the minutes up to the final minute sign (read in single
// precision; their fraction gives the seconds). Nothing when the text is not of this form or a
// value is out of range (degrees beyond 90 or 180, minutes of 60 or more).
std::optional<PastedPosition> ParsePositionClipboard(std::string_view text);
