#pragma once

#include <optional>
#include <string_view>
#include <vector>

// A position read from a KML coordinates text: signed decimal degrees, north and east
// positive; the altitude in metres when the text gave one.
struct KmlPosition {
    double latitude = 0.0;
    double longitude = 0.0;
    std::optional<double> altitude;
};

// One position "longitude,latitude[,altitude]"; surrounding whitespace is ignored. Nothing
// when the text is not exactly that, or a coordinate is not finite or out of range.
std::optional<KmlPosition> ParseKmlPosition(std::u16string_view text);

// The positions of a list: every piece that ends at a whitespace character (space, tab, line
// feed, carriage return) is one position; the text after the last whitespace is not used, so
// a list must end with a space, as the export writes it. Pieces that do not parse are skipped.
std::vector<KmlPosition> ParseKmlCoordinateList(std::u16string_view text);
